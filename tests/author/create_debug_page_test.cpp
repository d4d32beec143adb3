// The create-and-debug page in the real main window offscreen: generation
// on its worker, the debug runner's command line and switches, the client
// started in the output folder (a recording stand-in here), the message log
// fed over the page's host endpoint, and the viewing buttons.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <filesystem>

#include "author/pages/create_debug_page.h"
#include "author/debug/debug_runner.h"
#include "author/debug/gbk_viewer.h"
#include "author/pages/page_set.h"
#include "author/pages/system_items_page.h"
#include "author/pages/url_list_editor.h"
#include "common/gbk.h"
#include "platform/host_channel.h"
#include "tests/author/author_test_support.h"
#include "tests/support/run_command.h"

namespace authortest {
namespace {

namespace fs = std::filesystem;


TEST(DebugRunner, SwitchStringFollowsTheBoxesInOrder) {
  EXPECT_EQ(author::DebugSwitchString("0000", 77), "");
  EXPECT_EQ(author::DebugSwitchString("1111", 77), " /OP:CheckVer /Log /Tray /HWND:77");
  EXPECT_EQ(author::DebugSwitchString("0101", 5), " /Log /HWND:5");
  EXPECT_EQ(author::DebugSwitchString("1x", 5), " /OP:CheckVer");
}

TEST(DebugRunner, MessageLinesWithTheirExplanations) {
  using platform::HostMessage;
  const std::pair<HostMessage, const char*> cases[] = {
      {{2023, 1, 0}, "MSG=WM_USER+999;  WPARAM=1;  说明：升级成功"},
      {{2023, -1, 0}, "MSG=WM_USER+999;  WPARAM=-1;  说明：升级失败或没有完成升级过程"},
      {{2023, 2, 0}, "MSG=WM_USER+999;  WPARAM=2;  说明：没有发现新版本"},
      {{2023, 3, 0}, "MSG=WM_USER+999;  WPARAM=3;  说明：发现新版本"},
      {{2023, -3, 0}, "MSG=WM_USER+999;  WPARAM=-3;  "},
      {{2022, 200, 150}, "MSG=WM_USER+998;  WPARAM=200;  LPARAM=150;  说明：总进度（相对值）"},
      {{2021, 100, 42}, "MSG=WM_USER+997;  WPARAM=100;  LPARAM=42;  说明：单个文件进度（相对值）"},
      {{2020, 5000000000, 7}, "MSG=WM_USER+996;  WPARAM=5000000000;  LPARAM=7;  说明：单个文件进度"},
      {{2019, 1, 1}, ""},
  };
  for (const auto& [message, text] : cases) {
    EXPECT_EQ(common::GbkToUtf8(author::HostMessageLine(message)), text);
  }
  std::string line = author::TimedLogLine(0, "x");
  ASSERT_EQ(line.size(), 15u);
  EXPECT_EQ(line.substr(2, 1) + line.substr(5, 1), "::");
  EXPECT_EQ(line.substr(8), "    x\r\n");
}

TEST(DebugRunner, VersionIsReadFromTheClientProgramFile) {
  EXPECT_EQ(author::ProgramFileVersion(testsupport::BinDir() + "/upgrade"),
            std::to_string(UPGRADE_TEST_VERSION_MAJOR) + "." + std::to_string(UPGRADE_TEST_VERSION_MINOR));
  testsupport::TempDir dir;
  EXPECT_EQ(author::ProgramFileVersion(dir.write("update", "#!/bin/sh\n")), "");
  EXPECT_EQ(author::ProgramFileVersion(dir.file("missing")), "");
}

class CreateDebugPage : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    window = tool.Start();
    tool.NewProject(*window, "demo", tool.Folder() + "/projects");
    page = static_cast<author::CreateDebugPage*>(window->Page(author::kCreatePage));
    output = tool.Folder() + "/projects/demo/output/";
    fs::copy(testsupport::BinDir() + "/pics", tool.Folder() + "/pics", fs::copy_options::recursive);
  }
  // A stand-in client: records its folder and arguments, writes a log.
  void InstallRecorder() {
    fs::create_directories(output);
    const std::string script = output + "update";
    WriteGbk(script, "#!/bin/sh\npwd > args.txt\necho \"$@\" >> args.txt\necho run > update.log\n");
    fs::permissions(script, fs::perms::owner_all);
  }
  QCheckBox* Box(const char* name) { return page->findChild<QCheckBox*>(name); }

  ToolFixture tool;
  std::unique_ptr<author::MainWindow> window;
  author::CreateDebugPage* page = nullptr;
  std::string output;
};

TEST_F(CreateDebugPage, StartsTheClientInTheOutputFolderWithTheSwitches) {
  page->StartClient();
  ASSERT_EQ(tool.dialogs.messages.size(), 1u);
  EXPECT_EQ(tool.dialogs.messages[0], "找不到程序：" + output + "update");

  InstallRecorder();
  WriteGbk(output + "update.log", "old run\r\n");
  page->StartClient();
  ASSERT_TRUE(WaitFor([&] { return fs::exists(output + "update.log"); }, 5000));
  ASSERT_TRUE(WaitFor([&] { return ReadUtf8(output + "args.txt").find('\n', ReadUtf8(output + "args.txt").find('\n') + 1) != std::string::npos; }, 5000));
  EXPECT_EQ(ReadUtf8(output + "args.txt"), output.substr(0, output.size() - 1) + "\n/Ad:debug\n");
  // The recorder writes its log last: wait for it rather than race it.
  WaitFor([&] { return ReadUtf8(output + "update.log") == "run\n"; }, 5000);
  EXPECT_EQ(ReadUtf8(output + "update.log"), "run\n") << "the old log went first";

  for (const char* name : {"switchCheckVer", "switchLog", "switchTray", "switchHostMessages"}) Box(name)->click();
  EXPECT_EQ(page->DebugSwitches(), "1111");
  const std::string hwnd = " /HWND:" + std::to_string(page->Endpoint());
  EXPECT_NE(page->Endpoint(), 0);
  EXPECT_EQ(page->findChild<QLineEdit*>("commandLine")->text().toStdString(),
            output + "update /OP:CheckVer /Log /Tray" + hwnd);
  fs::remove(output + "args.txt");
  page->StartClient();
  ASSERT_TRUE(WaitFor([&] { return ReadUtf8(output + "args.txt").find("debug") != std::string::npos; }, 5000));
  EXPECT_NE(ReadUtf8(output + "args.txt").find("/OP:CheckVer /Log /Tray" + hwnd + " /Ad:debug"), std::string::npos);

  // The output folder edit rebuilds the command line.
  auto* edit = page->findChild<QLineEdit*>("outputFolder");
  edit->setText(QString::fromStdString(tool.Folder() + "/elsewhere/"));
  emit edit->textEdited(edit->text());
  EXPECT_EQ(page->CommandLine(), tool.Folder() + "/elsewhere/update /OP:CheckVer /Log /Tray" + hwnd);
}

TEST_F(CreateDebugPage, MessagesToTheEndpointAppendTimedLines) {
  ASSERT_NE(page->Endpoint(), 0);
  platform::SendHostMessage(page->Endpoint(), {2023, 3, 0});
  platform::SendHostMessage(page->Endpoint(), {2021, 100, 50});
  platform::SendHostMessage(page->Endpoint(), {2023, -3, 0});
  ASSERT_TRUE(WaitFor([&] { return page->MessageLog().count('\n') >= 2; }, 5000));
  QStringList lines = page->MessageLog().split('\n');
  ASSERT_EQ(lines.size(), 3);
  EXPECT_TRUE(lines[0].endsWith(QString::fromUtf8("    MSG=WM_USER+999;  WPARAM=3;  说明：发现新版本")));
  EXPECT_TRUE(lines[1].endsWith(QString::fromUtf8("说明：单个文件进度（相对值）")));
  EXPECT_TRUE(lines[2].endsWith(QString::fromUtf8("WPARAM=-3;  "))) << lines[2].toStdString();
  EXPECT_EQ(lines[0].indexOf(':'), 2);
}

TEST_F(CreateDebugPage, GeneratesOnItsWorkerAndTheViewersShowWhatExists) {
  // No server location: the box, and the button comes back.
  auto* create = page->findChild<QPushButton*>("createPackage");
  create->click();
  EXPECT_FALSE(create->isEnabled());
  ASSERT_TRUE(WaitFor([&] { return create->isEnabled(); }, 10000));
  ASSERT_EQ(tool.dialogs.messages.size(), 1u);
  EXPECT_EQ(tool.dialogs.messages[0], "没有设置服务器端配置文件url，或是设置错误！");

  // A server location in the system items page; packed mode chosen.
  auto* system = static_cast<author::SystemItemsPage*>(window->Page(author::kSystemPage));
  author::UrlEditorState urls;
  urls.urls = "url0=http://127.0.0.1/cfg/s.ini";
  system->Urls()->SetState(urls);
  system->SetModified();
  page->findChild<QRadioButton*>("packedMode")->click();
  const std::string project = tool.Folder() + "/projects/demo/demo.epj";
  create->click();
  ASSERT_TRUE(WaitFor([&] { return create->isEnabled(); }, 10000));
  EXPECT_EQ(tool.dialogs.messages.size(), 1u);
  EXPECT_TRUE(fs::exists(output + "update.bin"));
  EXPECT_TRUE(fs::exists(output + "s.ini"));
  EXPECT_NE(page->findChild<QLabel*>("createStatus")->text().toStdString().find("完成创建！"), std::string::npos);
  EXPECT_NE(ReadUtf8(project).find("local_cfgout=1"), std::string::npos) << "the project was saved first";
  // Signing wrote the product id into the project; a later edit and save
  // of the open project keeps it (clients are bound to it).
  const std::string productLine = ReadUtf8(project).substr(ReadUtf8(project).find("product_id="), 43);
  ASSERT_EQ(productLine.size(), 43u);
  page->findChild<QRadioButton*>("textMode")->click();
  QApplication::processEvents();  // the model takes the page's keys
  WaitFor([] { return false; }, 300);
  ASSERT_TRUE(window->SaveProject());
  EXPECT_NE(ReadUtf8(project).find(productLine), std::string::npos);
  page->findChild<QRadioButton*>("packedMode")->click();

  page->ShowClientConfig();
  EXPECT_EQ(tool.dialogs.messages.back(), "不存在文件：" + output + "update.dat\n请选择文本方式创建配置文件！");
  page->ShowLog();
  EXPECT_EQ(tool.dialogs.messages.back(), "不存在文件：" + output + "update.log");
  const size_t shown = tool.dialogs.messages.size();
  page->ShowServerConfig();
  EXPECT_EQ(tool.dialogs.messages.size(), shown);
  auto* viewer = page->findChild<author::GbkViewer*>();
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(viewer->Text().contains(QString::fromUtf8("发现新版本，现在升级吗？")));
  viewer->close();
}

// The key buttons: a change keeps the old public key as the second one until
// it is finished; a new pair after a refused question changes nothing.
TEST_F(CreateDebugPage, KeyButtonsStartAndFinishAChangeAndAskBeforeReplacingAKey) {
  auto* shown = page->findChild<QLineEdit*>("publicKey");
  auto* second = page->findChild<QLineEdit*>("oldPublicKey");
  auto* change = page->findChild<QPushButton*>("changeKey");
  const QString first = shown->text();
  ASSERT_EQ(first.size(), 44);
  EXPECT_TRUE(second->text().isEmpty());

  change->click();
  EXPECT_EQ(second->text(), first);
  EXPECT_NE(shown->text(), first);
  const QString next = shown->text();
  EXPECT_EQ(change->text(), QStringLiteral("完成密钥更换"));
  tool.dialogs.answers = {true};
  change->click();
  EXPECT_TRUE(second->text().isEmpty());
  EXPECT_EQ(shown->text(), next);

  tool.dialogs.answers = {false};
  page->findChild<QPushButton*>("newKeyPair")->click();
  EXPECT_EQ(shown->text(), next);
  tool.dialogs.answers = {true};
  page->findChild<QPushButton*>("newKeyPair")->click();
  EXPECT_NE(shown->text(), next);
  EXPECT_EQ(tool.dialogs.questions.size(), 3u);
  EXPECT_TRUE(tool.dialogs.messages.empty());
}

TEST(GbkViewer, OpensInsideTheScreenWhereverItsParentIs) {
  EnsureApplication();
  testsupport::TempDir dir{"viewer-test-"};
  const std::string file = dir.write("update.log", common::Gbk("升级完成\r\n"));
  const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
  for (const QPoint at : {QPoint(5000, 5000), QPoint(-3000, 10), QPoint(available.center())}) {
    QWidget parent;
    parent.setGeometry(QRect(at, QSize(300, 200)));
    parent.show();
    author::GbkViewer* viewer = author::ShowGbkFile(common::Utf8ToGbk(file), &parent);
    EXPECT_TRUE(available.contains(viewer->geometry())) << at.x() << "," << at.y();
    EXPECT_EQ(viewer->Text(), QString::fromUtf8("升级完成\r\n").replace("\r\n", "\n"));
    viewer->close();
  }
}

}  // namespace
}  // namespace authortest
