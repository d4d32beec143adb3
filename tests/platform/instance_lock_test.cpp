#include "platform/instance_lock.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/processes.h"

namespace platform {
namespace {

// Names of this run only, so runs side by side never meet.
std::string Name(const std::string& tail) { return "_test" + std::to_string(OwnProcessId()) + "_" + tail; }

TEST(InstanceLock, SameNameIsBusyUntilReleasedOtherNamesAreFree) {
  InstanceLock first, second, other;
  ASSERT_EQ(first.TryAcquire(Name("upgrade")), InstanceLock::Result::Acquired);
  EXPECT_TRUE(first.Held());
  EXPECT_EQ(second.TryAcquire(Name("upgrade")), InstanceLock::Result::Busy);
  EXPECT_FALSE(second.Held());
  EXPECT_TRUE(second.ErrorText().empty());
  EXPECT_EQ(other.TryAcquire(Name("other")), InstanceLock::Result::Acquired);
  first.Release();
  EXPECT_FALSE(first.Held());
  EXPECT_EQ(second.TryAcquire(Name("upgrade")), InstanceLock::Result::Acquired);
  {
    InstanceLock scoped;
    EXPECT_EQ(scoped.TryAcquire(Name("scoped")), InstanceLock::Result::Acquired);
  }  // released by the destructor
  EXPECT_EQ(first.TryAcquire(Name("scoped")), InstanceLock::Result::Acquired);
}

TEST(InstanceLock, DeepProgramPathsMakeUsableDistinctLocks) {
  std::string deep;
  for (int i = 0; i < 40; ++i) deep += "_folder" + std::to_string(i);
  InstanceLock a, again, b;
  ASSERT_EQ(a.TryAcquire(Name(deep + "_a_upgrade")), InstanceLock::Result::Acquired);
  EXPECT_EQ(again.TryAcquire(Name(deep + "_a_upgrade")), InstanceLock::Result::Busy);
  EXPECT_EQ(b.TryAcquire(Name(deep + "_b_upgrade")), InstanceLock::Result::Acquired);
  const std::string path = InstanceLock::LockFilePath(Name(deep + "_a_upgrade"));
  EXPECT_NE(path, InstanceLock::LockFilePath(Name(deep + "_b_upgrade")));
  EXPECT_LE(path.substr(path.rfind('/') + 1).size(), 255u);
}

}  // namespace
}  // namespace platform
