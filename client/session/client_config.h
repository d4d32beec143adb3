#pragma once
// Reading the configuration archive beside the program ("<base>.bin": the
// members "pre.dat", "client.dat", "ui.dat" and the skin pictures) and the
// logging key reads that every configuration key of the client goes
// through, so that the log shows the values in force after macro expansion.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "client/session/value_syntax.h"

namespace common {
class IniDocument;
}

namespace session {

class ClientLog;

/// The archive password the packing tool uses; "" (no password) when the
/// joined pieces are shorter than 2 characters.
std::string ArchivePassword();

/// The bytes of member name of the archive at archivePath (GBK path);
/// nullopt when the archive cannot be opened or the member is absent or
/// unreadable (a wrong password reads as absent).
std::optional<std::string> ReadArchiveMember(std::string_view archivePath, std::string_view name);

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
                                             int versionMinor, const FolderValues& folders,
                                             std::string_view archiveName);

/// Key reads that log "key=value" as they happen.
class ConfigReader {
 public:
  ConfigReader(const FolderValues& folders, ClientLog& log) : folders_(folders), log_(log) {}

  /// The value (or def), macros expanded, trimmed; logs key=value.
  std::string ReadText(common::IniDocument& doc, std::string_view section, std::string_view key,
                       std::string_view def);
  /// The value as a decimal integer (def when absent); logs key=number.
  int ReadInt(common::IniDocument& doc, std::string_view section, std::string_view key, int def);

 private:
  const FolderValues& folders_;
  ClientLog& log_;
};

}  // namespace session
