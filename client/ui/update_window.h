#pragma once
// UpdateWindow: the last wizard page, where the installation runs. Its only
// button stays disabled until the stage enables it as the finish button;
// the session window cannot be closed meanwhile.

#include <functional>

#include "client/ui/wizard_page.h"

class QProgressBar;
class QTimer;

namespace ui {

class ColorEdit;
class SkinLabel;

class UpdateWindow : public WizardPage {
  Q_OBJECT

 public:
  UpdateWindow(PageContext& context, QWidget* parent);

  /// The installation stage's start and end handlers; without an end
  /// handler the page reports its result straight to the session window.
  std::function<void(UpdateWindow&)> onBeginUpdate;
  std::function<void(UpdateWindow&, int)> onStageEnd;

  ColorEdit* DetailsBox() const { return details_; }
  QProgressBar* Bar() const { return bar_; }
  SkinLabel* StatusLine() const { return status_; }
  /// Enables the finish button as "完成(&O)"; pressing it ends the stage
  /// with the success flag.
  void EnableFinish(int updateSucceeded);
  int UpdateSucceeded() const { return updateSucceeded_; }
  void PostStageEnd(int wParam) { PostToSelf(kMsgStageEnd, wParam); }
  /// Pause between the preview's steps (250 ms in a run).
  void SetPreviewStepMs(int ms) { previewStepMs_ = ms; }

 protected:
  void HandleMessage(int message, int wParam) override;
  void OnCancel() override;
  void ApplyButtonSkins() override;
  int DetailsScrollLines(int lineCount, int visibleLines) const override;

 private:
  void RunPreview();
  void StageEnd(int wParam);

  ColorEdit* details_ = nullptr;
  QProgressBar* bar_ = nullptr;
  SkinLabel* status_ = nullptr;
  QTimer* previewTimer_ = nullptr;
  int previewStepMs_ = 250;
  int updateSucceeded_ = 0;
  bool stageEnded_ = false;
};

}  // namespace ui
