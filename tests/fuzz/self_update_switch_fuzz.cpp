// The self-update command lines over any text: the relaunch switch's value
// split into section and version, the command lines of the temporary and of
// the replaced program, and the program named by a temporary path.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "client/session/command_line.h"
#include "client/session/self_update.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const std::string value = session::GetSwitchValue(line, "self_update");
  if (auto record = session::SplitRelaunchValue(value)) {
    // A recorded version names one file slot and carries no separator.
    if (record->section.rfind("file", 0) != 0 || record->version.empty()) std::abort();
    if (record->version.find('-') != std::string::npos) std::abort();
  }
  (void)session::SplitRelaunchValue(line);
  const std::vector<std::string> relaunch =
      session::RelaunchArguments(line, static_cast<int64_t>(size) - 3, 3, value);
  // The server's version becomes part of one argument and never a switch
  // of its own: the relaunch switch comes last and holds no blank.
  if (!relaunch.empty() && (relaunch.back().rfind("/self_update:", 0) != 0 ||
                            relaunch.back().find_first_of(" \t\r\n") != std::string::npos)) {
    std::abort();
  }
  (void)session::FinishCommandLine(line);
  (void)session::FinishArguments(line);
  const std::string program = session::ProgramOfTemporary(line);
  if (program.size() > line.size()) std::abort();
  (void)session::TemporaryProgramOf(line);
  return 0;
}
