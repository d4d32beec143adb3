#include "client/ui/stage_control.h"

namespace ui {

void LocalStageControl::SignalResume() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    resumeSignalled_ = true;
  }
  wake_.notify_one();
}

void LocalStageControl::WaitWhilePaused() {
  if (!paused_.load()) return;
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait(lock, [this] { return resumeSignalled_ || stopRequested_.load(); });
  resumeSignalled_ = false;  // auto-reset: the event lets one wait through
}

void LocalStageControl::RequestStop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopRequested_.store(true);
  }
  wake_.notify_all();
}

}  // namespace ui
