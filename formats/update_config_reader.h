#pragma once
// Reading the client configuration, and a fetched server configuration text: which items count, the keys
// read for them, [system] and [UI], and the log lines the client writes
// while reading, in their order (publishers read them back from the log).
// Pure: no files, no network, no clock.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "formats/update_config.h"
#include "formats/value_syntax.h"

namespace common {
class IniDocument;
}

namespace formats {

struct ServerReadResult {
  ServerConfig config;
  SharedKeyPolicy policy;             // of the items found newer in this text
  std::vector<std::string> log;       // GBK lines, in the client's order
  std::vector<std::string> problems;  // GBK: values the text holds that are ignored or cannot match
};

/// The reads every logged key goes through. A text: macros expanded,
/// trimmed; an integer: decimal (def when absent). line receives the log
/// line "key=value" (a urls value with its passwords masked).
std::string ReadLoggedText(common::IniDocument& doc, std::string_view section, std::string_view key,
                           std::string_view def, const FolderValues& folders, std::string& line);
int ReadLoggedInt(common::IniDocument& doc, std::string_view section, std::string_view key, int def,
                  std::string& line);

struct ClientReadResult {
  ClientSettings settings;
  std::array<std::string, kFileItemCount> fileVersions;  // installed versions, "0.0.0" for none
  std::array<std::string, kDirItemCount> dirVersions;
  std::vector<std::string> log;  // GBK lines, in the client's order
};

/// Reads the client configuration text: [system] logged key by key, then
/// the items that have an installed version. Never fails.
ClientReadResult ReadClientConfig(std::string_view text, const FolderValues& folders);

/// Reads text over start: an item is read when it has urls, a version other
/// than "0.0.0" and that version is newer than start's local version; its
/// location lists are then appended to. Values the text does not reach keep
/// what start holds. Never fails: missing keys take their defaults.
ServerReadResult ReadServerConfig(std::string_view text, const FolderValues& folders, ServerConfig start = {});

}  // namespace formats
