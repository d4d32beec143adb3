#pragma once
// UpdateWindow: the last wizard page, where the installation runs. Its only
// button stays disabled until the stage enables it as the finish button;
// the session window cannot be closed meanwhile.

#include "client/ui/stage_page.h"

class QTimer;

namespace ui {

class ColorEdit;
class SkinLabel;

class UpdateWindow : public StagePage {
  Q_OBJECT

 public:
  UpdateWindow(PageContext& context, QWidget* parent);

  ColorEdit* DetailsBox() const { return details_; }
  SkinLabel* StatusLine() const { return status_; }
  /// Enables the finish button as "完成(&O)"; pressing it ends the stage
  /// with the success flag.
  void EnableFinish(int updateSucceeded);
  void ShowFinishButton(int success) override { EnableFinish(success); }
  int UpdateSucceeded() const { return updateSucceeded_; }

 protected:
  void HandleMessage(int message, int wParam) override;
  void OnCancel() override;
  void ApplyButtonSkins() override;
  int DetailsScrollLines(int lineCount, int visibleLines) const override;
  void EndPreview(int wParam) override;

 private:
  void RunPreview();

  ColorEdit* details_ = nullptr;
  SkinLabel* status_ = nullptr;
  QTimer* previewTimer_ = nullptr;
  int updateSucceeded_ = 0;
};

}  // namespace ui
