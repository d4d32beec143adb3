#include "client/session/work_folder_name.h"

#include <gtest/gtest.h>

#include <string>

namespace session {
namespace {

// Each application downloads into a folder of its own: programs in two
// folders never share one, the self-update copy shares its program's.
TEST(ModuleNames, WorkFolderNameIsPerProgramPath) {
  const std::string a = WorkFolderNameOf("/opt/a/upgrade");
  EXPECT_EQ(a.rfind("upgrade-", 0), 0u) << a;
  EXPECT_EQ(a.size(), std::string("upgrade-").size() + 16);
  EXPECT_NE(a, WorkFolderNameOf("/opt/b/upgrade"));
  EXPECT_EQ(a, WorkFolderNameOf("/opt/a/upgrade.new"));
  EXPECT_EQ(WorkFolderNameOf("/opt/a/..").rfind("app-", 0), 0u);
}

}  // namespace
}  // namespace session
