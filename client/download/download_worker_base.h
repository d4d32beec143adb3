#pragma once
// DownloadWorkerBase: what the download page's two workers share (the
// ordinary download and the self-update download): the run they fill, the
// page's sink, the stage control, one transfer engine for the whole run (so
// an FTP connection is kept from item to item) and the item fetch over it.
// Each worker runs on a thread of its own that is never joined; the shared
// pointers keep the sink and the control alive while it winds down.

#include <memory>
#include <string>
#include <thread>

#include "client/download/transfer_engine.h"

namespace session {
class RunState;
}

namespace transfer {

class ItemFetch;
class StageSink;
struct TransferContext;

/// Settings of a download run beyond the run state.
struct DownloadOptions {
  EngineOptions engine;
  bool trayInUse = false;  // the tray icon is shown: its tip follows the download
  std::string trayBase;    // the tip's first line (the skin's title, GBK)
};

class DownloadWorkerBase {
 public:
  DownloadWorkerBase(session::RunState& run, std::shared_ptr<StageSink> sink,
                     std::shared_ptr<TransferContext> control, DownloadOptions options);
  virtual ~DownloadWorkerBase();
  DownloadWorkerBase(const DownloadWorkerBase&) = delete;
  DownloadWorkerBase& operator=(const DownloadWorkerBase&) = delete;

  /// The whole download on the calling thread; ends the stage.
  virtual void Run() = 0;

 protected:
  /// Makes a Worker and runs it on a thread of its own (never joined).
  template <class Worker>
  static void StartThread(session::RunState& run, std::shared_ptr<StageSink> sink,
                          std::shared_ptr<TransferContext> control, DownloadOptions options) {
    auto worker = std::make_shared<Worker>(run, std::move(sink), std::move(control), std::move(options));
    std::thread([worker] { worker->Run(); }).detach();
  }

  /// The stage was ended from the page: the worker winds down quietly.
  bool Stopped() const;
  void Log(const std::string& gbkText);

  session::RunState& run_;
  std::shared_ptr<StageSink> sink_;
  std::shared_ptr<TransferContext> control_;
  DownloadOptions options_;
  std::unique_ptr<TransferEngine> engine_;
  std::unique_ptr<ItemFetch> fetch_;
};

}  // namespace transfer
