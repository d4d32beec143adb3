#pragma once
// StartWindow: the first wizard page. It lists the items that have a new
// version and waits for Next; Cancel asks first and, outside the preview,
// tells the host that the update was stopped before the download.

#include "client/ui/wizard_page.h"

namespace ui {

class ItemListCtrl;

class StartWindow : public WizardPage {
  Q_OBJECT

 public:
  StartWindow(PageContext& context, QWidget* parent);

  ItemListCtrl* List() const { return list_; }

 protected:
  void HandleMessage(int message, int wParam) override;
  void OnButton0() override;
  void OnCancel() override;

 private:
  void FillRows();

  ItemListCtrl* list_ = nullptr;
};

}  // namespace ui
