#include "client/ui/message_box.h"

#include <QMessageBox>

namespace ui {

bool ShowMessageBox(const MessageBoxRequest& request) {
  QMessageBox box(request.owner);
  box.setWindowTitle(request.caption);
  box.setText(request.text);
  box.setWindowFlags(box.windowFlags() | Qt::WindowStaysOnTopHint);
  switch (request.icon) {
    case MessageBoxRequest::Icon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case MessageBoxRequest::Icon::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case MessageBoxRequest::Icon::Question:
      box.setIcon(QMessageBox::Question);
      break;
  }
  switch (request.buttons) {
    case MessageBoxRequest::Buttons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      return box.exec() == QMessageBox::Ok;
    case MessageBoxRequest::Buttons::RetryCancel:
      box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
      return box.exec() == QMessageBox::Retry;
    case MessageBoxRequest::Buttons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      return box.exec() == QMessageBox::Yes;
  }
  return false;
}

}  // namespace ui
