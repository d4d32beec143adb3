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

// A file with run bits that is neither an ELF program nor a "#!" script is
// not started: no shell is guessed for it, so its lines never run.
TEST(Launcher, ExecutableWithoutInterpreterLineIsRefusedNotRunByTheShell) {
  testsupport::TempDir dir;
  const std::string marker = dir.file("ran");
  const std::string text = dir.write("notes", "touch '" + marker + "'\n");
  chmod(text.c_str(), 0755);
  LaunchRequest request;
  request.program = text;
  request.wait = true;
  EXPECT_EQ(Launch(request), kErrorNoAssociation);
  EXPECT_NE(access(marker.c_str(), F_OK), 0);
}

// Only an ELF program of this machine counts as native: not a script, not
// the same program marked for another machine, not a folder or a FIFO.
TEST(Launcher, NativeProgramIsAnElfFileOfThisMachine) {
  testsupport::TempDir dir;
  EXPECT_TRUE(IsNativeProgram("/proc/self/exe"));
  std::string elf = testsupport::TempDir::read("/proc/self/exe");
  ASSERT_GT(elf.size(), 20u);
  EXPECT_TRUE(IsNativeProgram(dir.write("copy", elf)));
  elf[18] = static_cast<char>(elf[18] ^ 0x55);  // another machine type
  EXPECT_FALSE(IsNativeProgram(dir.write("foreign", elf)));
  EXPECT_FALSE(IsNativeProgram(dir.write("script", "#!/bin/sh\necho hi\n")));
  EXPECT_FALSE(IsNativeProgram(dir.write("short", "\x7f" "ELF")));
  EXPECT_FALSE(IsNativeProgram(dir.path().string()));
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(IsNativeProgram(fifo));
}

}  // namespace
}  // namespace platform
