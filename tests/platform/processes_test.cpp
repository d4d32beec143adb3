#include "platform/processes.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/gbk.h"
#include "platform/folders.h"

namespace platform {
namespace {

using namespace std::chrono_literals;

TEST(ProcessesShared, ThisProcessIsListedMapsItsProgramAndIsAlive) {
  const int self = OwnProcessId();
  const std::string program = ModulePath();
  const auto list = ListProcesses();
  const auto it = std::find_if(list.begin(), list.end(), [&](const ProcessInfo& p) { return p.pid == self; });
  ASSERT_NE(it, list.end());
  EXPECT_EQ(it->path, program);
  EXPECT_EQ(it->name, program.substr(program.rfind('/') + 1));
  EXPECT_TRUE(std::is_sorted(list.begin(), list.end(),
                             [](const ProcessInfo& a, const ProcessInfo& b) { return a.pid < b.pid; }));

  const auto users = ProcessesUsingFile(common::NativePath(program));
  EXPECT_NE(std::find(users.begin(), users.end(), self), users.end());
  const auto mapped = OwnMappedFiles();
  EXPECT_NE(std::find(mapped.begin(), mapped.end(), program), mapped.end());

  EXPECT_TRUE(IsProcessAlive(self));
  EXPECT_TRUE(CanOpen(self));
  EXPECT_EQ(WaitForEnd(self, 50ms), WaitResult::kTimedOut);
}

TEST(ProcessesShared, AMissingFileOrProcessIsNobodys) {
  EXPECT_TRUE(ProcessesUsingFile(common::NativePath(ModulePath()) + ".none").empty());
  const auto many = ProcessesUsingFiles({"/no/such/file", common::NativePath(ModulePath())});
  ASSERT_EQ(many.size(), 2u);
  EXPECT_TRUE(many[0].empty());
  EXPECT_FALSE(many[1].empty());
  // Ids far above any the system hands out.
  const int none = 0x3ffffff0;
  EXPECT_FALSE(IsProcessAlive(none));
  EXPECT_FALSE(CanOpen(none));
  EXPECT_EQ(Terminate(none), SignalResult::kNoProcess);
  EXPECT_EQ(SendQuit(none), SignalResult::kNoProcess);
  EXPECT_EQ(WaitForEnd(none, 10ms), WaitResult::kEnded);
}

}  // namespace
}  // namespace platform
