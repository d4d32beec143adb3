#include "platform/instance_lock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/gbk.h"
#include "platform/folders.h"
#include "platform/launcher.h"
#include "platform/processes.h"
#include "tests/support/temp_dir.h"

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

// Run by the test below in a second process of this program: tries the lock
// named in ./lock-name and writes what it got to ./verdict.
TEST(InstanceLockChild, TriesTheLockNamedInItsFolder) {
  std::ifstream in("lock-name");
  std::string name;
  if (!std::getline(in, name)) GTEST_SKIP() << "only as the second process of the test below";
  InstanceLock lock;
  const InstanceLock::Result result = lock.TryAcquire(name);
  std::ofstream("verdict") << (result == InstanceLock::Result::Busy       ? "busy"
                               : result == InstanceLock::Result::Acquired ? "acquired"
                                                                          : "failed");
}

TEST(InstanceLock, AnotherProcessFindsItBusyUntilReleased) {
  testsupport::TempDir dir;
  const std::string name = Name("across");
  dir.write("lock-name", name + "\n");
  auto childVerdict = [&] {
    std::filesystem::remove(dir.path() / "verdict");
    LaunchRequest request;
    request.program = common::NativePath(ModulePath());
    request.folder = std::filesystem::path(dir.path()).generic_string();
    request.arguments = {"--gtest_filter=InstanceLockChild.*"};
    request.hidden = true;
    request.wait = true;
    EXPECT_EQ(Launch(request), kLaunchOk);
    return testsupport::TempDir::read(dir.path() / "verdict");
  };
  InstanceLock held;
  ASSERT_EQ(held.TryAcquire(name), InstanceLock::Result::Acquired);
  EXPECT_EQ(childVerdict(), "busy");
  held.Release();
  EXPECT_EQ(childVerdict(), "acquired");
  // The child has ended, and its lock with it.
  EXPECT_EQ(held.TryAcquire(name), InstanceLock::Result::Acquired);
}

}  // namespace
}  // namespace platform
