#pragma once
// UpdateStage: the installation stage of the update page. Begin starts the
// update worker on its own thread; End (on the page's thread, once) removes
// the work folder after success, runs the installed items' runme programs
// and the run_udafters / run_udafterf hook, writes "更新结束" and shows the
// end_win2 box after a failure.

#include <memory>
#include <string>

#include "client/stage/page_stage.h"
#include "client/install/update_worker.h"

namespace platform {
class FileOperations;
}

namespace session {
class RunState;
}

namespace transfer {

class UpdateStage : public PageStage {
 public:
  /// trayBase: the first line of the tray tip (the skin's title). ops: the
  /// file operations to use (not owned); null for the real file system.
  UpdateStage(session::RunState& run, std::string trayBase, platform::FileOperations* ops = nullptr,
              UpdateTimings timings = {});
  ~UpdateStage() override;

  void Begin(std::shared_ptr<StageSink> sink, std::shared_ptr<TransferContext> control) override;
  void End(StageSink& sink, int success) override;

 private:
  session::RunState& run_;
  std::string trayBase_;
  std::unique_ptr<platform::FileOperations> ownOps_;
  platform::FileOperations* ops_;
  UpdateTimings timings_;
};

/// The stage of a run, installing with those timings.
std::unique_ptr<PageStage> MakeUpdateStage(session::RunState& run, std::string trayBase, UpdateTimings timings = {});

}  // namespace transfer
