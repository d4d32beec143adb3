#include "tests/support/run_command.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>

namespace testsupport {

CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return result;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) result.output.append(buf.data(), n);
  int status = pclose(pipe);
  if (status != -1 && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

std::string ShellQuote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

static std::string EnvOr(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v && *v ? v : fallback;
}

std::string SupportDir() { return EnvOr("UPGRADE_TEST_SUPPORT", "tests/support"); }
std::string BinDir() { return EnvOr("UPGRADE_BIN_DIR", "build/bin"); }

}  // namespace testsupport
