#include "client/ui/preview_worker.h"

#include <QObject>
#include <QPointer>
#include <chrono>
#include <thread>

#include "client/ui/download_window.h"
#include "client/ui/stage_control.h"

namespace ui {
namespace {

// Lives on the page's thread; the worker emits through it, and the queued
// connections die with the page.
class PreviewBridge : public QObject {
 public:
  explicit PreviewBridge(DownloadWindow* window) : window_(window) {}

  template <typename F>
  void Post(F call) {
    QMetaObject::invokeMethod(
        this,
        [this, call] {
          if (window_) call(window_.data());
        },
        Qt::QueuedConnection);
  }

 private:
  QPointer<DownloadWindow> window_;
};

}  // namespace

void StartDownloadPreview(DownloadWindow* window, std::shared_ptr<StageControl> control,
                          int stepMs) {
  // deleteLater: the last owner may be the worker thread.
  std::shared_ptr<PreviewBridge> bridge(new PreviewBridge(window),
                                        [](PreviewBridge* b) { b->deleteLater(); });
  std::thread([bridge, control, stepMs] {
    bridge->Post([](DownloadWindow* w) { w->PreviewBegin(); });
    for (int step = 0; step <= 10; ++step) {
      control->WaitWhilePaused();
      if (control->IsStopRequested()) return;
      bridge->Post([step](DownloadWindow* w) { w->PreviewStep(step); });
      std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
    }
    if (control->IsStopRequested()) return;
    control->SetFinished();
    bridge->Post([](DownloadWindow* w) { w->PreviewFinished(); });
  }).detach();
}

}  // namespace ui
