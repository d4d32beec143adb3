#include "client/ui/message_box.h"

#include <QMessageBox>
#include <QPushButton>

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
  // The buttons carry the same Chinese captions as the run's other boxes
  // (Qt's standard buttons would be labelled in English). A box closed
  // without a choice answers as its last button, the one that changes nothing.
  QPushButton* accept = nullptr;
  QPushButton* last = nullptr;
  switch (request.buttons) {
    case MessageBoxRequest::Buttons::Ok:
      accept = last = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
      break;
    case MessageBoxRequest::Buttons::RetryCancel:
      accept = box.addButton(QStringLiteral("重试(&R)"), QMessageBox::AcceptRole);
      last = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
      break;
    case MessageBoxRequest::Buttons::YesNo:
      accept = box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
      last = box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
      break;
  }
  box.setDefaultButton(accept);
  box.setEscapeButton(last);
  box.exec();
  // An OK box has nothing to decline: however it is closed, it was seen.
  if (request.buttons == MessageBoxRequest::Buttons::Ok) return true;
  return box.clickedButton() == accept;
}

}  // namespace ui
