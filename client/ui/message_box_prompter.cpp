#include "client/ui/message_box_prompter.h"

#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <vector>

#include "common/gbk.h"

namespace ui {

namespace {

QString FromGbk(const std::string& gbk) { return QString::fromStdString(common::GbkToUtf8(gbk)); }

QMessageBox::Icon ToQt(session::BoxIcon icon) {
  switch (icon) {
    case session::BoxIcon::Information: return QMessageBox::Information;
    case session::BoxIcon::Question: return QMessageBox::Question;
    case session::BoxIcon::Warning: return QMessageBox::Warning;
    case session::BoxIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

session::BoxAnswer MessageBoxPrompter::Show(const session::BoxRequest& request) {
  using session::BoxAnswer;
  QMessageBox box(ToQt(request.icon), FromGbk(request.caption), FromGbk(request.text));
  // Box texts come from the configuration: shown as written, never as HTML
  // (a crafted text could show pictures, links or a fake headline).
  box.setTextFormat(Qt::PlainText);
  if (request.topmost) box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  struct Choice {
    QPushButton* button;
    BoxAnswer answer;
  };
  std::vector<Choice> choices;
  auto add = [&](const char* text, QMessageBox::ButtonRole role, BoxAnswer answer) {
    choices.push_back({box.addButton(QString::fromUtf8(text), role), answer});
  };
  switch (request.buttons) {
    case session::BoxButtons::Ok:
      add("确定", QMessageBox::AcceptRole, BoxAnswer::Ok);
      break;
    case session::BoxButtons::YesNo:
      add("是(&Y)", QMessageBox::YesRole, BoxAnswer::Yes);
      add("否(&N)", QMessageBox::NoRole, BoxAnswer::No);
      break;
    case session::BoxButtons::RetryCancel:
      add("重试(&R)", QMessageBox::AcceptRole, BoxAnswer::Retry);
      add("取消", QMessageBox::RejectRole, BoxAnswer::Cancel);
      break;
  }
  box.setDefaultButton(choices.front().button);
  // Closing the box with its title-bar button or Escape counts as the last
  // button, the one that changes nothing.
  box.setEscapeButton(choices.back().button);
  box.exec();
  for (const Choice& c : choices) {
    if (box.clickedButton() == c.button) return c.answer;
  }
  return session::DismissAnswer(request.buttons);
}

}  // namespace ui
