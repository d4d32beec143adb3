#include "client/ui/message_box.h"

#include "client/ui/message_box_prompter.h"
#include "client/ui/qt_convert.h"

namespace ui {

session::BoxRequest ToBoxRequest(const MessageBoxRequest& request) {
  session::BoxRequest box;
  box.caption = ToGbk(request.caption);
  box.text = ToGbk(request.text);
  switch (request.buttons) {
    case MessageBoxRequest::Buttons::Ok: box.buttons = session::BoxButtons::Ok; break;
    case MessageBoxRequest::Buttons::RetryCancel: box.buttons = session::BoxButtons::RetryCancel; break;
    case MessageBoxRequest::Buttons::YesNo: box.buttons = session::BoxButtons::YesNo; break;
  }
  switch (request.icon) {
    case MessageBoxRequest::Icon::Information: box.icon = session::BoxIcon::Information; break;
    case MessageBoxRequest::Icon::Warning: box.icon = session::BoxIcon::Warning; break;
    case MessageBoxRequest::Icon::Question: box.icon = session::BoxIcon::Question; break;
  }
  box.topmost = true;
  return box;
}

bool AskPrompter(session::Prompter& prompter, const MessageBoxRequest& request) {
  const session::BoxAnswer answer = prompter.Show(ToBoxRequest(request));
  return answer == session::BoxAnswer::Yes || answer == session::BoxAnswer::Retry ||
         answer == session::BoxAnswer::Ok;
}

bool ShowMessageBox(const MessageBoxRequest& request) {
  MessageBoxPrompter prompter;
  return AskPrompter(prompter, request);
}

}  // namespace ui
