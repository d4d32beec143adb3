#pragma once
// The session-wide values of the server configuration: the hook programs and
// process lists of [system], the prompt switches and texts of [UI], and what
// the version comparison decided. Filled by the server-configuration reader,
// read by the session driver and the pages.

#include "formats/update_config.h"

namespace session {

using SystemSettings = formats::SystemSettings;
using UiSettings = formats::UiSettings;

struct SessionDecision {
  int newItemCount = 0;
  bool closeProcesses = false;   // some marked item needs the programs closed
  int selfUpdateExeIndex = -1;   // file item that replaces the program itself
  int selfUpdateArchiveIndex = -1;  // file item that replaces the configuration archive
};

}  // namespace session
