#include "client/download/download_worker_base.h"

#include "client/session/run_state.h"
#include "client/download/item_fetch.h"
#include "client/stage/stage_sink.h"
#include "client/stage/transfer_context.h"

namespace transfer {

DownloadWorkerBase::DownloadWorkerBase(session::RunState& run, std::shared_ptr<StageSink> sink,
                                       std::shared_ptr<TransferContext> control, DownloadOptions options)
    : run_(run), sink_(std::move(sink)), control_(std::move(control)), options_(std::move(options)) {
  engine_ = std::make_unique<TransferEngine>(*control_, sink_.get(), &run_.Host(),
                                             [this](const std::string& line) { Log(line); }, options_.engine);
  engine_->Reporter().SetTray(options_.trayInUse, options_.trayBase);
  fetch_ = std::make_unique<ItemFetch>(run_, *sink_, *control_, *engine_);
}

DownloadWorkerBase::~DownloadWorkerBase() = default;

bool DownloadWorkerBase::Stopped() const { return control_->stopRequested.load(); }

void DownloadWorkerBase::Log(const std::string& gbkText) { run_.WriteLog(gbkText); }

}  // namespace transfer
