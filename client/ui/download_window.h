#pragma once
// DownloadWindow: the second wizard page. It shows the file list with
// progress cells, the two bars, the status lines and the details box that
// the download stage fills, and owns the stage's pause and cancel buttons.
// In a preview run it plays the sample download instead of a real one.

#include <functional>
#include <memory>

#include "client/ui/stage_control.h"
#include "client/ui/wizard_page.h"

class QProgressBar;

namespace ui {

class ColorEdit;
class ItemListCtrl;
class SkinLabel;

class DownloadWindow : public WizardPage {
  Q_OBJECT

 public:
  /// control: the flags and resume event shared with the stage's worker;
  /// null makes a page-local one.
  DownloadWindow(PageContext& context, QWidget* parent,
                 std::shared_ptr<StageControl> control = nullptr);
  ~DownloadWindow() override;

  /// The download stage's handlers for the stage start (normal and
  /// self-update) and the stage end (wParam 1 success); set before the
  /// event loop runs. Without an end handler the page reports its result
  /// straight to the session window.
  std::function<void(DownloadWindow&)> onBeginStage;
  std::function<void(DownloadWindow&)> onBeginSelfUpdate;
  std::function<void(DownloadWindow&, int)> onStageEnd;

  const std::shared_ptr<StageControl>& Control() const { return control_; }
  ItemListCtrl* List() const { return list_; }
  ColorEdit* DetailsBox() const { return details_; }
  QProgressBar* Bar(int n) const { return bars_[n]; }
  SkinLabel* StatusLine(int n) const { return status_[n]; }
  /// Stage end request (WM_USER+124), queued; the first one wins.
  void PostStageEnd(int wParam) { PostToSelf(kMsgStageEnd, wParam); }
  /// Pause between the preview's steps (250 ms in a run).
  void SetPreviewStepMs(int ms) { previewStepMs_ = ms; }

  /// Preview worker reports, on the page's thread.
  void PreviewBegin();
  void PreviewStep(int step);
  void PreviewFinished();

 protected:
  void HandleMessage(int message, int wParam) override;
  void OnButton0() override;
  void OnCancel() override;

 private:
  void StageEnd(int wParam);

  std::shared_ptr<StageControl> control_;
  ItemListCtrl* list_ = nullptr;
  ColorEdit* details_ = nullptr;
  QProgressBar* bars_[2] = {};
  SkinLabel* status_[2] = {};
  int previewRow_ = -1;
  int previewStepMs_ = 250;
  bool stageEnded_ = false;
};

}  // namespace ui
