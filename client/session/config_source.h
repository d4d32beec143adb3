#pragma once
// Where a run's client configuration lives. Today's layout keeps it as the
// member "client.dat" of the configuration archive beside the program. The
// authoring tool packages the client with the layout of an older client
// generation: the member "<program name>.dat" of that archive (a packed
// package) or the text file "<program name>.dat" beside the program (a
// text package), without "pre.dat". The run reads the configuration from
// the first of these that exists and writes installed versions back to the
// same place. Paths are GBK with "/" separators.

#include <optional>
#include <string>
#include <string_view>

namespace session {

struct ClientConfigSource {
  std::string path;    // the archive, or the text file
  std::string member;  // the archive member; "" for a text file

  bool IsTextFile() const { return member.empty(); }
  /// A package as the authoring tool writes it (no "pre.dat" beside it).
  bool IsPackage() const { return member != "client.dat"; }
};

/// The first of: member "client.dat" of archivePath, member baseName +
/// ".dat" of archivePath, the non-empty file appFolder + baseName + ".dat".
/// nullopt when none exists.
std::optional<ClientConfigSource> FindClientConfiguration(std::string_view archivePath, std::string_view appFolder,
                                                          std::string_view baseName);

/// The configuration's text as the readers see it (up to a zero byte);
/// nullopt when it cannot be read.
std::optional<std::string> ReadClientConfiguration(const ClientConfigSource& source);

/// Writes the client configuration back to where it came from: the archive
/// member is replaced (every other member kept), the text file replaced
/// through a temporary file renamed over it, so a failure leaves the old
/// configuration whole. False with a reason in error.
bool WriteClientConfiguration(const ClientConfigSource& source, std::string_view text, std::string* error = nullptr);

/// The log switch of a package: [system] closelog of its configuration
/// text, 0 switching the log on (absent: off).
bool PackageLogSwitch(std::string_view configText);

}  // namespace session
