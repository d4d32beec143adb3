// The tool's own new-version check with the real client: `upgrade` copied
// as updateApp/update beside a tool folder, its configuration archive
// pointing at a server configuration served from 127.0.0.1.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QEventLoop>
#include <QTimer>
#include <filesystem>

#include "author/version_check.h"
#include "common/gbk.h"
#include "tests/author/author_test_support.h"
#include "tests/support/run_command.h"
#include "tests/support/test_servers.h"

namespace authortest {
namespace {

namespace fs = std::filesystem;
using testsupport::ShellQuote;

class VersionCheck : public ::testing::Test {
 protected:
  void SetUp() override { EnsureApplication(); }

  // The packaged client beside the tool, asking the server for file0 over 1.0.0.
  void InstallClient(const std::string& serverVersion) {
    fs::create_directories(tool.dir.path() / "updateApp");
    fs::copy_file(fs::path(testsupport::BinDir()) / "upgrade", tool.dir.path() / "updateApp/update");
    tool.dir.write("srv/server.ini", "[file0]\r\nver=" + serverVersion + "\r\nurls=url0=http://127.0.0.1/a.exe\r\n");
    testsupport::HttpServerOptions options;
    options.logFile = tool.dir.file("requests.log");
    ASSERT_TRUE(server.Start(tool.Folder() + "/srv", options));
    std::string cmd = std::string(testsupport::kPython) + " " + ShellQuote(testsupport::SupportDir() + "/make_zip.py") +
                      " " + ShellQuote(tool.Folder() + "/updateApp/update.bin");
    const std::pair<const char*, std::string> members[] = {
        {"pre.dat", "[pre]\r\ncloselog=1\r\nclosetray=1\r\n"},
        {"client.dat", "[system]\r\nurls=url0=" + server.BaseUrl() + "/files/server.ini\r\n[file0]\r\nver=1.0.0\r\n"},
        {"ui.dat", "[UI]\r\n"}};
    for (const auto& [name, text] : members) {
      cmd += std::string(" ") + name + " " + ShellQuote(tool.dir.write(std::string("members/") + name, text));
    }
    ASSERT_EQ(testsupport::RunCommand(cmd).exitCode, 0) << cmd;
  }

  // Runs the event loop until the bar shows or ms have passed.
  bool BarShowsWithin(author::NewVersionBar& bar, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms && !bar.isVisibleTo(bar.parentWidget())) {
      QEventLoop loop;
      QTimer::singleShot(50, &loop, &QEventLoop::quit);
      loop.exec();
    }
    return bar.isVisibleTo(bar.parentWidget());
  }

  ToolFixture tool;
  testsupport::HttpTestServer server;
};

TEST_F(VersionCheck, ANewVersionOnTheServerShowsTheBar) {
  InstallClient("1.1.0");
  QWidget window;
  author::NewVersionBar bar(author::ToolFolders::InOneFolder(tool.Folder()), "https://quillmate.example.org/", &window);
  ASSERT_TRUE(bar.StartCheck());
  EXPECT_NE(bar.Endpoint(), 0);
  EXPECT_TRUE(BarShowsWithin(bar, 20000));
  EXPECT_EQ(bar.findChild<QLabel*>("newVersionText")->text(), QString::fromUtf8("发现有新版本的程序或数据！"));
  bar.findChild<QPushButton*>("remindLater")->click();
  EXPECT_FALSE(bar.isVisibleTo(&window));
}

TEST_F(VersionCheck, NoNewVersionKeepsTheBarHidden) {
  InstallClient("1.0.0");
  QWidget window;
  author::NewVersionBar bar(author::ToolFolders::InOneFolder(tool.Folder()), "https://quillmate.example.org/", &window);
  ASSERT_TRUE(bar.StartCheck());
  // The client did ask the server; its answer (code 2) must not show the bar.
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 20000 && testsupport::TempDir::read(tool.dir.file("requests.log")).empty()) {
    BarShowsWithin(bar, 50);
  }
  EXPECT_NE(testsupport::TempDir::read(tool.dir.file("requests.log")).find("/files/server.ini"), std::string::npos);
  EXPECT_FALSE(BarShowsWithin(bar, 1500));
}

TEST_F(VersionCheck, NothingStartsWithoutTheClientOrItsConfiguration) {
  author::NewVersionBar bar(author::ToolFolders::InOneFolder(tool.Folder()), "");
  EXPECT_FALSE(bar.StartCheck());
  fs::create_directories(tool.dir.path() / "updateApp");
  fs::copy_file(fs::path(testsupport::BinDir()) / "upgrade", tool.dir.path() / "updateApp/update");
  EXPECT_FALSE(bar.StartCheck());
  EXPECT_FALSE(bar.isVisibleTo(nullptr));
}

}  // namespace
}  // namespace authortest
