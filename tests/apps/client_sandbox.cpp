#include "tests/apps/client_sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/gbk.h"
#include "common/sha256_digest.h"
#include "tests/support/run_command.h"

namespace apptest {

using testsupport::ShellQuote;

ClientSandbox::ClientSandbox(std::string program) : program_(std::move(program)) {
  namespace fs = std::filesystem;
  fs::copy_file(fs::path(testsupport::BinDir()) / "upgrade_testable", dir_.path() / program_);
  for (const char* sub : {"run", "tmp", "home"}) fs::create_directories(dir_.path() / sub);
  // A runtime folder others may enter draws a warning from Qt.
  fs::permissions(dir_.path() / "run", fs::perms::owner_all);
}

void ClientSandbox::WriteArchive(const std::vector<std::pair<std::string, std::string>>& utf8Members,
                                 std::string name) {
  if (name.empty()) name = program_ + ".bin";
  std::string cmd = std::string(testsupport::kPython) + " " +
                    ShellQuote(testsupport::SupportDir() + "/make_zip.py") + " " +
                    ShellQuote(dir_.file(name));
  int i = 0;
  for (const auto& [member, text] : utf8Members) {
    std::string src = dir_.write("members/" + std::to_string(i++), common::Utf8ToGbk(text));
    cmd += " " + ShellQuote(member) + " " + ShellQuote(src);
  }
  ASSERT_EQ(testsupport::RunCommand(cmd).exitCode, 0) << cmd;
}

std::string ClientSandbox::Command(const std::string& args, const std::string& answers,
                                   bool realBoxes) const {
  std::string prompts = realBoxes ? "" : " UPGRADE_PROMPT_LOG=" + ShellQuote(dir_.file("boxes.txt")) +
                                             " UPGRADE_PROMPT_ANSWERS=" + ShellQuote(answers);
  const std::string platform =
      display_.empty() ? "QT_QPA_PLATFORM=offscreen"
                       : "QT_QPA_PLATFORM=xcb DISPLAY=" + ShellQuote(display_) +
                             " DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent";
  return "cd " + ShellQuote(Folder()) + (realBoxes ? " && exec" : " &&") + " env " + platform +
         " XDG_RUNTIME_DIR=" + ShellQuote(dir_.file("run")) +
         " TMPDIR=" + ShellQuote(dir_.file("tmp")) + " HOME=" + ShellQuote(dir_.file("home")) +
         prompts + " ./" + program_ + (args.empty() ? "" : " " + args) + " </dev/null";
}

ClientRun ClientSandbox::Run(const std::string& args, const std::string& answers) const {
  ClientRun run;
  auto start = std::chrono::steady_clock::now();
  run.exitCode = testsupport::RunCommand(Command(args, answers)).exitCode;
  run.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  return run;
}

bool ClientSandbox::LogExists() const { return std::filesystem::exists(dir_.path() / (program_ + ".log")); }

namespace {

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) {
      ADD_FAILURE() << "log line without CR LF: " << text.substr(pos);
      break;
    }
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

}  // namespace

std::vector<std::string> ClientSandbox::LogTexts() const {
  std::vector<std::string> texts;
  for (const std::string& line : SplitCrLf(testsupport::TempDir::read(dir_.path() / (program_ + ".log")))) {
    EXPECT_GE(line.size(), 12u);
    EXPECT_EQ(line.substr(8, 4), "    ") << line;
    texts.push_back(common::GbkToUtf8(line.substr(std::min<size_t>(12, line.size()))));
  }
  return texts;
}

std::vector<std::string> ClientSandbox::LogStamps() const {
  std::vector<std::string> stamps;
  for (const std::string& line : SplitCrLf(testsupport::TempDir::read(dir_.path() / (program_ + ".log")))) {
    stamps.push_back(line.substr(0, 8));
  }
  return stamps;
}

std::vector<std::string> ClientSandbox::Boxes() const {
  std::vector<std::string> boxes;
  std::string text = testsupport::TempDir::read(dir_.path() / "boxes.txt");
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    boxes.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return boxes;
}

std::string ClientSandbox::LockFile() const {
  std::string name = Folder() + "/" + program_;
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  return dir_.file("run") + "/" + name + ".lock";
}

std::vector<std::string> BannerLines(const ClientSandbox& box, const std::string& archive) {
  const std::string folder = box.Folder();
  const std::string rule = "≡≡≡≡≡≡≡≡≡≡≡";
  std::string parent = folder.substr(0, folder.rfind('/'));
  if (parent.empty()) parent = folder;
  return {std::string(59, '*'),
          "********",
          "********      upgrade（版本：V4.0）",
          std::string(52, '*'),
          std::string(59, '*'),
          "*",
          "*",
          "*",
          rule + "【获取目录常量值】" + rule,
          "{appdriver} = ",
          "{parent} = " + parent,
          "{win} = /etc",
          "{sys} = /usr/lib",
          "{temp} = " + folder + "/tmp",
          "{pf} = /opt",
          "{font} = " + folder + "/home/.local/share/fonts",
          "{mydoc} = " + folder + "/home/Documents",
          "{desktop} = " + folder + "/home/Desktop",
          rule + "【解析客户端配置文件：" + archive + "】" + rule,
          "【system】"};
}

std::string ClientSandbox::WorkFolder() const {
  const std::string path = Folder() + "/" + program_;
  return Folder() + "/tmp/~qirra_tmp/" + program_ + "-" + common::Sha256Hex(path).substr(0, 16);
}

}  // namespace apptest
