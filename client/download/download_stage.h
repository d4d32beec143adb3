#pragma once
// DownloadStage: the download page's stage. Its start fills the page's list
// with the new items, runs the hook before the download and starts the
// worker (the ordinary download, or in a self-update run the download of
// the client's own program and configuration archive); its end closes the
// files still open, tells the host of a failed or cancelled download, shows
// the run's failure box and runs the hook after the download.

#include <memory>

#include "client/download/download_worker.h"
#include "client/stage/page_stage.h"

namespace session {
class RunState;
}

namespace transfer {

class DownloadStage : public PageStage {
 public:
  enum class Kind { kItems, kSelfUpdate };

  DownloadStage(session::RunState& run, DownloadOptions options, Kind kind);

  void Begin(std::shared_ptr<StageSink> sink, std::shared_ptr<TransferContext> control) override;
  void End(StageSink& sink, int success) override;

 private:
  session::RunState& run_;
  DownloadOptions options_;
  Kind kind_;
  std::shared_ptr<TransferContext> control_;
};

/// The stage of a normal run's download page.
std::unique_ptr<PageStage> MakeDownloadStage(session::RunState& run, DownloadOptions options = {});
/// The stage of a self-update run's download page.
std::unique_ptr<PageStage> MakeSelfUpdateStage(session::RunState& run, DownloadOptions options = {});

}  // namespace transfer
