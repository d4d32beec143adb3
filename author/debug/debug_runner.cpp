#include "author/debug/debug_runner.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "author/project/project_identity.h"
#include "common/gbk.h"
#include "platform/host_channel.h"
#include "platform/launcher.h"

namespace author {

namespace {

using common::Gbk;

// WM_USER + 996..999 as they travel on the host channel.
constexpr int64_t kWmUser = 0x0400;
constexpr int64_t kFileBytes = kWmUser + 996;
constexpr int64_t kFilePercent = kWmUser + 997;
constexpr int64_t kOverall = kWmUser + 998;
constexpr int64_t kOutcome = kWmUser + 999;

std::string OutcomeExplanation(int64_t code) {
  switch (code) {
    case 1: return Gbk("说明：升级成功");
    case -1: return Gbk("说明：升级失败或没有完成升级过程");
    case 2: return Gbk("说明：没有发现新版本");
    case 3: return Gbk("说明：发现新版本");
    case 4: return Gbk("说明：退出升级程序");
    default: return "";
  }
}

std::string WithParams(int64_t number, const platform::HostMessage& m) {
  return "MSG=WM_USER+" + std::to_string(number - kWmUser) + ";  WPARAM=" + std::to_string(m.wParam) +
         ";  LPARAM=" + std::to_string(m.lParam) + ";  ";
}

}  // namespace

std::string DebugSwitchString(std::string_view paramVal, int64_t endpoint) {
  auto on = [&](size_t i) { return i < paramVal.size() && paramVal[i] == '1'; };
  std::string s;
  if (on(0)) s += " /OP:CheckVer";
  if (on(1)) s += " /Log";
  if (on(2)) s += " /Tray";
  if (on(3)) s += " /HWND:" + std::to_string(endpoint);
  return s;
}

std::string HostMessageLine(const platform::HostMessage& m) {
  switch (m.message) {
    case kOutcome:
      return "MSG=WM_USER+999;  WPARAM=" + std::to_string(m.wParam) + ";  " + OutcomeExplanation(m.wParam);
    case kOverall: return WithParams(m.message, m) + Gbk("说明：总进度（相对值）");
    case kFilePercent: return WithParams(m.message, m) + Gbk("说明：单个文件进度（相对值）");
    case kFileBytes: return WithParams(m.message, m) + Gbk("说明：单个文件进度");
    default: return "";
  }
}

std::string TimedLogLine(std::time_t t, std::string_view text) {
  char stamp[32] = "";
  std::tm local{};
  localtime_r(&t, &local);
  std::strftime(stamp, sizeof stamp, "%H:%M:%S    ", &local);
  return stamp + std::string(text) + "\r\n";
}

std::string ProgramFileVersion(const std::string& programPath) {
  static constexpr std::string_view kMarker = "UPGRADE-FILE-VERSION:";
  std::ifstream in(common::NativePath(programPath), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t at = bytes.find(kMarker);
  if (at == std::string::npos) return "";
  at += kMarker.size();
  size_t end = bytes.find(';', at);
  if (end == std::string::npos || end - at > 16) return "";
  return bytes.substr(at, end - at);
}

DebugRunner::DebugRunner() = default;
DebugRunner::~DebugRunner() = default;

bool DebugRunner::Listen(LineHandler handler) {
  handler_ = std::move(handler);
  listener_ = std::make_unique<platform::HostListener>();
  return listener_->ListenOnFreeEndpoint([this](const platform::HostMessage& m) {
           std::string text = HostMessageLine(m);
           if (!text.empty() && handler_) handler_(TimedLogLine(std::time(nullptr), text));
         }) != 0;
}

int64_t DebugRunner::Endpoint() const { return listener_ ? listener_->Endpoint() : 0; }

std::string DebugRunner::Start(const std::string& outputFolder, std::string_view switches,
                               const std::function<void()>& clearLog) {
  const std::string program = outputFolder + "update";
  if (!FileHasContent(program)) return Gbk("找不到程序：") + program;
  if (clearLog) clearLog();
  std::error_code ec;
  std::filesystem::remove(common::NativePath(outputFolder + "update.log"), ec);
  const std::string version = ProgramFileVersion(program);
  if (!version.empty() && handler_) handler_(TimedLogLine(std::time(nullptr), Gbk("升级程序版本号：") + version));

  platform::LaunchRequest request;
  request.program = common::NativePath(program);
  request.folder = common::NativePath(outputFolder);
  std::istringstream words{std::string(switches) + " /Ad:debug"};
  for (std::string word; words >> word;) request.arguments.push_back(common::GbkToUtf8(word));
  platform::Launch(request);
  return "";
}

}  // namespace author
