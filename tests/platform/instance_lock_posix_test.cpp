#include "platform/instance_lock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace platform {
namespace {

using testsupport::RunCommand;
using testsupport::ShellQuote;

// Every test gets its own runtime folder, so lock names never meet those of
// other runs on the machine.
class InstanceLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    if (old) saved_ = old;
    hadOld_ = old != nullptr;
    setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
  }
  void TearDown() override {
    if (hadOld_) setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1);
    else unsetenv("XDG_RUNTIME_DIR");
  }

  testsupport::TempDir dir_;
  std::string saved_;
  bool hadOld_ = false;
};

TEST_F(InstanceLockTest, LockFileLivesInTheRuntimeFolder) {
  EXPECT_EQ(InstanceLock::LockFilePath("_opt_app_upgrade"),
            dir_.path().string() + "/_opt_app_upgrade.lock");
}

TEST_F(InstanceLockTest, NamesOfDeepProgramPathsStillMakeUsableDistinctLocks) {
  std::string deep;
  for (int i = 0; i < 40; ++i) deep += "_folder" + std::to_string(i);
  std::string a = deep + "_a_upgrade", b = deep + "_b_upgrade";
  std::string fileA = InstanceLock::LockFilePath(a);
  std::string base = fileA.substr(fileA.rfind('/') + 1);
  EXPECT_LE(base.size(), 255u);
  EXPECT_EQ(base.substr(base.size() - 15), "_a_upgrade.lock");
  EXPECT_NE(fileA, InstanceLock::LockFilePath(b));
  InstanceLock first, second, other;
  ASSERT_EQ(first.TryAcquire(a), InstanceLock::Result::Acquired);
  EXPECT_EQ(second.TryAcquire(a), InstanceLock::Result::Busy);
  EXPECT_EQ(other.TryAcquire(b), InstanceLock::Result::Acquired);
}

TEST_F(InstanceLockTest, SecondHolderOfTheSameNameIsBusyUntilTheFirstReleases) {
  InstanceLock first, second, other;
  ASSERT_EQ(first.TryAcquire("_a_upgrade"), InstanceLock::Result::Acquired);
  EXPECT_EQ(second.TryAcquire("_a_upgrade"), InstanceLock::Result::Busy);
  EXPECT_FALSE(second.Held());
  EXPECT_EQ(other.TryAcquire("_b_upgrade"), InstanceLock::Result::Acquired);
  first.Release();
  EXPECT_EQ(second.TryAcquire("_a_upgrade"), InstanceLock::Result::Acquired);
  second.Release();
  // The lock goes with the object too.
  {
    InstanceLock scoped;
    ASSERT_EQ(scoped.TryAcquire("_c_upgrade"), InstanceLock::Result::Acquired);
  }
  EXPECT_EQ(first.TryAcquire("_c_upgrade"), InstanceLock::Result::Acquired);
}

TEST_F(InstanceLockTest, AnotherProcessHoldingTheLockFileMakesItBusy) {
  std::string file = InstanceLock::LockFilePath("_x_upgrade");
  // flock(1) holds the same kind of lock from a separate process.
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(RunCommand("flock -n " + ShellQuote(file) +
                       " sleep 1.5 </dev/null >/dev/null 2>&1 & sleep 0.5")
                .exitCode,
            0);
  InstanceLock lock;
  EXPECT_EQ(lock.TryAcquire("_x_upgrade"), InstanceLock::Result::Busy);
  // Once the other process has ended, the lock is free again.
  while (lock.TryAcquire("_x_upgrade") != InstanceLock::Result::Acquired &&
         std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
  }
  EXPECT_TRUE(lock.Held());
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1400));
}

TEST_F(InstanceLockTest, ChildProgramsDoNotInheritTheLock) {
  InstanceLock lock;
  ASSERT_EQ(lock.TryAcquire("_y_upgrade"), InstanceLock::Result::Acquired);
  // A program started while the lock is held and still running after it is
  // given up must not keep it.
  ASSERT_EQ(RunCommand("sleep 3 >/dev/null 2>&1 &").exitCode, 0);
  lock.Release();
  InstanceLock next;
  EXPECT_EQ(next.TryAcquire("_y_upgrade"), InstanceLock::Result::Acquired);
}

TEST_F(InstanceLockTest, UnusableRuntimeFolderFails) {
  setenv("XDG_RUNTIME_DIR", (dir_.path() / "missing" / "deeper").c_str(), 1);
  InstanceLock lock;
  EXPECT_EQ(lock.TryAcquire("_z_upgrade"), InstanceLock::Result::Failed);
  EXPECT_FALSE(lock.Held());
}

}  // namespace
}  // namespace platform
