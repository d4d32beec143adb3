#pragma once
// Rollback and clean-up of the installation: putting the old files back
// from their ".ebk" backups and removing the files a failed run put in
// place, deleting the backups once they are no longer needed, and removing
// the run's work folder after a successful update. All of it works on the
// per-item lists of the run state (backedUpFiles, newFiles: GBK paths with
// "/"), for the items marked for this update, and reports every step on the
// status line or in the log. No step stops on a failure.

#include <string>

#include "client/stage/stage_sink.h"

namespace platform {
class FileOperations;
}

namespace session {
class RunState;
}

namespace transfer {

/// What the installation steps work with: the run, the page, the disk and
/// the first line of the tray tip (the skin's title).
struct InstallEnv {
  session::RunState& run;
  StageSink& sink;
  platform::FileOperations& ops;
  std::string trayBase;

  /// Status line (log, status field, details box) and, with a tray, its tip.
  void Status(const std::string& gbkText, bool trayToo = false);
};

/// Undoes the installation: every new file goes (a replaced one is put back
/// by its backup in the same step), every backup is restored, then the
/// backups are deleted. A backup that could not be restored is kept, logged
/// and named in a notice: it is the only copy of the old file. Returns the
/// number of such kept backups.
int Rollback(InstallEnv& env);

/// Deletes the ".ebk" of every backed-up file and empties the lists.
void DeleteBackups(InstallEnv& env);

/// The work folder of the run (status line "删除临时文件！"), after success.
void DeleteWorkFolder(InstallEnv& env);

}  // namespace transfer
