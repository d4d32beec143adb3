#pragma once
// FileOperations: every change the installation, its backups and its
// rollback make on disk goes through this interface, so that a test can make
// any single step fail (tests run as root, where permission bits never
// refuse anything). RealFileOperations is the file system; the tests' own
// double wraps it and fails chosen calls.
//
// Paths are native paths (UTF-8, "/"), made by common::NativePath, like the
// launcher's. A write never follows a symbolic link planted at the last
// component: such a link is refused or replaced, never written through.
//
// The helpers at the end (ReplaceFile, BackupFile, DeleteFolderTree) build
// the installer's steps out of the primitives, so a fault injected into one
// primitive shows up in them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class FileError {
  kNone,
  kNotFound,      // the file or a folder on its path does not exist
  kAccessDenied,  // permissions, a read-only file system, a planted link
  kInUse,         // a running program file, a busy mount (the file is held)
  kExists,        // the new name is taken
  kNotEmpty,      // a folder that still holds entries
  kCrossDevice,   // source and target on different file systems
  kNoSpace,       // disk full or quota reached
  kOther,
};

// What one operation did: ok, or which failure, the system's error number
// and a short text for the log ("rename: Permission denied"; ASCII, no path:
// the caller logs its own path).
struct [[nodiscard]] FileResult {
  FileError error = FileError::kNone;
  int systemError = 0;  // the errno value; 0 when ok or injected
  std::string text;

  bool ok() const { return error == FileError::kNone; }
  explicit operator bool() const { return ok(); }
};

enum class FileKind { kMissing, kFile, kFolder, kLink, kOther };

struct FileInfo {
  FileKind kind = FileKind::kMissing;  // of the path itself, links not followed
  uint64_t size = 0;
  uint32_t mode = 0;  // permission bits (07777)
};

// The operations, as named in texts and as a test double counts them.
enum class FileOp {
  kInspect, kCopy, kRename, kLink, kDeleteFile, kDeleteFolder, kListFolder,
  kMakeFolders, kSetMode, kOpenReadWrite, kSyncFile, kSyncFolder,
  kAny,  // only for choosing faults
};

class FileOperations {
 public:
  virtual ~FileOperations() = default;

  /// What is at `path` (lstat); kMissing when nothing is, or it cannot be seen.
  virtual FileInfo Inspect(const std::string& path) = 0;
  /// Copies the bytes of `from` into the new file `to`, created with the
  /// permission bits of `from`; kExists when `to` is already there (this
  /// never overwrites, so a planted file or link cannot redirect it). A
  /// partly written `to` is removed again on failure. A link at `from` is
  /// not followed: kAccessDenied.
  virtual FileResult CopyFile(const std::string& from, const std::string& to) = 0;
  /// Renames, atomically replacing a file (or a link, itself) at `to`.
  virtual FileResult Rename(const std::string& from, const std::string& to) = 0;
  /// A second name `to` for the file `from` (same file system only).
  virtual FileResult Link(const std::string& from, const std::string& to) = 0;
  /// Removes a file or a link (never what the link points to); not a folder.
  virtual FileResult DeleteFile(const std::string& path) = 0;
  /// Removes an empty folder.
  virtual FileResult DeleteFolder(const std::string& path) = 0;
  /// Names in a folder (no "." or ".."), unsorted; a link is not followed.
  virtual FileResult ListFolder(const std::string& path, std::vector<std::string>* names) = 0;
  /// Creates the folder and every missing parent; ok when it already exists.
  virtual FileResult MakeFolders(const std::string& path) = 0;
  /// Sets permission bits (07777) of the path itself, never through a link.
  virtual FileResult SetMode(const std::string& path, uint32_t mode) = 0;
  /// Whether the file can be opened for reading and writing right now (it
  /// is then closed untouched); kInUse for a running program file.
  virtual FileResult OpenReadWrite(const std::string& path) = 0;
  /// Flushes a file's bytes, or a folder's entries, to the disk.
  virtual FileResult SyncFile(const std::string& path) = 0;
  virtual FileResult SyncFolder(const std::string& path) = 0;
};

class RealFileOperations : public FileOperations {
 public:
  FileInfo Inspect(const std::string& path) override;
  FileResult CopyFile(const std::string& from, const std::string& to) override;
  FileResult Rename(const std::string& from, const std::string& to) override;
  FileResult Link(const std::string& from, const std::string& to) override;
  FileResult DeleteFile(const std::string& path) override;
  FileResult DeleteFolder(const std::string& path) override;
  FileResult ListFolder(const std::string& path, std::vector<std::string>* names) override;
  FileResult MakeFolders(const std::string& path) override;
  FileResult SetMode(const std::string& path, uint32_t mode) override;
  FileResult OpenReadWrite(const std::string& path) override;
  FileResult SyncFile(const std::string& path) override;
  FileResult SyncFolder(const std::string& path) override;
};

/// The short name of an operation ("copy", "rename", ...), as in texts.
const char* FileOpName(FileOp op);

/// Puts a copy of `from` in place of `to` so that `to` is at every moment
/// either the old file or the complete new one: the copy goes to a fresh
/// temporary name in `to`'s folder, takes the permission bits of the file
/// it replaces (those of `from` when there is none), reaches the disk, and
/// is renamed over `to`; then the folder is flushed too. On failure the
/// temporary file is gone and `to` is unchanged, unless only that last
/// flush failed (the new file is then in place, but may not survive a
/// power cut: the failure is still reported).
/// With syncNow false nothing is flushed: a caller that installs many files
/// flushes them together at the end of its phase (SyncFileSystems) instead
/// of paying one disk flush per file.
FileResult ReplaceFile(FileOperations& ops, const std::string& from, const std::string& to,
                       bool syncNow = true);

/// Writes `bytes` as the file `path` through a temporary name beside it,
/// renamed over `path` once whole, so a reader sees the old file or the new
/// one, never half of one. With durable set the bytes are flushed before
/// the rename and the folder after it (a failed folder flush is reported,
/// the new file then in place). On failure the old file is untouched.
FileResult WriteFileReplacing(FileOperations& ops, const std::string& path, std::string_view bytes, bool durable);

/// Keeps the current `path` as `backup`, replacing an older backup: a hard
/// link where the file system allows one, else a copy (ReplaceFile). A
/// linked backup shares the file with `path`, so it stays the old contents
/// only while `path` is replaced by rename (ReplaceFile) and never written
/// in place: pass allowLink = false when the new file is written in place.
FileResult BackupFile(FileOperations& ops, const std::string& path, const std::string& backup,
                      bool allowLink = true, bool syncNow = true);

/// The attempt-th temporary name beside `path` (same folder) that
/// ReplaceFile would try; IsTemporaryNameOf recognises it, so a recovery
/// after a crash removes what a writer of its own left under it.
std::string TemporaryNameBeside(const std::string& path, int attempt);

/// True when `name` (a file name, no folder) is one of the temporary names
/// ReplaceFile or BackupFile use for the file named `targetName` in the same
/// folder: what a run cut short may have left beside it.
bool IsTemporaryNameOf(const std::string& name, const std::string& targetName);

/// Removes a folder with everything in it, links removed rather than
/// followed. Every entry is tried whatever fails before it; the result is
/// that of removing the folder itself.
FileResult DeleteFolderTree(FileOperations& ops, const std::string& folder);

}  // namespace platform
