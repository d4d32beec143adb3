#include "platform/private_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/instance_lock.h"
#include "tests/support/temp_dir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// Another user's uid for planted folders ("nobody"); chown needs root, which
// CI has.
constexpr uid_t kOtherUser = 65534;

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  lstat(path.c_str(), &st);
  return st.st_mode & 07777;
}

// Runs with TMPDIR in a fresh folder and without XDG_RUNTIME_DIR, so the
// per-user folders land where the test can plant things first.
class PrivateFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Save("XDG_RUNTIME_DIR", xdg_);
    Save("TMPDIR", tmp_);
    unsetenv("XDG_RUNTIME_DIR");
    setenv("TMPDIR", dir_.path().c_str(), 1);
    user_ = std::to_string(geteuid());
  }
  void TearDown() override {
    Restore("XDG_RUNTIME_DIR", xdg_);
    Restore("TMPDIR", tmp_);
  }
  static void Save(const char* name, std::pair<bool, std::string>& saved) {
    const char* v = std::getenv(name);
    saved = {v != nullptr, v ? v : ""};
  }
  static void Restore(const char* name, const std::pair<bool, std::string>& saved) {
    if (saved.first) setenv(name, saved.second.c_str(), 1);
    else unsetenv(name);
  }
  bool CanChown() const { return geteuid() == 0; }

  testsupport::TempDir dir_;
  std::pair<bool, std::string> xdg_, tmp_;
  std::string user_;
};

TEST_F(PrivateFilesTest, FolderIsCreatedPrivateAndAnOpenOneIsClosed) {
  const std::string fresh = dir_.file("fresh");
  EXPECT_TRUE(EnsurePrivateFolder(fresh));
  EXPECT_EQ(ModeOf(fresh), 0700u);
  const std::string readable = dir_.file("readable");
  fs::create_directory(readable);
  chmod(readable.c_str(), 0755);
  EXPECT_TRUE(EnsurePrivateFolder(readable));
  EXPECT_EQ(ModeOf(readable), 0700u);
  std::string error;
  chmod(readable.c_str(), 0777);
  EXPECT_FALSE(EnsurePrivateFolder(readable, &error));
  EXPECT_NE(error.find("writable by other users"), std::string::npos) << error;
}

TEST_F(PrivateFilesTest, PlantedLinkFileOrForeignFolderIsRefused) {
  const std::string target = dir_.file("elsewhere");
  fs::create_directory(target);
  chmod(target.c_str(), 0700);
  const std::string link = dir_.file("link");
  fs::create_directory_symlink(target, link);
  std::string error;
  EXPECT_FALSE(EnsurePrivateFolder(link, &error));
  EXPECT_NE(error.find("not a folder"), std::string::npos) << error;
  EXPECT_FALSE(EnsurePrivateFolder(dir_.write("file", "x")));
  if (CanChown()) {
    const std::string foreign = dir_.file("foreign");
    fs::create_directory(foreign);
    chmod(foreign.c_str(), 0700);
    ASSERT_EQ(lchown(foreign.c_str(), kOtherUser, kOtherUser), 0);
    EXPECT_FALSE(EnsurePrivateFolder(foreign, &error));
    EXPECT_NE(error.find("another user"), std::string::npos) << error;
  }
}

TEST_F(PrivateFilesTest, PlantedWorkFolderFallsBackToAPerUserOne) {
  const std::string base = dir_.file("~qirra_tmp");
  EXPECT_EQ(PrivateFolderWithFallback(base), base);  // free: used as it is
  fs::remove(base);
  fs::create_directory_symlink(dir_.path(), base);
  EXPECT_EQ(PrivateFolderWithFallback(base), base + "-" + user_);
  EXPECT_EQ(ModeOf(base + "-" + user_), 0700u);
  // Both names planted: the runtime folder, when there is one.
  fs::remove(base + "-" + user_);
  fs::create_symlink("/", base + "-" + user_);
  const std::string runtime = dir_.file("run");
  fs::create_directory(runtime);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  EXPECT_EQ(PrivateFolderWithFallback(base), runtime + "/~qirra_tmp");
  // Without a runtime folder: a fresh folder of an unguessable name.
  unsetenv("XDG_RUNTIME_DIR");
  const std::string fresh = PrivateFolderWithFallback(base);
  EXPECT_EQ(fresh.rfind(base + "-" + user_ + "-", 0), 0u) << fresh;
  EXPECT_EQ(fresh.size(), base.size() + user_.size() + 8);
  EXPECT_EQ(ModeOf(fresh), 0700u);
}

TEST_F(PrivateFilesTest, LockFolderUnderTmpIsPrivateAndAPlantedOneIsRefused) {
  const std::string folder = dir_.file("upgrade-" + user_);
  {
    InstanceLock lock;
    EXPECT_EQ(lock.TryAcquire("_opt_app_upgrade"), InstanceLock::Result::Acquired);
    EXPECT_EQ(ModeOf(folder), 0700u);
    EXPECT_EQ(ModeOf(folder + "/_opt_app_upgrade.lock"), 0600u);
  }
  // A link planted at the lock file's name is not followed.
  const std::string victim = dir_.file("victim");
  fs::create_symlink(victim, folder + "/_opt_b_upgrade.lock");
  InstanceLock lock;
  EXPECT_EQ(lock.TryAcquire("_opt_b_upgrade"), InstanceLock::Result::Failed);
  EXPECT_FALSE(fs::exists(victim));
  // The folder itself planted as a link: refused with a text saying why.
  fs::remove_all(folder);
  fs::create_directory_symlink(dir_.path(), folder);
  EXPECT_EQ(lock.TryAcquire("_opt_app_upgrade"), InstanceLock::Result::Failed);
  EXPECT_NE(lock.ErrorText().find("upgrade-" + user_), std::string::npos) << lock.ErrorText();
  EXPECT_FALSE(fs::exists(dir_.file("_opt_app_upgrade.lock")));
}

TEST_F(PrivateFilesTest, AppendedFileIsCreatedPrivateAndNeverThroughALink) {
  const std::string log = dir_.file("upgrade.log");
  std::FILE* f = OpenPrivateAppend(log);
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_EQ(ModeOf(log), 0600u);
  const std::string victim = dir_.file("victim.log");
  fs::create_symlink(victim, dir_.file("linked.log"));
  EXPECT_EQ(OpenPrivateAppend(dir_.file("linked.log")), nullptr);
  EXPECT_FALSE(fs::exists(victim));
}

}  // namespace
}  // namespace platform
