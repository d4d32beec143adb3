#pragma once
// The configured hooks of a run (before the start, without a network,
// before and after the download and the update, before the exit) all show
// the same two lines: "<moment>：<command line>" just before the program
// starts, or "<moment>（没指定）。" when none is configured. RunHookOrSayNone
// writes that line where the caller shows it and starts the program.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace session {

/// Starts a hook program (GBK command line, macros expanded) and gives the
/// runner's result text for the log.
using ProgramRunner = std::function<std::string(std::string_view commandLine, bool wait)>;
/// Where a caller shows a line (the log, the status line); GBK.
using LineFn = std::function<void(std::string_view gbkLine)>;

/// Says gbkLabel + "：" + command through `say` and runs command (with
/// `wait`, until it ends), or says gbkLabel + "（没指定）。" when command is
/// empty. The runner's result text ("" when run is empty); nothing when no
/// hook is configured.
[[nodiscard]] std::optional<std::string> RunHookOrSayNone(std::string_view gbkLabel, const std::string& command,
                                                          bool wait, const LineFn& say, const ProgramRunner& run);

}  // namespace session
