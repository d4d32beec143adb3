#pragma once
// DownloadStageTest: the download page with the real stage, the real worker
// and real HTTP and FTP servers on 127.0.0.1, a host listener and the run's
// log, for the tests of the download stage.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "client/session/client_log.h"
#include "client/session/host_notifier.h"
#include "client/session/run_state.h"
#include "client/download/download_stage.h"
#include "client/stage/transfer_context.h"
#include "client/ui/download_window.h"
#include "common/gbk.h"
#include "formats/default_skin.h"
#include "tests/client/ui/qt_test_app.h"
#include "tests/client/ui/test_prompter.h"
#include "tests/support/host_capture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_servers.h"

namespace download_test {

namespace fs = std::filesystem;


inline constexpr const char* kMd5Alpha = "2c1743a391305fbf367df8e4f069f9f9";
inline constexpr const char* kMd5Bravo = "fd9ab41e47a9ef4f6477a8a000bf404f";
inline constexpr const char* kMd5Program = "c2fda5a16ff2d5073c1c1d8c238a519a";

inline std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
  return s;
}

class DownloadStageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    oldCwd_ = fs::current_path();
    fs::current_path(dir.path());  // the run's log, upgrade.log, lands here
    log.Open();
    fs::create_directories(srv);
    ASSERT_TRUE(http.Start(srv));
    ASSERT_TRUE(ftp.Start(srv));
    host.SetHostWindow(capture.endpoint());
    runner = [this](std::string_view line, bool) {
      hooks.emplace_back(line);
      return std::string("ran ") + std::string(line);
    };
  }
  void TearDown() override {
    log.Close();
    fs::current_path(oldCwd_);
  }

  std::string Put(const std::string& rel, const std::string& bytes) {
    fs::path p = fs::path(srv) / rel;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }
  std::string HttpUrl(const std::string& rel) { return http.BaseUrl() + "/files/" + rel; }
  std::string FtpUrl(const std::string& rel) { return "ftp://127.0.0.1:" + std::to_string(ftp.port()) + "/" + rel; }
  static void AddMirror(formats::UrlList& list, const std::string& url, const std::string& user = "",
                        const std::string& password = "") {
    list.urls.push_back(url);
    list.users.push_back(user);
    list.passwords.push_back(password);
  }
  void AddFtpMirror(formats::UrlList& list, const std::string& rel) { AddMirror(list, FtpUrl(rel), "tester", "secret"); }

  /// Runs the download page with the real stage until its page-done; the
  /// page-done value (0 go on, 1 stop), -1 on time-out. `during` runs once
  /// the page is up and the stage has begun.
  int RunStage(std::function<void(ui::DownloadWindow&)> during = {}) {
    session::RunRefs refs{files, dirs, system, ui, decision, showType, log, host, prompter, runner, nullptr};
    session::RunPlaces places;
    places.runMode = mode;
    places.opMode = opMode;
    places.modulePath = dir.file("app/upgrade");
    places.appFolder = dir.file("app/");
    places.workFolder = work;
    places.archivePath = dir.file("app/upgrade.bin");
    run = std::make_unique<session::RunState>(refs, places);
    skin = formats::DefaultSkin();
    context = {};
    context.skin = &skin;
    context.runMode = mode;
    context.selfUpdate = mode == session::RunMode::SelfUpdate;
    context.showType = [this] { return showType; };
    context.log = [this](std::string_view line) { log.WriteLog(line); };
    context.host = &host;
    context.prompter = &prompter;
    transfer::DownloadOptions options;
    options.engine.ftpTimeoutMs = 5000;
    options.engine.ftpConnectAttempts = 1;
    stage = mode == session::RunMode::SelfUpdate ? transfer::MakeSelfUpdateStage(*run, options)
                                                 : transfer::MakeDownloadStage(*run, options);
    page = std::make_unique<ui::DownloadWindow>(context, &session);
    page->SetStage(stage.get());
    QSignalSpy done(page.get(), &ui::WizardPage::PageDone);
    if (during) during(*page);
    if (!uitest::WaitUntil([&] { return !done.isEmpty(); }, 20000)) return -1;
    return done.takeFirst().at(0).toInt();
  }

  /// The log lines as UTF-8, without their time.
  std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    std::string text = testsupport::TempDir::read(dir.file("upgrade.log"));
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      std::string line = text.substr(start, end - start);
      lines.push_back(common::GbkToUtf8(line.size() > 12 ? line.substr(12) : ""));
    }
    return lines;
  }
  bool Logged(const std::string& utf8) {
    auto lines = LogLines();
    return std::find(lines.begin(), lines.end(), utf8) != lines.end();
  }
  bool LoggedPrefix(const std::string& utf8) {
    for (const auto& l : LogLines())
      if (l.rfind(utf8, 0) == 0) return true;
    return false;
  }
  std::vector<std::pair<int64_t, int64_t>> Host(int message) {
    capture.Settle(300);
    std::vector<std::pair<int64_t, int64_t>> out;
    for (const auto& m : capture.messages())
      if (m.message == message) out.emplace_back(m.wParam, m.lParam);
    return out;
  }
  std::string Work(const std::string& rel) { return testsupport::TempDir::read(work + rel); }

  // The widgets' application comes before the host listener and the widgets.
  bool appReady_ = (uitest::App(), true);
  testsupport::TempDir dir;
  std::string srv = dir.file("srv");
  std::string work = dir.file("work/~qirra_tmp/");
  testsupport::HttpTestServer http;
  testsupport::FtpTestServer ftp;
  testsupport::HostCapture capture;

  session::FileItems files;
  session::DirItems dirs;
  session::SystemSettings system;
  session::UiSettings ui = session::UiSettings::Defaults();
  session::SessionDecision decision;
  int showType = session::kShowNormal;
  session::ClientLog log;
  session::HostNotifier host;
  uitest::TestPrompter prompter;
  session::ProgramRunner runner;
  std::vector<std::string> hooks;
  session::RunMode mode = session::RunMode::Normal;
  int opMode = 1;

  std::unique_ptr<session::RunState> run;
  formats::SkinDescription skin;
  ui::PageContext context;
  std::unique_ptr<transfer::PageStage> stage;
  QWidget session;
  std::unique_ptr<ui::DownloadWindow> page;

 private:
  fs::path oldCwd_;
};

}  // namespace download_test
