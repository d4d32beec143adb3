#include "tests/support/make_zip.h"

#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

bool MakeZip(const TempDir& dir, const std::string& archive,
             const std::vector<std::pair<std::string, std::string>>& members) {
  std::string cmd = std::string(kPython) + " " + ShellQuote(SupportDir() + "/make_zip.py") + " " + ShellQuote(archive);
  int i = 0;
  for (const auto& [name, bytes] : members) {
    cmd += " " + ShellQuote(name) + " " + ShellQuote(dir.write("make_zip/" + std::to_string(i++), bytes));
  }
  return RunCommand(cmd).exitCode == 0;
}

}  // namespace testsupport
