#pragma once
// StageControl: the flags a page stage shares with its worker thread
// (paused, stop requested, user cancelled, finished) and the auto-reset
// event that holds a paused worker at its next gate. The download page's
// buttons drive it; the worker only reads the flags and waits at the gate.
// The transfer engine's own context can stand behind this interface.

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace ui {

class StageControl {
 public:
  virtual ~StageControl() = default;
  virtual bool IsPaused() const = 0;
  virtual void SetPaused(bool paused) = 0;
  /// Sets the resume event once (auto-reset): one waiting worker goes on.
  virtual void SignalResume() = 0;
  /// Worker side: while paused, waits for the resume event or a stop request.
  virtual void WaitWhilePaused() = 0;
  virtual bool IsStopRequested() const = 0;
  virtual void RequestStop() = 0;
  virtual bool IsUserCancelled() const = 0;
  virtual void SetUserCancelled() = 0;
  virtual bool IsFinished() const = 0;
  virtual void SetFinished() = 0;
};

/// The plain implementation: atomics and a mutex-guarded event flag.
class LocalStageControl : public StageControl {
 public:
  bool IsPaused() const override { return paused_.load(); }
  void SetPaused(bool paused) override { paused_.store(paused); }
  void SignalResume() override;
  void WaitWhilePaused() override;
  bool IsStopRequested() const override { return stopRequested_.load(); }
  void RequestStop() override;
  bool IsUserCancelled() const override { return userCancelled_.load(); }
  void SetUserCancelled() override { userCancelled_.store(true); }
  bool IsFinished() const override { return finished_.load(); }
  void SetFinished() override { finished_.store(true); }

 private:
  std::atomic<bool> paused_{false};
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> userCancelled_{false};
  std::atomic<bool> finished_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
  bool resumeSignalled_ = false;
};

}  // namespace ui
