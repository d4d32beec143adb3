#pragma once
// StagePage: a wizard page that runs a stage (the download page and the
// update page). It holds the stage the session window handed it, the flags
// shared with the stage's worker (StageControl) and the worker's way back
// to the page (PageSink). It starts the stage when its begin message comes
// and runs the stage end once: the stop flags first, then the stage's own
// end, then the page-done message. The list, bars and status lines a stage
// fills are registered by each page; a page without one ignores the call.

#include <memory>
#include <string>

#include "client/ui/stage_control.h"
#include "client/ui/wizard_page.h"

class QProgressBar;

namespace transfer {
class PageStage;
}

namespace ui {

class ColorEdit;
class ItemListCtrl;
class PageSink;

class StagePage : public WizardPage {
  Q_OBJECT

 public:
  StagePage(int pageIndex, PageContext& context, const std::array<QString, 4>& texts, QWidget* parent);
  /// Releases a worker waiting for an answer and stops it at its next gate.
  ~StagePage() override;

  /// The stage to run (not owned; it outlives the page). Without one the
  /// page starts nothing and its stage end only does the fixed part.
  void SetStage(transfer::PageStage* stage) { stage_ = stage; }
  const std::shared_ptr<TransferStageControl>& Control() const { return control_; }
  /// The worker's way to this page.
  const std::shared_ptr<PageSink>& Sink() const { return sink_; }
  /// Stage end request (WM_USER+124), queued; the first one wins.
  void PostStageEnd(int wParam) { PostToSelf(session::kMsgStageEnd, wParam); }
  bool StageEnded() const { return stageEnded_; }
  /// Pause between the preview's steps (250 ms in a run).
  void SetPreviewStepMs(int ms) { previewStepMs_ = ms; }

  /// Progress bar n; null when the page has none.
  QProgressBar* Bar(int n = 0) const { return n >= 0 && n < 2 ? bars_[n] : nullptr; }

  // What the sink does on the page's thread.
  int AddListRow(const std::string& gbkText);
  void CheckListRow(int row);
  void AppendRowText(int row, const std::string& gbkText);
  void SetRowProgress(int row, int percent);
  void SetRowSpeed(int row, const std::string& gbkText);
  void SetBarRange(int bar, int maximum);
  void SetBarValue(int bar, int value);
  /// Status line 1: size and speed of the transfer.
  void SetTransferStatus(const std::string& gbkText);
  void SetTrayTip(const std::string& gbkText);
  /// The button that ends a finished stage ("下一步(&N)" / "完成(&O)").
  virtual void ShowFinishButton(int success) = 0;

 protected:
  void SetList(ItemListCtrl* list) { list_ = list; }
  void SetBar(int n, QProgressBar* bar) { bars_[n] = bar; }
  void SetTransferStatusLine(SkinLabel* line) { transferStatus_ = line; }
  /// The stage's controls, named by control id and placed by their skin
  /// element: the details box, bar n (0 to 100, no text) and a status line.
  ColorEdit* AddDetailsBox(const formats::ExtraSkin& skin);
  QProgressBar* AddBar(int n, int id, const formats::ExtraSkin& skin);
  SkinLabel* AddStatusLine(int id, const formats::ExtraSkin& skin);
  int PreviewStepMs() const { return previewStepMs_; }

  /// The stage start (the page's begin message).
  void BeginStage();
  /// The stage end (WM_USER+124), once: a preview run ends by EndPreview;
  /// otherwise StopWork, the stage's End, and the page-done message
  /// (0 after success, 1 otherwise).
  void StageEnd(int wParam);
  virtual void EndPreview(int wParam) = 0;
  /// Sets paused and stop requested and releases a waiting question.
  virtual void StopWork();

 private:
  transfer::PageStage* stage_ = nullptr;
  std::shared_ptr<TransferStageControl> control_;
  std::shared_ptr<PageSink> sink_;
  ItemListCtrl* list_ = nullptr;
  QProgressBar* bars_[2] = {};
  SkinLabel* transferStatus_ = nullptr;
  int previewStepMs_ = 250;
  int finishedRows_ = 0;  // rows ticked so far
  bool stageEnded_ = false;
};

}  // namespace ui
