#pragma once
// InstallJournal: the installation's own record on disk, so that a run
// killed or cut off by a power failure half-way never leaves a program half
// old and half new. It lives beside the configuration archive (not in the
// temporary folder, which a reboot may empty) and holds one line per step,
// written before the step can be seen on disk where that matters:
//
//   b <path>   a backup of path is about to be made (path itself is untouched
//              until its "B" line: a "b" alone means a ".ebk" that may be
//              whole or half made and is only removed)
//   B <path>   path + ".ebk" is the old file (written once the backup exists)
//   A <path>   the same for the configuration archive itself
//   N <path>   a new file goes to path (written before it is put in place)
//   T <path>   a temporary file or folder of the run (written before it is made)
//   C          the new versions are recorded: the update counts as done
//
// The next start, before anything else, calls RecoverInstall: without "C"
// the old state comes back (every backup renamed over its file, every other
// new file deleted); with "C" only the backups are removed. Either way the
// journal goes. Paths are native (UTF-8, "/"); the journal is flushed to the
// disk at the ends of the phases, not per line. No Qt here: ClientApp calls
// the recovery right after it takes the instance lock.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class FileOperations;
}

namespace session {

/// The journal of the configuration archive at archiveNativePath.
std::string InstallJournalPath(const std::string& archiveNativePath);

class InstallJournal {
 public:
  explicit InstallJournal(platform::FileOperations& ops) : ops_(ops) {}
  ~InstallJournal();
  InstallJournal(const InstallJournal&) = delete;
  InstallJournal& operator=(const InstallJournal&) = delete;

  /// Starts a fresh journal at path (native), flushed to the disk; false when
  /// it cannot be written (the installation then goes on without one).
  bool Begin(const std::string& path);
  bool IsOpen() const { return file_ != nullptr; }

  /// One line each; false when it could not be written (or no journal).
  bool RecordBackupIntent(const std::string& path) { return Write('b', path); }
  bool RecordBackup(const std::string& path) { return Write('B', path); }
  bool RecordArchiveBackup(const std::string& path) { return Write('A', path); }
  bool RecordNew(const std::string& path) { return Write('N', path); }
  bool RecordTemporary(const std::string& path) { return Write('T', path); }

  /// Flushes the journal to the disk (a phase boundary).
  bool Sync();
  /// Writes "C" and flushes: from here on a restart keeps the new version.
  bool Commit();
  /// Removes the journal (after the backups are gone, or after a rollback).
  void Finish();

 private:
  bool Write(char kind, const std::string& path);

  platform::FileOperations& ops_;
  std::FILE* file_ = nullptr;
  std::string path_;
};

/// What a start-up recovery did.
struct RecoveryReport {
  bool found = false;      // a journal was there
  bool committed = false;  // and the update it records had finished
  int restored = 0;        // backups put back
  int deleted = 0;         // new files removed
  int failed = 0;          // steps that did not work (their backups are kept)
  std::vector<std::string> logLines;  // GBK, for the run's log
};

/// A journal's lines, by kind; valid only when the first line is the
/// journal's header. A last line without its line end is left out.
struct JournalLines {
  bool valid = false;
  bool committed = false;
  std::vector<std::string> intents;    // b: backups begun, maybe not finished
  std::vector<std::string> backups;    // B and A
  std::vector<std::string> newFiles;   // N, in the order written
  std::vector<std::string> temporary;  // T
};
JournalLines ParseInstallJournal(std::string_view text);

/// Finishes or undoes what lines record (journalPath names the archive the
/// journal belongs to); neither syncs the disks nor removes the journal.
RecoveryReport ApplyInstallJournal(platform::FileOperations& ops, const JournalLines& lines,
                                   const std::string& journalPath);

/// Finds the journal of the archive (GBK path, as the run names it) and
/// finishes or undoes the installation it records, then removes it. Nothing
/// happens (found = false) when there is none.
RecoveryReport RecoverInstall(const std::string& archiveGbkPath);
/// The same with the given file operations (tests inject failures here).
RecoveryReport RecoverInstall(platform::FileOperations& ops, const std::string& journalPath);

}  // namespace session
