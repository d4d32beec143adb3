#include "client/session/run_state.h"

#include "client/session/client_log.h"

namespace session {

std::string RunState::FileTempFolder(int n) const {
  return places_.workFolder + "file" + std::to_string(n) + "/";
}

std::string RunState::DirTempFolder(int n) const {
  return places_.workFolder + "dir" + std::to_string(n) + "/";
}

void RunState::WriteLog(std::string_view gbkText) { refs_.log.WriteLog(gbkText); }

std::string RunState::RunHook(std::string_view commandLine, bool wait) {
  return refs_.runProgram ? refs_.runProgram(commandLine, wait) : std::string();
}

}  // namespace session
