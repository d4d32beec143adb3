#include "platform/folders.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/temp_dir.h"


namespace platform {
namespace {

TEST(Folders, ModulePathNamesThisTestProgram) {
  std::string path = ModulePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_EQ(path.substr(path.rfind('/') + 1), "platform_test");
}

TEST(Folders, TempFollowsTmpdirWithoutTrailingSlash) {
  const char* old = std::getenv("TMPDIR");
  std::string saved = old ? old : "";
  setenv("TMPDIR", "/var/tmp/", 1);
  EXPECT_EQ(SpecialFolderPath(SpecialFolder::Temp), "/var/tmp");
  unsetenv("TMPDIR");
  EXPECT_EQ(SpecialFolderPath(SpecialFolder::Temp), "/tmp");
  if (old) setenv("TMPDIR", saved.c_str(), 1);
}

// A TMPDIR that names no folder (gone with the session that made it, or a
// file) is passed over for /tmp, and the caller learns which one it was.
TEST(Folders, TempPassesOverATmpdirThatIsNoFolder) {
  const char* old = std::getenv("TMPDIR");
  std::string saved = old ? old : "";
  testsupport::TempDir dir;
  struct Case {
    std::string tmpdir;
    std::string folder;
    std::string passedOver;
  };
  const Case cases[] = {
      {dir.path().string(), dir.path().string(), ""},
      {dir.file("gone"), "/tmp", dir.file("gone")},
      {dir.write("file", "x"), "/tmp", dir.file("file")},
      {"", "/tmp", ""},
  };
  for (const Case& c : cases) {
    setenv("TMPDIR", c.tmpdir.c_str(), 1);
    std::string passedOver = "stale";
    EXPECT_EQ(TempFolder(&passedOver), c.folder) << c.tmpdir;
    EXPECT_EQ(passedOver, c.passedOver) << c.tmpdir;
    EXPECT_EQ(SpecialFolderPath(SpecialFolder::Temp), c.folder) << c.tmpdir;
  }
  if (old) setenv("TMPDIR", saved.c_str(), 1);
  else unsetenv("TMPDIR");
}

TEST(Folders, UserFoldersAreAbsoluteWithoutTrailingSlash) {
  for (auto f : {SpecialFolder::Fonts, SpecialFolder::Documents, SpecialFolder::Desktop}) {
    std::string path = SpecialFolderPath(f);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/');
    EXPECT_NE(path.back(), '/');
  }
}

}  // namespace
}  // namespace platform
