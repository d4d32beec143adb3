#pragma once
// The client's command line: the text after the program name, as a GBK
// text. Only "/HWND:", "/OP:" and the self-update markers mean anything;
// any other text is ignored. Pure functions, so the parsing rules can be
// checked without starting the program.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "client/session/session_modes.h"

namespace session {

/// The value of "/" + name + ":" (name case-insensitive), in lower case, up
/// to the next blank; "" when the switch is absent.
std::string GetSwitchValue(std::string_view commandLine, std::string_view name);

struct CommandLineSwitches {
  std::optional<int64_t> hostWindow;  // set when "/HWND:" has a value; 0 = no host
  std::optional<RunMode> runMode;     // set only for "/OP:CheckVer" and "/OP:Preview"
  bool selfUpdate = false;  // the relaunch step of a self-update is asked for
  bool selfFinish = false;  // the completion step of a self-update is asked for
  // "self_finish" in exactly that spelling: the start prompt was answered
  // by the run that replaced the program.
  bool selfFinishMarker = false;
  // "/Log" and "/Tray" (any case) as words of their own: the log and the
  // tray icon on, whatever the pre-settings say.
  bool logOn = false;
  bool trayOn = false;
};

/// Reads the switches; an empty command line sets nothing.
CommandLineSwitches ParseSwitches(std::string_view commandLine);

/// Joins program arguments (UTF-8, as the system passes them) into one GBK
/// command line: single blanks between them, an argument holding a blank or
/// a tab wrapped in double quotes. transfer::SplitParameters undoes it.
std::string JoinCommandLine(int argc, const char* const* argv);

}  // namespace session
