#include "platform/launcher.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/gbk.h"
#include "platform/folders.h"
#include "tests/support/temp_dir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

TEST(Launcher, StartsAProgramInItsFolderAndWaitsForItsEnd) {
  testsupport::TempDir dir;
  const std::string self = common::NativePath(ModulePath());
  LaunchRequest request;
  request.program = self;
  request.folder = fs::path(dir.path()).generic_string();
  // This very test program, running no test and writing its report into
  // its working folder: proof it ran there and ended before Launch returned.
  request.arguments = {"--gtest_filter=NoSuchTest.Nothing", "--gtest_output=xml:report.xml"};
  request.hidden = true;
  request.wait = true;
  ASSERT_EQ(Launch(request), kLaunchOk);
  EXPECT_TRUE(fs::exists(dir.path() / "report.xml"));
}

TEST(Launcher, MissingProgramFolderOrHelperGiveTheSystemErrors) {
  testsupport::TempDir dir;
  const std::string folder = fs::path(dir.path()).generic_string();
  LaunchRequest request;
  request.program = folder + "/none";
  EXPECT_EQ(Launch(request), kErrorFileNotFound);
  request.program = common::NativePath(ModulePath());
  request.folder = folder + "/no-folder";
  EXPECT_EQ(Launch(request), kErrorPathNotFound);
  request = {};
  request.program = "no-such-helper-tool";
  request.byNameOnly = true;
  EXPECT_EQ(Launch(request), kErrorNoAssociation);
  EXPECT_EQ(FindInPath("no-such-helper-tool"), "");
  EXPECT_EQ(Launch(LaunchRequest{}), kErrorFileNotFound);
}

}  // namespace
}  // namespace platform
