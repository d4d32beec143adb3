#pragma once
// PageStage: the work a download or update page runs. The session window
// hands each stage page one; the page calls Begin when its work starts and
// End when the stage ends, and keeps the fixed parts itself (the stop flags
// and the tray animation before End, the page-done message after it).
// Both calls come on the page's thread; the stage starts its worker thread
// in Begin and hands it the sink and the control (never a widget).

#include <memory>

namespace transfer {

class StageSink;
struct TransferContext;

class PageStage {
 public:
  virtual ~PageStage() = default;

  /// The stage start: fill the list, run the stage's first hook, start the
  /// worker. sink reaches the page (keep the shared pointer in the worker);
  /// control holds the flags the page's buttons set (paused, stop requested,
  /// user cancelled, finished) and the pause gate.
  virtual void Begin(std::shared_ptr<StageSink> sink, std::shared_ptr<TransferContext> control) = 0;

  /// The stage end (success 1, or 0 for failure or cancel), after the page
  /// has set paused and stop requested: host notice, boxes, the closing
  /// hooks. The page then reports page-done (0 after success, 1 otherwise).
  virtual void End(StageSink& sink, int success) = 0;
};

}  // namespace transfer
