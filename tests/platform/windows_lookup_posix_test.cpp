#include "platform/windows_lookup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "common/gbk.h"
#include "platform/processes.h"
#include "tests/platform/child_process.h"
#include "tests/support/run_command.h"
#include "tests/support/xvfb_tray.h"

namespace platform {
namespace {

using namespace std::chrono_literals;

// Points DISPLAY at `value` (unset when nullopt) for one test.
class DisplayVariable {
 public:
  explicit DisplayVariable(const std::optional<std::string>& value) {
    const char* old = std::getenv("DISPLAY");
    if (old) saved_ = old;
    value ? setenv("DISPLAY", value->c_str(), 1) : unsetenv("DISPLAY");
  }
  ~DisplayVariable() { saved_ ? setenv("DISPLAY", saved_->c_str(), 1) : unsetenv("DISPLAY"); }

 private:
  std::optional<std::string> saved_;
};

TEST(WindowsLookup, WithoutAReachableDisplayNoWindowExists) {
  for (const std::optional<std::string>& display :
       {std::optional<std::string>(), std::optional<std::string>(""), std::optional<std::string>(":9876")}) {
    DisplayVariable variable(display);
    TopLevelWindow window;
    EXPECT_TRUE(ListTopLevelWindows().empty());
    EXPECT_FALSE(FindWindowByTitle("anything", &window));
    EXPECT_FALSE(FindWindowByClass("anything", &window));
    EXPECT_FALSE(FindWindowOfProcess(OwnProcessId(), &window));
  }
}

// The closer's way: a window found by title or class names its process,
// which is asked to quit; its windows go with it.
TEST(WindowsLookup, ShownWindowIsFoundByTitleClassAndProcess) {
  testsupport::XvfbTray x;
  if (!x.Ok()) GTEST_SKIP() << x.Error();
  DisplayVariable variable(x.Display());
  ChildProcess child({testsupport::BinDir() + "/test_window", "升级测试窗口", "upgrade-win", "UpgradeWin"});
  ASSERT_TRUE(ChildProcess::Eventually([&] { return child.Output().rfind("ready ", 0) == 0; }))
      << child.Output();
  const uint32_t shown = static_cast<uint32_t>(std::stoul(child.Output().substr(6)));

  TopLevelWindow window;
  ASSERT_TRUE(FindWindowByTitle(common::Gbk("升级测试窗口"), &window));
  EXPECT_EQ(window.id, shown);  // not the hidden twin of the same title
  EXPECT_EQ(window.pid, child.pid());
  EXPECT_EQ(window.instanceName, "upgrade-win");
  EXPECT_EQ(window.className, "UpgradeWin");
  for (const char* name : {"upgradewin", "UPGRADE-WIN"}) {
    TopLevelWindow byClass;
    ASSERT_TRUE(FindWindowByClass(name, &byClass)) << name;
    EXPECT_EQ(byClass.id, shown);
  }
  ASSERT_TRUE(FindWindowOfProcess(child.pid(), &window));
  EXPECT_EQ(window.id, shown);

  // A program that only sets the old Latin-1 title and no process id.
  ASSERT_TRUE(FindWindowByTitle(common::Gbk("Café upgradewin"), &window));
  EXPECT_NE(window.id, shown);
  EXPECT_EQ(window.pid, 0);
  int ofChild = 0;
  for (const TopLevelWindow& w : ListTopLevelWindows()) ofChild += w.pid == child.pid();
  EXPECT_EQ(ofChild, 1);
  EXPECT_FALSE(FindWindowByTitle("", &window));
  EXPECT_FALSE(FindWindowByClass("", &window));

  ASSERT_EQ(SendQuit(child.pid()), SignalResult::kSent);
  ASSERT_EQ(WaitForEnd(child.pid(), 5s), WaitResult::kEnded);
  child.Reap();
  EXPECT_TRUE(ChildProcess::Eventually([&] { return !FindWindowOfProcess(child.pid(), &window); }));
}

}  // namespace
}  // namespace platform
