#pragma once
// DownloadDoneWindow: the third wizard page, a last confirmation before the
// installation. Quiet sessions pass straight on; a session window hidden in
// the tray is brought back so the user sees the question.

#include "client/ui/wizard_page.h"

namespace ui {

class DownloadDoneWindow : public WizardPage {
  Q_OBJECT

 public:
  DownloadDoneWindow(PageContext& context, QWidget* parent);

 protected:
  void HandleMessage(int message, int wParam) override;
  void OnButton0() override;
  void OnCancel() override;
};

}  // namespace ui
