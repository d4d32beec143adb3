#pragma once
// Reading a fetched server configuration text: which items count, the keys
// read for them, [system] and [UI], and the log lines the client writes
// while reading, in their order (publishers read them back from the log).
// Pure: no files, no network, no clock.

#include <string>
#include <string_view>
#include <vector>

#include "formats/update_config.h"
#include "formats/value_syntax.h"

namespace formats {

struct ServerReadResult {
  ServerConfig config;
  SharedKeyPolicy policy;             // of the items found newer in this text
  std::vector<std::string> log;       // GBK lines, in the client's order
  std::vector<std::string> problems;  // GBK: values the text holds that are ignored or cannot match
};

/// Reads text over start: an item is read when it has urls, a version other
/// than "0.0.0" and that version is newer than start's local version; its
/// location lists are then appended to. Values the text does not reach keep
/// what start holds. Never fails: missing keys take their defaults.
ServerReadResult ReadServerConfig(std::string_view text, const FolderValues& folders, ServerConfig start = {});

}  // namespace formats
