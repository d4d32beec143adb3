#pragma once
// StageControl: the flags a page stage shares with its worker thread
// (paused, stop requested, user cancelled, finished) and the auto-reset
// event that holds a paused worker at its next gate. The download page's
// buttons drive it; the worker only reads the flags and waits at the gate.
// TransferStageControl keeps them in the transfer engine's own context, so
// the page and the engine look at one object.

#include <memory>

#include "client/stage/transfer_context.h"

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
  /// Stage end: the worker stops at its next chunk, also when held paused.
  virtual void RequestStop() = 0;
  virtual bool IsUserCancelled() const = 0;
  virtual void SetUserCancelled() = 0;
  virtual bool IsFinished() const = 0;
  virtual void SetFinished() = 0;
};

/// The page side of a transfer context (made here when none is given).
class TransferStageControl : public StageControl {
 public:
  explicit TransferStageControl(std::shared_ptr<transfer::TransferContext> context = nullptr)
      : context_(context ? std::move(context) : std::make_shared<transfer::TransferContext>()) {}

  /// The context the download worker's engine uses.
  const std::shared_ptr<transfer::TransferContext>& Context() const { return context_; }

  bool IsPaused() const override { return context_->paused.load(); }
  void SetPaused(bool paused) override { context_->paused.store(paused); }
  void SignalResume() override { context_->resumeEvent.Set(); }
  void WaitWhilePaused() override { context_->HonourPause(); }
  bool IsStopRequested() const override { return context_->stopRequested.load(); }
  void RequestStop() override { context_->RequestStop(); }
  bool IsUserCancelled() const override { return context_->userCancelled.load(); }
  void SetUserCancelled() override { context_->userCancelled.store(true); }
  bool IsFinished() const override { return context_->finished.load(); }
  void SetFinished() override { context_->finished.store(true); }

 private:
  std::shared_ptr<transfer::TransferContext> context_;
};

}  // namespace ui
