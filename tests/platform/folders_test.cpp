#include "platform/folders.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

// "/x" here, "C:/x" on Windows: both name a folder from the root.
bool IsAbsolute(const std::string& path) {
  return (!path.empty() && path.front() == '/') || (path.size() > 2 && path[1] == ':' && path[2] == '/');
}

TEST(Folders, ModulePathNamesThisTestProgram) {
  const std::string path = ModulePath();
  ASSERT_TRUE(IsAbsolute(path)) << path;
  std::string name = path.substr(path.rfind('/') + 1);
  if (name.size() > 4 && name.substr(name.size() - 4) == ".exe") name.resize(name.size() - 4);
  EXPECT_EQ(name, "platform_test");
}

TEST(Folders, EveryFolderIsAbsoluteWithoutTrailingSeparator) {
  for (auto f : {SpecialFolder::Windows, SpecialFolder::System, SpecialFolder::Temp, SpecialFolder::ProgramFiles,
                 SpecialFolder::Fonts, SpecialFolder::Documents, SpecialFolder::Desktop}) {
    const std::string path = SpecialFolderPath(f);
    EXPECT_TRUE(IsAbsolute(path)) << static_cast<int>(f) << ": " << path;
    ASSERT_FALSE(path.empty());
    EXPECT_NE(path.back(), '/') << path;
    EXPECT_EQ(path.find('\\'), std::string::npos) << path;
  }
}

}  // namespace
}  // namespace platform
