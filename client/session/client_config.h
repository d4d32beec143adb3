#pragma once
// The client's side of its configuration archive beside the program
// ("<base>.bin": the members "pre.dat", "client.dat", "ui.dat" and the skin
// pictures, read through formats::ReadArchiveMember with ArchivePassword()),
// "pre.dat", the banner, and the logging key reads that every configuration key of the client goes
// through, so that the log shows the values in force after macro expansion.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/value_syntax.h"

namespace common {
class IniDocument;
}

namespace session {

class ClientLog;

/// The archive password the packing tool uses; "" (no password) when the
/// joined pieces are shorter than 2 characters.
std::string ArchivePassword();

/// A member's bytes as the text the readers see: up to the first zero byte.
std::string MemberText(std::string_view bytes);

struct PreSettings {
  bool logSwitch = false;
  bool traySwitch = false;
};

/// Parses "pre.dat"; nullopt for an empty text. A text without [pre] gives
/// both switches off.
std::optional<PreSettings> ParsePreSettings(std::string_view text);

/// The banner lines logged before "client.dat" is read (product name and
/// version, the folder values, the archive name), in order.
std::vector<std::string> ConfigurationBanner(std::string_view productName, int versionMajor,
                                             int versionMinor, const formats::FolderValues& folders,
                                             std::string_view archiveName);

/// Key reads that log "key=value" as they happen.
class ConfigReader {
 public:
  ConfigReader(const formats::FolderValues& folders, ClientLog& log) : folders_(folders), log_(log) {}

  /// The value (or def), macros expanded, trimmed; logs key=value.
  std::string ReadText(common::IniDocument& doc, std::string_view section, std::string_view key,
                       std::string_view def);
  /// The value as a decimal integer (def when absent); logs key=number.
  int ReadInt(common::IniDocument& doc, std::string_view section, std::string_view key, int def);

 private:
  const formats::FolderValues& folders_;
  ClientLog& log_;
};

}  // namespace session
