#pragma once
// Runs a shell command line for a test and hands back its exit status and
// standard output (standard error goes to the test's own output).

#include <string>

namespace testsupport {

struct CommandResult {
  int exitCode = -1;   // -1 when the command could not be run or was killed
  std::string output;  // standard output
};

/// Runs `/bin/sh -c command`; exitCode -1 when it did not exit normally.
CommandResult RunCommand(const std::string& command);

/// Quotes a text for /bin/sh with single quotes.
std::string ShellQuote(const std::string& text);

/// Debian's interpreter: it sees python3-pyftpdlib, pyenv's does not.
inline constexpr const char* kPython = "/usr/bin/python3";

/// Folder of the test helpers (tests/support) and of the built programs
/// (build/bin), from the environment CTest sets.
std::string SupportDir();
std::string BinDir();

}  // namespace testsupport
