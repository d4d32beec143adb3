#pragma once
// UpdateWorker: the installation of an update run, on the update page's
// worker thread. In order: close the programs that hold the files, run the
// run_udbefore hook, back up every file about to be overwritten, put the
// new files in place (plain copies or ZIP extraction), record the new
// versions in "client.dat" of the configuration archive the run read,
// delete the backups and tell the host. Any failure from the first backup
// on rolls everything back. Beside the run's own lists, an install journal
// beside the configuration archive lets the next start finish or undo an
// installation that was cut off (see session::InstallJournal).

#include <chrono>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

#include "client/session/install_journal.h"
#include "client/session/run_state.h"
#include "client/install/rollback.h"

namespace transfer {

struct UpdateTimings {
  std::chrono::milliseconds settle{500};     // after closing programs
  std::chrono::milliseconds quitWait{5000};  // for a program asked to quit
  std::chrono::milliseconds perFile{0};      // tests only: slows each installed file
};

class UpdateWorker {
 public:
  UpdateWorker(InstallEnv env, UpdateTimings timings)
      : env_(std::move(env)), timings_(timings), journal_(env_.ops) {}

  /// The whole worker; the stage ends through the sink (failure: EndStage(0);
  /// success: FinishStage, which waits for "完成(&O)" in a manual session).
  void Run();

 private:
  bool BackUpRecord(const std::string& itemPath, session::ItemWork& work, const session::DownloadRecord& r);
  bool InstallRecord(const std::string& itemPath, const std::string& tempFolder, session::ItemWork& work,
                     const session::DownloadRecord& r, const session::FileItem* file);
  void RecordVersions();
  /// Status and notice texts of a failure, rollback, stage end with 0.
  void Fail(const std::string& status, const std::string& notice);
  /// The install folder of a record, created when missing (GBK, ends in "/").
  std::string MakeInstallFolder(const std::string& itemPath, const session::DownloadRecord& r);
  /// A phase boundary: the journal to the disk, with withFiles every file
  /// system the installation wrote to as well.
  void FlushPhase(bool withFiles);

  InstallEnv env_;
  UpdateTimings timings_;
  session::InstallJournal journal_;
  std::vector<std::string> touchedFolders_;  // native, for the phase flushes
  // Hashes of each item's backedUpFiles: a dir item of 100,000 files must
  // not search its list once per file (nor keep every path twice).
  struct BackedUpHashes {
    size_t counted = 0;  // entries of the list hashed so far
    std::unordered_set<size_t> hashes;
  };
  std::map<const session::ItemWork*, BackedUpHashes> backedUp_;
};

}  // namespace transfer
