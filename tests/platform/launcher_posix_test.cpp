#include "platform/launcher.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_dir.h"

namespace platform {
namespace {

// A started program sees standard input, output and error and nothing
// else, even a descriptor this process opened without close-on-exec.
TEST(Launcher, ChildInheritsOnlyTheStandardDescriptors) {
  testsupport::TempDir dir;
  const std::string held = dir.write("held.txt", "x");
  const int leaky = open(held.c_str(), O_RDONLY);  // deliberately without O_CLOEXEC
  ASSERT_GE(leaky, 3);
  // The shell lists its own descriptors (not those of a child it forks).
  const std::string script = dir.write("list.sh", "#!/bin/sh\nfor f in /proc/$$/fd/*; do readlink \"$f\"; done > \"$1\"\n");
  chmod(script.c_str(), 0755);
  LaunchRequest request;
  request.program = script;
  request.arguments = {dir.file("fds.txt")};
  request.wait = true;
  EXPECT_EQ(Launch(request), kLaunchOk);
  close(leaky);
  const std::string fds = testsupport::TempDir::read(dir.file("fds.txt"));
  EXPECT_NE(fds.find("list.sh"), std::string::npos) << fds;  // the shell reads its script
  EXPECT_EQ(fds.find("held.txt"), std::string::npos) << fds;
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
