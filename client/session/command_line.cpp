#include "client/session/command_line.h"

#include <climits>

#include "common/gbk.h"

namespace session {

std::string GetSwitchValue(std::string_view commandLine, std::string_view name) {
  std::string key = common::GbkToLowerAscii("/" + std::string(name) + ":");
  std::string line = common::GbkToLowerAscii(commandLine);
  size_t pos = common::GbkFind(line, key);
  if (pos == std::string::npos) return "";
  size_t start = pos + key.size();
  size_t end = common::GbkFind(line, ' ', start);
  return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

CommandLineSwitches ParseSwitches(std::string_view commandLine) {
  CommandLineSwitches s;
  if (commandLine.empty()) return s;
  std::string hwnd = GetSwitchValue(commandLine, "HWND");
  // Read as decimal: "0x10" is 0, that is no host at all. A value beyond the
  // 64-bit range (read as the saturated extreme) names no host either,
  // rather than some unrelated endpoint.
  if (!hwnd.empty()) {
    const long host = common::AtoL(common::Trim(hwnd));
    s.hostWindow = host == LONG_MAX || host == LONG_MIN ? 0 : host;
  }
  std::string op = GetSwitchValue(commandLine, "OP");  // already lower case
  if (op == "checkver") s.runMode = RunMode::CheckVer;
  else if (op == "preview") s.runMode = RunMode::Preview;
  std::string line = common::GbkToLowerAscii(commandLine);
  if (common::GbkFind(line, "self_update") != std::string::npos) s.selfUpdate = true;
  else if (common::GbkFind(line, "self_finish") != std::string::npos) s.selfFinish = true;
  s.selfFinishMarker = commandLine.find("self_finish") != std::string_view::npos;
  for (size_t pos = 0; pos < line.size();) {
    size_t end = common::GbkFind(line, ' ', pos);
    std::string_view word = std::string_view(line).substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    if (word == "/log") s.logOn = true;
    if (word == "/tray") s.trayOn = true;
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  return s;
}

std::string JoinCommandLine(int argc, const char* const* argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i] ? argv[i] : "";
    if (i > 1) line += ' ';
    if (arg.find_first_of(" \t") != std::string::npos) line += '"' + arg + '"';
    else line += arg;
  }
  return common::Utf8ToGbk(line);
}

}  // namespace session
