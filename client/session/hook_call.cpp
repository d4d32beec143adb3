#include "client/session/hook_call.h"

#include "common/gbk.h"

namespace session {

std::optional<std::string> RunHookOrSayNone(std::string_view gbkLabel, const std::string& command, bool wait,
                                            const LineFn& say, const ProgramRunner& run) {
  if (command.empty()) {
    say(std::string(gbkLabel) + common::Gbk("（没指定）。"));
    return std::nullopt;
  }
  say(std::string(gbkLabel) + common::Gbk("：") + command);
  return run ? run(command, wait) : std::string();
}

}  // namespace session
