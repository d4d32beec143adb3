#pragma once
// DownloadWindow: the second wizard page. It shows the file list with
// progress cells, the two bars, the status lines and the details box that
// the download stage fills, and owns the stage's pause and cancel buttons.
// In a preview run it plays the sample download instead of a real one.

#include "client/ui/stage_page.h"

class QProgressBar;

namespace ui {

class ColorEdit;
class ItemListCtrl;
class SkinLabel;

class DownloadWindow : public StagePage {
  Q_OBJECT

 public:
  DownloadWindow(PageContext& context, QWidget* parent);

  ItemListCtrl* List() const { return list_; }
  ColorEdit* DetailsBox() const { return details_; }
  SkinLabel* StatusLine(int n) const { return status_[n]; }
  /// The finished download: the pause button becomes "下一步(&N)".
  void ShowFinishButton(int success) override;

 protected:
  void HandleMessage(int message, int wParam) override;
  void OnButton0() override;
  void OnCancel() override;
  void EndPreview(int wParam) override;
  void StopWork() override;

 private:
  ItemListCtrl* list_ = nullptr;
  ColorEdit* details_ = nullptr;
  SkinLabel* status_[2] = {};
};

}  // namespace ui
