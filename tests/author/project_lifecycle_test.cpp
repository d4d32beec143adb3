// The project lifecycle through the real main window, offscreen: new, open,
// the recent list in status.cfg, save as, close and restart.

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTabBar>
#include <algorithm>
#include <filesystem>

#include "author/pages/item_slots_page.h"
#include "author/new_project_dialog.h"
#include "author/project/project_file.h"
#include "author/pages/system_items_page.h"
#include "author/pages/url_list_editor.h"
#include "common/gbk.h"
#include "tests/author/author_test_support.h"

namespace authortest {
namespace {

namespace fs = std::filesystem;
using author::MainWindow;

// The stored form of a native path.
std::string Stored(const std::string& native) { return common::GbkReplaceChar(native, '/', '\\'); }

TEST(NewProject, RefusesBadNamesAndPathsThenCreatesTheExactFile) {
  ToolFixture tool;
  auto window = tool.Start();
  const std::string base = tool.Folder() + "/projects";
  tool.dialogs.dialogScript = [&](QDialog& d) {
    auto* name = d.findChild<QLineEdit*>("projectName");
    auto* path = d.findChild<QLineEdit*>("savePath");
    auto& dialog = static_cast<author::NewProjectDialog&>(d);
    path->setText(QString::fromStdString(base));
    for (const char* bad : {"", "a\\b", "a/b"}) {
      name->setText(bad);
      EXPECT_FALSE(dialog.Create()) << bad;
    }
    name->setText(QString::fromUtf8("演示"));
    path->setText("   ");
    EXPECT_FALSE(dialog.Create());
    path->setText(QString::fromStdString("  " + base + "  "));
    EXPECT_TRUE(dialog.Create());
  };
  window->NewProject();
  const std::string nameMsg = "工程名称不能为空，不能含有不支持的字符！";
  EXPECT_EQ(tool.dialogs.messages,
            (std::vector<std::string>{nameMsg, nameMsg, nameMsg, "存放路径不能为空！"}));
  const std::string file = base + "/演示/演示.epj";
  EXPECT_EQ(ReadUtf8(file), "[project]\r\nname=演示");
  EXPECT_EQ(window->Project().path, Stored(common::Utf8ToGbk(file)));
  EXPECT_EQ(window->Project().folder, Stored(common::Utf8ToGbk(base + "/演示/")));
  EXPECT_EQ(window->windowTitle(), MainWindow::ProductTitle() + QString::fromUtf8(" - 演示"));
  // A new project counts as modified: every page was reset.
  EXPECT_TRUE(window->Action(MainWindow::kSave)->isEnabled());
  EXPECT_FALSE(window->Action(MainWindow::kNew)->isEnabled());
  EXPECT_EQ(window->Project().outputFolder, window->Project().folder + "output\\");
}

TEST(NewProject, OverAnExistingFolderEmptiesItOnlyAfterYes) {
  ToolFixture tool;
  auto window = tool.Start();
  const std::string folder = tool.Folder() + "/p/demo";
  tool.dir.write("p/demo/old.txt", "x");
  tool.dir.write("p/demo/sub/deep/old.bin", "y");
  tool.dialogs.answers = {false};
  tool.NewProject(*window, "demo", tool.Folder() + "/p/");
  EXPECT_FALSE(window->Project().IsOpen());
  EXPECT_TRUE(fs::exists(folder + "/old.txt"));
  ASSERT_EQ(tool.dialogs.questions.size(), 1u);
  EXPECT_EQ(tool.dialogs.questions[0],
            folder + "已经存在，是否覆盖？\n（注：覆盖将会清空该文件夹内的所有内容！）");

  tool.dialogs.answers = {true};
  tool.NewProject(*window, "demo", tool.Folder() + "/p/");
  EXPECT_TRUE(window->Project().IsOpen());
  std::vector<std::string> left;
  for (const auto& e : fs::recursive_directory_iterator(folder)) left.push_back(e.path().filename().string());
  // The new project and its signing key, nothing of what was there.
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"demo.epj", "demo.epj.private-signing-key"}));
}

TEST(OpenProject, TheNameComesFromTheFileNameNeverFromTheNameKey) {
  ToolFixture tool;
  WriteGbk(tool.Folder() + "/x/renamed.epj", "[project]\r\nname=original\r\n");
  auto window = tool.Start();
  tool.dialogs.paths = {tool.Folder() + "/x/renamed.epj"};
  window->OpenProject();  // empty recent list: straight to the file dialog
  EXPECT_EQ(tool.dialogs.filters, std::vector<std::string>{"工程文件(*.prj;*.epj)|*.prj;*.epj||"});
  EXPECT_EQ(window->Project().name, "renamed");
  EXPECT_EQ(window->windowTitle(), MainWindow::ProductTitle() + " - renamed");
  EXPECT_FALSE(window->Action(MainWindow::kSave)->isEnabled());
  EXPECT_TRUE(window->Action(MainWindow::kClose)->isEnabled());
}

TEST(RecentProjects, ReopeningMovesToTheFrontAndTheEleventhPushesOutTheOldest) {
  ToolFixture tool;
  std::vector<std::string> files;
  for (int i = 0; i < 11; ++i) {
    files.push_back(tool.Folder() + "/p" + std::to_string(i) + "/p" + std::to_string(i) + ".epj");
    WriteGbk(files.back(), "[project]\r\n");
  }
  auto window = tool.Start();
  auto open = [&](int i) {
    tool.dialogs.menuChoices = {0};  // "打开工程... (&O)"
    tool.dialogs.paths = {files[i]};
    window->OpenProject();
    window->CloseProject();
  };
  open(0);
  open(1);
  open(2);
  // The same path again: moved, not doubled.
  tool.dialogs.menuChoices = {4};  // menu: open..., separator, p2, p1, p0
  window->OpenProject();
  EXPECT_EQ(tool.dialogs.menus.back(),
            (std::vector<std::string>{"打开工程... (&O)", "", files[2], files[1], files[0]}));
  EXPECT_EQ(window->Project().name, "p0");
  window->CloseProject();
  EXPECT_EQ(window->Recent().Paths(),
            (std::vector<std::string>{Stored(files[0]), Stored(files[2]), Stored(files[1])}));

  for (int i = 3; i < 11; ++i) open(i);
  ASSERT_EQ(window->Recent().Paths().size(), 10u);
  EXPECT_EQ(window->Recent().Paths().front(), Stored(files[10]));
  EXPECT_EQ(window->Recent().Paths().back(), Stored(files[2]));  // p1 was the oldest

  // A recent entry that has gone away.
  fs::remove(files[10]);
  tool.dialogs.menuChoices = {2};
  window->OpenProject();
  EXPECT_EQ(tool.dialogs.messages.back(), "文件：" + files[10] + "不存在！");
  EXPECT_FALSE(window->Project().IsOpen());
}

TEST(RecentProjects, ExitWithAProjectOpenReopensItOnItsTabAtTheNextStart) {
  ToolFixture tool;
  const std::string file = tool.Folder() + "/p/demo.epj";
  WriteGbk(file, "[project]\r\n");
  {
    auto window = tool.Start();
    tool.dialogs.paths = {file};
    window->OpenProject();
    window->SelectTab(author::kDirPage);
    window->close();
  }
  const std::string status = ReadUtf8(tool.Folder() + "/system/status.cfg");
  EXPECT_EQ(status, "//Created by Quillmate\r\n[prj]\r\nname0=" + Stored(file) + "\r\nhave_prj=1\r\ncursel=2\r\n");
  {
    auto window = tool.Start();
    EXPECT_EQ(window->Project().name, "demo");
    EXPECT_EQ(window->CurrentTab(), author::kDirPage);
    window->CloseProject();  // "关闭": the project was open when status.cfg was written
  }
  auto window = tool.Start();
  EXPECT_EQ(window->Project().name, "demo");
  window->CloseProject();
  window->close();  // exit without a project
  auto last = tool.Start();
  EXPECT_FALSE(last->Project().IsOpen());
  EXPECT_EQ(last->Recent().Paths().size(), 1u);
}

TEST(RecentProjects, AFileArgumentOpensWithoutReadingTheList) {
  ToolFixture tool;
  const std::string file = tool.Folder() + "/p/arg.epj";
  WriteGbk(file, "[project]\r\n");
  auto window = tool.Start(QString::fromStdString(file));
  EXPECT_EQ(window->Project().name, "arg");
  EXPECT_TRUE(window->Recent().Paths().empty());
}

TEST(SaveAndClose, SaveAsOfAnUnmodifiedProjectWritesEveryPagesKeys) {
  ToolFixture tool;
  const std::string file = tool.Folder() + "/p/demo.epj";
  WriteGbk(file, "[project]\r\nname=demo\r\n[file3]\r\nurls=url0=http://h/a.exe\r\nfile_ver=1.2\r\n");
  auto window = tool.Start(QString::fromStdString(file));
  ASSERT_FALSE(window->IsModified());
  const std::string copy = tool.Folder() + "/q/copy.epj";
  tool.dialogs.paths = {copy};
  window->SaveProjectAs();
  EXPECT_EQ(tool.dialogs.filters.back(), "工程文件(*.epj)|*.epj||");
  EXPECT_EQ(window->Project().name, "copy");
  author::ProjectFile saved(Stored(copy));
  ASSERT_TRUE(saved.Read());
  EXPECT_EQ(saved.GetString("project", "output_path", "?"), Stored(tool.Folder() + "/p/output/"));
  EXPECT_EQ(saved.GetString("project", "param_val", "?"), "0000");
  EXPECT_EQ(saved.GetString("system", "username", "?"), "anonymous");
  EXPECT_EQ(saved.GetString("UI", "start_win_msg", "?"), common::Gbk("发现新版本，现在升级吗？"));
  EXPECT_EQ(saved.GetString("file3", "urls", "?"), "url0=http://h/a.exe");
  EXPECT_EQ(saved.GetString("file3", "file_ver", "?"), "1.2");
  EXPECT_EQ(saved.GetString("file19", "username", "?"), "anonymous");
  EXPECT_EQ(saved.GetString("dir9", "protocol", "?"), "0");
  EXPECT_EQ(saved.GetString("project", "name", "?"), "?");
  EXPECT_EQ(window->Recent().Paths().front(), Stored(copy));

  // Overwriting refused: nothing written and the project stays where it was.
  const std::string other = tool.Folder() + "/q/other.epj";
  WriteGbk(other, "[project]\r\nname=other\r\n");
  tool.dialogs.paths = {other};
  tool.dialogs.answers = {false};
  window->SaveProjectAs();
  EXPECT_EQ(tool.dialogs.questions.back(), "文件：" + other + "已经存在，是否覆盖？");
  EXPECT_EQ(ReadUtf8(other), "[project]\r\nname=other\r\n");
  EXPECT_EQ(window->Project().name, "copy");
}

TEST(SaveAndClose, ClosingAsksOnlyWhenModifiedAndYesSaves) {
  ToolFixture tool;
  const std::string file = tool.Folder() + "/p/demo.epj";
  WriteGbk(file, "[project]\r\nname=demo\r\n");
  auto window = tool.Start(QString::fromStdString(file));
  window->CloseProject();
  EXPECT_TRUE(tool.dialogs.questions.empty());
  EXPECT_FALSE(window->Project().IsOpen());
  EXPECT_EQ(window->windowTitle(), MainWindow::ProductTitle());

  window->DropFile(QString::fromStdString(file));
  ASSERT_EQ(window->Project().name, "demo");
  auto* page = static_cast<author::SystemItemsPage*>(window->Page(author::kSystemPage));
  page->findChild<QLineEdit*>("urlAddress")->setText("h/srv.ini");
  page->Urls()->Add();  // an edit operation marks the page
  QApplication::processEvents();  // the queued toolbar re-evaluation
  EXPECT_TRUE(window->Action(MainWindow::kSave)->isEnabled());
  tool.dialogs.saveChoices = {author::Dialogs::SaveChoice::Save};
  window->CloseProject();
  EXPECT_EQ(tool.dialogs.questions, std::vector<std::string>{"将改动保存到工程文件吗？"});
  author::ProjectFile saved(Stored(file));
  ASSERT_TRUE(saved.Read());
  EXPECT_EQ(saved.GetString("system", "urls", ""), "url0=http://h/srv.ini");
  // Only the modified page wrote its keys.
  EXPECT_EQ(saved.GetString("file0", "username", "?"), "?");
}

TEST(MainWindowFrame, TabsToolbarAndEscape) {
  ToolFixture tool;
  auto window = tool.Start();
  auto* tabs = window->findChild<QTabBar*>("pageTabs");
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(tabs->count(), 5);
  EXPECT_EQ(tabs->tabText(4), QString::fromUtf8("创建与调试"));
  EXPECT_EQ(tabs->tabToolTip(4), QString::fromUtf8("创建配置"));
  EXPECT_EQ(tabs->tabToolTip(0), QString::fromUtf8("系统项设置"));
  EXPECT_EQ(tabs->tabRect(0).height(), 30);
  EXPECT_EQ(window->Action(MainWindow::kHelp)->toolTip(), QString::fromUtf8("在线帮助"));
  // No project: no page, only "新建", "打开", "帮助" and "退出".
  auto* stack = window->findChild<QStackedWidget*>("pageStack");
  EXPECT_EQ(stack->currentWidget()->objectName(), "noProject");
  std::vector<bool> enabled;
  for (int b = 0; b < MainWindow::kButtonCount; ++b) enabled.push_back(window->Action(MainWindow::Button(b))->isEnabled());
  EXPECT_EQ(enabled, (std::vector<bool>{true, true, false, false, false, true, true}));
  window->show();
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &escape);
  EXPECT_TRUE(window->isVisible());
  window->hide();
}

}  // namespace
}  // namespace authortest
