#pragma once
// One member of a configuration archive ("upgrade.bin": "pre.dat",
// "client.dat", "ui.dat", the skin pictures), read or rewritten on its own.
// A rewrite never edits the archive in place: it writes a complete new
// archive beside the old one and renames it over the old one, so a crash
// leaves either the old archive or the new one, never a damaged one. Paths
// are GBK with "\" or "/" as the configuration holds them; member names are
// matched byte for byte.

#include <optional>
#include <string>
#include <string_view>

namespace formats {

/// The bytes of member memberName of the archive at archivePath, read with
/// password ("" = none). nullopt when the archive cannot be opened or the
/// member is absent or unreadable (a wrong password reads as absent).
std::optional<std::string> ReadArchiveMember(std::string_view archivePath, std::string_view memberName,
                                             std::string_view password = {});

/// The file steps of a member rewrite. Abstract so tests can make one fail;
/// RealArchiveFiles() does them with the standard library and platform. Paths are native
/// (UTF-8, "/").
class ArchiveFiles {
 public:
  virtual ~ArchiveFiles() = default;
  /// Copies from (content and permissions) to the new file to. False with
  /// error set when it fails; nothing is then left at to.
  virtual bool CopyNew(const std::string& from, const std::string& to, std::string& error) = 0;
  /// Makes the bytes of path reach the disk. False with error set when it fails.
  virtual bool Flush(const std::string& path, std::string& error) = 0;
  /// Renames from over to in one step. False with error set when it fails;
  /// both files are then as they were.
  virtual bool Replace(const std::string& from, const std::string& to, std::string& error) = 0;
  /// Removes a file if it is there.
  virtual void Remove(const std::string& path) = 0;
};

ArchiveFiles& RealArchiveFiles();

/// The outcome of WriteArchiveMember.
struct [[nodiscard]] ArchiveWriteResult {
  bool ok = false;
  std::string errorText;  // why the archive was left as it was; empty after success

  explicit operator bool() const { return ok; }
};

/// Replaces member memberName of the existing archive at archivePath with
/// bytes, or adds it when absent (deflated, encrypted when password is not
/// empty). Every other member is carried over unchanged: its stored name,
/// compressed and encrypted bytes. The new archive reaches the disk before
/// it takes the old one's name. Fails (ok false + errorText) when the
/// archive is missing or not an archive or the new one cannot be written;
/// the old archive is then untouched and no temporary file is left.
ArchiveWriteResult WriteArchiveMember(std::string_view archivePath, std::string_view memberName,
                                      std::string_view bytes, std::string_view password = {},
                                      ArchiveFiles& files = RealArchiveFiles());

}  // namespace formats
