#include "client/session/run_state.h"

#include <gtest/gtest.h>

#include "client/session/client_app.h"
#include "client/session/scripted_prompter.h"

namespace {

// The run state works on the pass's own slots and settings, and a new pass
// starts from empty slots and lists rather than adding to the last ones.
TEST(RunState, RefersToThePassAndANewPassStartsClean) {
  session::ScriptedPrompter prompter;
  session::ClientApp app(prompter, "");
  app.UseModulePath("/opt/app/upgrade");
  app.Files()[2].locations.urls = {"http://a/x.exe"};
  app.ServerUrls().urls = {"http://a/server.ini"};
  app.SetShowType(2);
  app.SetOpMode(0);

  session::RunState& run = app.StartRunState();
  EXPECT_EQ(app.CurrentRun(), &run);
  EXPECT_EQ(&run.Files(), &app.Files());
  EXPECT_TRUE(run.Manual());
  EXPECT_EQ(run.Places().archivePath, "/opt/app/upgrade.bin");
  run.SetShowType(0);  // the tray's show command during the run
  EXPECT_EQ(app.ShowType(), 0);
  run.FileWork(2).downloads.push_back({"", "x.exe", "x.exe", 0});
  run.DirWork(9).newFiles.push_back("/opt/app/data/a");
  EXPECT_EQ(run.RunHook("anything", false), "");  // no runner set: nothing runs

  app.BeginPass();
  EXPECT_EQ(app.CurrentRun(), nullptr);
  EXPECT_TRUE(app.Files()[2].locations.empty());
  EXPECT_TRUE(app.ServerUrls().empty());
  session::RunState& next = app.StartRunState();
  EXPECT_TRUE(next.FileWork(2).downloads.empty());
  EXPECT_TRUE(next.DirWork(9).newFiles.empty());
  EXPECT_FALSE(next.UpdateSucceeded());
}

}  // namespace
