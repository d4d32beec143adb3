#include "client/session/new_item_plan.h"

#include <gtest/gtest.h>

#include "client/session/client_app.h"
#include "client/session/run_state.h"
#include "client/session/scripted_prompter.h"

namespace {

// Every stage walks the marked items in one order: file items by slot, then
// dir items by slot, whatever order they were marked in. Each entry leads
// to its own slot's item, work and temporary folder.
TEST(NewItemPlan, FileItemsBySlotThenDirItemsBySlotEachWithItsOwnWork) {
  session::ScriptedPrompter prompter;
  session::ClientApp app(prompter, "");
  app.UseModulePath("/opt/app/upgrade");
  app.Dirs()[0].newItem = true;
  app.Dirs()[0].path = "data\\";
  app.Dirs()[0].serverVersion = "2.0";
  app.Files()[19].newItem = true;
  app.Files()[19].path = "bin\\";
  app.Files()[19].modifyVer = 0;
  app.Files()[3].newItem = true;
  app.Files()[3].describe = "three";
  app.Files()[4].path = "unmarked\\";
  app.Dirs()[9].newItem = true;
  app.Dirs()[9].modifyVer = 0;

  session::RunState& run = app.StartRunState();
  const session::NewItemPlan plan = run.NewItems();
  struct Expected {
    bool dir;
    int slot;
    const char* section;
    std::string path;
    int modifyVer;
  };
  const Expected expected[] = {
      {false, 3, "file3", "", 1},
      {false, 19, "file19", "bin\\", 0},
      {true, 0, "dir0", "data\\", 1},
      {true, 9, "dir9", "", 0},
  };
  ASSERT_EQ(plan.size(), std::size(expected));
  for (size_t i = 0; i < plan.size(); ++i) {
    SCOPED_TRACE(expected[i].section);
    const session::PlannedItem& item = plan[i];
    EXPECT_EQ(item.IsDir(), expected[i].dir);
    EXPECT_EQ(item.slot, expected[i].slot);
    EXPECT_EQ(item.Section(), expected[i].section);
    EXPECT_EQ(item.Path(), expected[i].path);
    EXPECT_EQ(item.ModifyVer(), expected[i].modifyVer);
    EXPECT_EQ(item.file != nullptr, !expected[i].dir);
    const session::ItemWork& work =
        expected[i].dir ? run.DirWork(expected[i].slot) : run.FileWork(expected[i].slot);
    EXPECT_EQ(&run.Work(item), &work);
    EXPECT_EQ(run.TempFolder(item), expected[i].dir ? run.DirTempFolder(expected[i].slot)
                                                     : run.FileTempFolder(expected[i].slot));
  }
  EXPECT_EQ(plan[0].Describe(), "three");
  EXPECT_EQ(plan[2].ServerVersion(), "2.0");
  EXPECT_EQ(plan[2].dir, &app.Dirs()[0]);

  // The plan follows the marks as they are at the time it is made.
  app.Files()[3].newItem = false;
  EXPECT_EQ(run.NewItems().size(), 3u);
  for (auto& item : app.Files()) item.newItem = false;
  for (auto& item : app.Dirs()) item.newItem = false;
  EXPECT_TRUE(run.NewItems().empty());
}

}  // namespace
