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

}  // namespace
}  // namespace platform
