// The installation stage through the real update page (offscreen): a
// manual session waits on "完成(&O)" and pressing it ends the stage with
// success; the page's status line and bar follow the worker.

#include <gtest/gtest.h>

#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <filesystem>

#include "client/install/update_stage.h"
#include "client/ui/update_window.h"
#include "formats/default_skin.h"
#include "tests/client/install/install_rig.h"
#include "tests/client/ui/qt_test_app.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

TEST(UpdateStagePage, ManualSessionWaitsForFinishAndPressingItReportsSuccess) {
  uitest::App();
  testsupport::TempDir dir;
  install_test::InstallRig rig(dir.path().string());
  rig.WriteArchive("[file0]\r\nver=1.0\r\n");
  install_test::InstallRig::Write(rig.AppFolder() + "app.txt", "old");
  rig.AddFileDownload(0, "app.txt", "new");
  rig.File(0).modifyVer = 1;
  rig.File(0).serverVersion = "1.1";
  rig.SetOpMode(0);  // manual
  rig.SetShowType(session::kShowNormal);
  session::RunState& run = rig.Run();

  formats::SkinDescription skin = formats::DefaultSkin();
  int showType = session::kShowNormal;
  ui::PageContext context;
  context.skin = &skin;
  context.showType = [&] { return showType; };
  context.log = [&](std::string_view line) { run.WriteLog(line); };
  context.host = &rig.Host();
  context.prompter = &rig.Prompter();
  transfer::UpdateTimings quick;
  quick.settle = std::chrono::milliseconds(0);
  transfer::UpdateStage stage(run, "", nullptr, quick);
  QWidget session;
  session.resize(600, 400);
  session.show();
  ui::UpdateWindow page(context, &session);
  page.SetStage(&stage);
  page.show();
  QSignalSpy done(&page, &ui::WizardPage::PageDone);

  auto* finish = page.findChild<QPushButton*>("1020");
  ASSERT_NE(finish, nullptr);
  ASSERT_TRUE(uitest::WaitUntil([&] { return finish->isEnabled(); }, 10000));
  EXPECT_EQ(finish->text(), QStringLiteral("完成(&O)"));
  EXPECT_TRUE(done.isEmpty());  // waiting for the user
  EXPECT_EQ(install_test::InstallRig::Read(rig.AppFolder() + "app.txt"), "new");
  EXPECT_EQ(page.Bar(0)->maximum(), 60);
  EXPECT_EQ(page.Bar(0)->value(), 60);
  EXPECT_TRUE(fs::exists(rig.WorkFolder()));  // removed by the stage end

  finish->click();
  ASSERT_TRUE(uitest::WaitUntil([&] { return !done.isEmpty(); }, 5000));
  EXPECT_EQ(done.takeFirst().at(0).toInt(), 0);  // go on: the update succeeded
  EXPECT_FALSE(fs::exists(rig.WorkFolder()));
  EXPECT_TRUE(rig.Logged("更新结束"));
  EXPECT_EQ(rig.ArchivedVersion("file0"), "1.1");
}

}  // namespace
