#include <gtest/gtest.h>

#include "client/session/client_app.h"
#include "client/session/scripted_prompter.h"
#include "client/ui/client_windows.h"
#include "client/ui/skin_bitmap.h"
#include "client/ui/start_window.h"
#include "codecs/bmp_writer.h"
#include "common/gbk.h"
#include "tests/client/ui/qt_test_app.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::ShellQuote;

// The client windows over a run whose program sits in a temporary folder
// beside its configuration archive (made with Python's zipfile).
class ClientWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    app.UseModulePath(dir.file("upgrade"));
  }

  void WriteArchive(const std::vector<std::pair<std::string, std::string>>& members) {
    std::string cmd = std::string(testsupport::kPython) + " " +
                      ShellQuote(testsupport::SupportDir() + "/make_zip.py") + " " +
                      ShellQuote(dir.file("upgrade.bin"));
    int i = 0;
    for (const auto& [name, bytes] : members) {
      cmd += " " + ShellQuote(name) + " " + ShellQuote(dir.write("m/" + std::to_string(i++), bytes));
    }
    ASSERT_EQ(testsupport::RunCommand(cmd).exitCode, 0);
  }

  static std::string RedBmp() {
    codecs::Bitmap bitmap;
    bitmap.width = 4;
    bitmap.height = 2;
    bitmap.pixels.assign(8, 0xFFFF0000u);
    return codecs::EncodeBmp(bitmap);
  }

  testsupport::TempDir dir;
  session::ScriptedPrompter prompter{"yes,no"};
  session::ClientApp app{prompter, ""};
  ui::ClientWindows windows{app};
};

TEST_F(ClientWindowsTest, SkinAndItsPicturesComeFromTheConfigurationArchive) {
  WriteArchive({{"pre.dat", "[pre]\r\n"},
                {"ui.dat", common::Utf8ToGbk("[UI]\r\ntitle=演示\r\n[win2]\r\nattr=show=1;;rect=0,0,320,200\r\n")},
                {"res\\red.bmp", RedBmp()}});
  ASSERT_TRUE(windows.LoadSkin());
  EXPECT_EQ(common::GbkToUtf8(windows.Skin().title), "演示");
  EXPECT_EQ(windows.Skin().pages[2].rect, (formats::SkinRect{0, 0, 320, 200}));
  EXPECT_TRUE(prompter.Shown().empty());

  ui::PageContext context = windows.MakePageContext();
  const QImage red = context.loadPicture("res\\red.bmp");
  ASSERT_EQ(red.size(), QSize(4, 2));
  EXPECT_EQ(red.pixelColor(3, 1), QColor(255, 0, 0));
  EXPECT_TRUE(context.loadPicture("res\\missing.bmp").isNull());
}

TEST_F(ClientWindowsTest, ArchiveWithoutSkinFailsWithTheInformationBox) {
  WriteArchive({{"pre.dat", "[pre]\r\n"}});
  EXPECT_FALSE(windows.LoadSkin());
  ASSERT_EQ(prompter.Shown().size(), 1u);
  EXPECT_EQ(common::GbkToUtf8(prompter.Shown()[0].text), "\n错误：界面配置解析错误！\n");

  // Silent: the same failure without a box.
  app.SetShowType(2);
  EXPECT_FALSE(windows.LoadSkin());
  EXPECT_EQ(prompter.Shown().size(), 1u);
}

TEST_F(ClientWindowsTest, PageBoxesGoThroughTheRunsPrompter) {
  ui::PageContext context = windows.MakePageContext();
  ASSERT_EQ(context.prompter, &prompter);
  ui::StartWindow page(context, nullptr);
  EXPECT_TRUE(page.ConfirmCancel());   // "yes"
  EXPECT_FALSE(page.ConfirmCancel());  // "no"
  ASSERT_EQ(prompter.Shown().size(), 2u);
  const session::BoxRequest& box = prompter.Shown()[0];
  EXPECT_EQ(common::GbkToUtf8(box.caption), "信息提示");
  EXPECT_EQ(common::GbkToUtf8(box.text), "你想取消这次升级吗？");
  EXPECT_EQ(box.buttons, session::BoxButtons::YesNo);
  EXPECT_EQ(box.icon, session::BoxIcon::Question);
  EXPECT_TRUE(box.topmost);
}

TEST_F(ClientWindowsTest, StartPageRowsAreTheMarkedItemsFilesFirst) {
  session::FileItem& file = app.Files()[3];
  file.newItem = true;
  file.fileName = "app.exe";
  file.serverVersion = "1.2";
  file.describe = common::Utf8ToGbk("主程序");
  app.Files()[5].fileName = "old.dll";  // not marked
  session::DirItem& folder = app.Dirs()[0];
  folder.newItem = true;
  folder.locations.urls = {"http://mirror/data/plugins", "http://other/plugins"};
  folder.serverVersion = "2.0";
  app.SetMode(session::RunMode::CheckVer);
  app.SetShowType(1);

  ui::PageContext context = windows.MakePageContext();
  ASSERT_EQ(context.newItems.size(), 2u);
  EXPECT_FALSE(context.newItems[0].isDir);
  EXPECT_EQ(context.newItems[0].name, "app.exe");
  EXPECT_EQ(context.newItems[0].newVersion, "1.2");
  EXPECT_EQ(context.newItems[0].description, common::Utf8ToGbk("主程序"));
  EXPECT_TRUE(context.newItems[1].isDir);
  EXPECT_EQ(context.newItems[1].firstUrl, "http://mirror/data/plugins");
  EXPECT_EQ(context.runMode, session::RunMode::CheckVer);
  // The show type is read when asked: the tray can change it during the run.
  EXPECT_EQ(context.ShowType(), 1);
  app.SetShowType(0);
  EXPECT_EQ(context.ShowType(), 0);
}

}  // namespace
