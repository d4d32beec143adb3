#include "platform/folders.h"

#include <gtest/gtest.h>

#include <cstdlib>


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
