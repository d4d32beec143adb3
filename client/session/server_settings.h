#pragma once
// The session-wide values of the server configuration: the hook programs and
// process lists of [system], the prompt switches and texts of [UI], and what
// the version comparison decided. Filled by the server-configuration reader,
// read by the session driver and the pages.

#include <string>
#include <vector>

namespace session {

struct SystemSettings {
  std::string runBefore;
  int runBeforePause = 0;
  std::string runAfter;
  int runAfterPause = 0;
  std::string runNonetwork;
  std::string runUdbefore;
  std::string runUdafters;
  std::string runUdafterf;
  std::string runDlbefore;
  std::string runDlafters;
  std::string runDlafterf;
  std::vector<std::string> closeProc1;  // executable file names
  std::vector<std::string> closeProc2;  // window titles
  std::vector<std::string> closeProc3;  // window class names
  std::vector<std::string> closeItems;  // "file3", "dir0", ...; empty = every item
};

// Texts are GBK; the defaults are filled by UiSettings::Defaults().
struct UiSettings {
  int noupdateWin = 0;
  std::string noupdateWinMsg;
  int startWin = 1;
  std::string startWinMsg;
  int closeWin = 1;
  std::string closeWinMsg;
  int dlWin = 1;
  std::string dlWinMsg;
  int endWin1 = 1;
  int endWin2 = 1;
  std::string endWin1Msg;
  std::string endWin2Msg;

  /// The values a configuration without [UI] keys gives.
  static UiSettings Defaults();
};

struct SessionDecision {
  int newItemCount = 0;
  bool closeProcesses = false;   // some marked item needs the programs closed
  int selfUpdateExeIndex = -1;   // file item that replaces the program itself
  int selfUpdateArchiveIndex = -1;  // file item that replaces the configuration archive
};

}  // namespace session
