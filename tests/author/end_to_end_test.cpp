// From project to updated application with no hand-made package file: a
// project written through the tool's project model, its package generated
// by the create-and-debug page (and by `quillmate --generate`), the server
// configuration and the item's file served from 127.0.0.1, and the
// packaged client started by the debug runner in the output folder, or
// shipped with its configuration into a separate application folder.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "author/pages/create_debug_page.h"
#include "author/project/item_slot.h"
#include "author/pages/page_set.h"
#include "author/project/project_file.h"
#include "common/gbk.h"
#include "common/md5_digest.h"
#include "common/sha256_digest.h"
#include "formats/config_archive.h"
#include "tests/author/author_test_support.h"
#include "tests/support/host_capture.h"
#include "tests/support/run_command.h"
#include "tests/support/test_servers.h"

namespace authortest {
namespace {

namespace fs = std::filesystem;
using testsupport::ShellQuote;


class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    // The tool as installed: the packaged client (the tests' flavour, whose
    // boxes the test answers) and the built-in skin art.
    fs::create_directories(tool.Folder() + "/updateApp");
    fs::copy_file(testsupport::BinDir() + "/upgrade_testable", tool.Folder() + "/updateApp/update");
    fs::copy(testsupport::BinDir() + "/pics", tool.Folder() + "/pics", fs::copy_options::recursive);
    // The publisher's new file, on the server.
    tool.dir.write("srv/app/readme.txt", "version 1.1\n");
    ASSERT_TRUE(server.Start(tool.Folder() + "/srv"));
    // The client's work folder and boxes stay inside the test's folder.
    fs::create_directories(tool.Folder() + "/tmp");
    setenv("TMPDIR", (tool.Folder() + "/tmp").c_str(), 1);
    setenv("UPGRADE_PROMPT_LOG", (tool.Folder() + "/boxes.txt").c_str(), 1);
    window = tool.Start();
    tool.NewProject(*window, "demo", tool.Folder() + "/projects");
    window->SaveProject();
    project = tool.Folder() + "/projects/demo/demo.epj";
    output = tool.Folder() + "/projects/demo/output/";
  }
  void TearDown() override {
    unsetenv("TMPDIR");
    unsetenv("UPGRADE_PROMPT_LOG");
  }

  // The project's server location and one file item, through the project
  // model: file0 installs app/readme.txt beside the client, 1.0 -> 1.1,
  // silently and without waiting for the user.
  void WriteProject(int configOutput) {
    author::ProjectFile file(author::StoredPath(project));
    file.BeginWrite();
    file.Put("system", "urls", "url0=" + server.BaseUrl() + "/files/s.ini");
    file.PutInt("system", "closelog", 0);
    file.PutInt("project", "local_cfgout", configOutput);
    author::ItemSlot slot;
    // The second location is the publisher's own copy: the generator
    // hashes it for sha256.
    slot.urls = "url0=" + server.BaseUrl() + "/files/app/readme.txt;;url1=file://" + tool.Folder() +
                "/srv/app/readme.txt";
    slot.path = "app\\";
    slot.localVersion = "1.0.0";
    slot.serverVersion = "1.1.0";
    common::Md5Digest md5;
    md5.DigestFile(tool.Folder() + "/srv/app/readme.txt");
    slot.md5 = md5.GetDigest().value_or("");
    slot.showType = 2;
    slot.opMode = 1;
    slot.describe = common::Gbk("说明文件");
    author::WriteItemSlot(file, author::ItemKind::File, 0, slot);
    ASSERT_TRUE(file.Commit());
    window->DropFile(QString::fromStdString(project));
    page = static_cast<author::CreateDebugPage*>(window->Page(author::kCreatePage));
  }

  // "创建升级包" and wait; then the server configuration is published.
  void Generate() {
    auto* create = page->findChild<QPushButton*>("createPackage");
    create->click();
    ASSERT_TRUE(WaitFor([&] { return create->isEnabled(); }, 20000));
    ASSERT_TRUE(tool.dialogs.messages.empty()) << tool.dialogs.messages.front();
    Publish(output);
  }

  // The server configuration and its signature go up together.
  void Publish(const std::string& folder) {
    for (const char* name : {"s.ini", "s.ini.sig"}) {
      fs::copy_file(folder + name, tool.Folder() + "/srv/" + name, fs::copy_options::overwrite_existing);
    }
  }

  // The installed version of file0 in a text or packed configuration.
  static std::string InstalledVersion(const std::string& folder) {
    std::string text = fs::exists(folder + "update.bin")
                           ? formats::ReadArchiveMember(folder + "update.bin", "update.dat").value_or("")
                           : testsupport::TempDir::read(folder + "update.dat");
    size_t at = text.find("[file0]\r\nver=");
    return at == std::string::npos ? "" : text.substr(at + 13, text.find('\r', at + 13) - at - 13);
  }

  ToolFixture tool;
  testsupport::HttpTestServer server;
  std::unique_ptr<author::MainWindow> window;
  author::CreateDebugPage* page = nullptr;
  std::string project;
  std::string output;
};

TEST_F(EndToEnd, TheDebugRunnerWatchesThePackagedClientUpdateInBothModes) {
  for (int mode : {0, 1}) {
    SCOPED_TRACE(mode == 0 ? "text package" : "packed package");
    fs::remove_all(output);
    WriteProject(mode);
    Generate();
    EXPECT_EQ(InstalledVersion(output), "1.0.0");
    for (const char* name : {"switchLog", "switchHostMessages"}) {
      auto* box = page->findChild<QCheckBox*>(name);
      if (!box->isChecked()) box->click();
    }
    page->StartClient();
    ASSERT_TRUE(WaitFor([&] { return page->MessageLog().contains("WPARAM=4;"); }, 60000))
        << page->MessageLog().toStdString() << ReadUtf8(output + "update.log");
    const std::string log = page->MessageLog().toStdString();
    EXPECT_NE(log.find("升级程序版本号："), std::string::npos);
    const size_t found = log.find("WPARAM=3;  说明：发现新版本");
    const size_t progress = log.find("MSG=WM_USER+998;");
    const size_t done = log.find("WPARAM=1;  说明：升级成功");
    ASSERT_NE(found, std::string::npos) << log;
    ASSERT_NE(progress, std::string::npos) << log;
    ASSERT_NE(done, std::string::npos) << log << ReadUtf8(output + "update.log");
    EXPECT_LT(found, progress);
    EXPECT_LT(progress, done);
    EXPECT_LT(done, log.find("WPARAM=4;"));
    EXPECT_EQ(testsupport::TempDir::read(output + "app/readme.txt"), "version 1.1\n");
    EXPECT_EQ(InstalledVersion(output), "1.1.0");
    EXPECT_TRUE(fs::exists(output + "update.log"));
  }
}

TEST_F(EndToEnd, AGeneratedPackageShippedBesideAnApplicationUpdatesIt) {
  WriteProject(1);
  window->SaveProject();
  // The build pipeline's way: the same generator without a window.
  const std::string command = "cd " + ShellQuote(tool.Folder()) + " && " +
                              ShellQuote(testsupport::BinDir() + "/quillmate") + " --generate " +
                              ShellQuote(project) + " --output " + ShellQuote(tool.Folder() + "/pipeline");
  testsupport::CommandResult generated = testsupport::RunCommand(command);
  ASSERT_EQ(generated.exitCode, 0) << generated.output;
  EXPECT_NE(generated.output.find("[11/11]"), std::string::npos) << generated.output;
  EXPECT_NE(generated.output.find("完成创建！"), std::string::npos);
  Publish(tool.Folder() + "/pipeline/");

  // The application as the publisher ships it: its own file, the client,
  // the client's configuration and skin.
  const std::string app = tool.Folder() + "/installed/";
  tool.dir.write("installed/app/readme.txt", "version 1.0\n");
  for (const char* name : {"update", "update.bin", "ui.bin"}) {
    fs::copy(tool.Folder() + "/pipeline/" + name, app + name);
  }
  // Started in the background: the host must read while the client runs,
  // the channel holds only a few messages.
  testsupport::HostCapture host;
  const std::string run =
      "cd " + ShellQuote(app) + " && (./update /HWND:" + std::to_string(host.endpoint()) + " >/dev/null 2>&1 &)";
  ASSERT_EQ(testsupport::RunCommand(run).exitCode, 0);
  std::vector<int64_t> outcomes;
  QElapsedTimer timer;
  timer.start();
  for (size_t seen = 0; (outcomes.empty() || outcomes.back() != 4) && timer.elapsed() < 60000;) {
    host.WaitFor(seen + 1, 500);
    for (; seen < host.messages().size(); ++seen) {
      if (host.messages()[seen].message == 2023) outcomes.push_back(host.messages()[seen].wParam);
    }
  }
  EXPECT_EQ(outcomes, (std::vector<int64_t>{3, 1, 4})) << ReadUtf8(app + "update.log");
  EXPECT_EQ(testsupport::TempDir::read(app + "app/readme.txt"), "version 1.1\n");
  EXPECT_EQ(InstalledVersion(app), "1.1.0");
}

// The new project's package is signed with the key shown on the page; the
// same package with its server configuration edited on the server (a newer
// version and a hook added) is refused, and the hook never runs.
TEST_F(EndToEnd, ASignedPackageIsUpdatedAndItsConfigurationEditedOnTheServerIsRefused) {
  WriteProject(0);
  const std::string shown = page->findChild<QLineEdit*>("publicKey")->text().toStdString();
  EXPECT_EQ(shown.size(), 44u);
  Generate();
  EXPECT_NE(ReadUtf8(output + "update.dat").find("pubkey=" + shown + "\r\n"), std::string::npos);
  EXPECT_NE(ReadUtf8(output + "s.ini").find("sha256=" + common::Sha256Hex("version 1.1\n") + "\r\n"),
            std::string::npos);

  auto runClient = [&](std::vector<int64_t> expected) {
    testsupport::HostCapture host;
    const std::string run = "cd " + ShellQuote(output) + " && ./update /HWND:" + std::to_string(host.endpoint()) +
                            " >/dev/null 2>&1";
    ASSERT_EQ(testsupport::RunCommand(run).exitCode, 0);
    host.Settle(300);
    std::vector<int64_t> outcomes;
    for (const auto& m : host.messages()) {
      if (m.message == 2023) outcomes.push_back(m.wParam);
    }
    EXPECT_EQ(outcomes, expected) << ReadUtf8(output + "update.log");
  };
  runClient({3, 1, 4});
  EXPECT_EQ(testsupport::TempDir::read(output + "app/readme.txt"), "version 1.1\n");

  const std::string marker = tool.Folder() + "/hooked.txt";
  std::string edited = testsupport::TempDir::read(tool.Folder() + "/srv/s.ini");
  const size_t ver = edited.find("ver=1.1.0");
  ASSERT_NE(ver, std::string::npos);
  edited.replace(ver, 9, "ver=1.2.0");
  // The project names no hooks; [system] holds only the signed serial,
  // expiry and product.
  ASSERT_EQ(edited.find("run_after"), std::string::npos);
  const size_t system = edited.find("[system]\r\n");
  ASSERT_NE(system, std::string::npos);
  edited.insert(system + 10, "run_after=/bin/sh -c 'touch " + marker + "'\r\n");
  tool.dir.write("srv/s.ini", edited);
  runClient({-5, 4});
  EXPECT_FALSE(fs::exists(marker));
  EXPECT_EQ(InstalledVersion(output), "1.1.0");
  EXPECT_NE(ReadUtf8(output + "update.log").find("服务器端配置文件签名验证失败：" + server.BaseUrl() + "/files/s.ini"),
            std::string::npos);
}

}  // namespace
}  // namespace authortest
