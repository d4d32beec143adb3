#pragma once
// SelfUpdateDownload: the download page's worker in a self-update run. It
// fetches the client's new program next to the running one (under the
// temporary name the relaunch looks for) and the new configuration
// archive beside the one the run read (archive + ".ubk"), each from the
// item's mirrors with its MD5 check; then it records the archive item's new
// version in the downloaded archive's "client.dat" and puts the downloaded
// archive in place of the configuration archive, so that at every moment
// the archive is either the old one or the complete new one.

#include <functional>
#include <memory>
#include <string>

#include "client/session/self_update.h"
#include "client/download/download_worker.h"

namespace session {
class RunState;
}

namespace transfer {

class SelfUpdateDownload : public DownloadWorkerBase {
 public:
  using DownloadWorkerBase::DownloadWorkerBase;

  /// Runs the worker on a thread of its own (never joined).
  static void Start(session::RunState& run, std::shared_ptr<StageSink> sink,
                    std::shared_ptr<TransferContext> control, DownloadOptions options) {
    StartThread<SelfUpdateDownload>(run, std::move(sink), std::move(control), std::move(options));
  }

  /// Both downloads and the archive replacement; ends the stage.
  void Run() override;

  /// The temporary program of a self-update: the program's path + ".new".
  static std::string TemporaryProgram(const std::string& modulePath) { return session::TemporaryProgramOf(modulePath); }
  /// The downloaded configuration archive: the archive's path + ".ubk".
  static std::string ArchiveDownload(const std::string& archivePath) { return session::ArchiveDownloadOf(archivePath); }

 private:
  /// Tells why a downloaded file cannot be used; empty when it can.
  using Acceptance = std::function<std::string(const std::string& gbkPath)>;
  bool FetchItem(int slot, const std::string& destination, const Acceptance& accept);
  /// Writes the item's new version into the ".ubk"'s "client.dat" and
  /// replaces the configuration archive with it; false (the ".ubk" left
  /// behind, the archive untouched) when any step fails.
  bool InstallArchive(int slot);
  void Fail();
};

}  // namespace transfer
