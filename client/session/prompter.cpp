#include "client/session/prompter.h"

#include "client/session/session_modes.h"
#include "common/gbk.h"

namespace session {

BoxAnswer DismissAnswer(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::Ok: return BoxAnswer::Ok;
    case BoxButtons::YesNo: return BoxAnswer::No;
    case BoxButtons::RetryCancel: return BoxAnswer::Cancel;
  }
  return BoxAnswer::Ok;
}

bool IsAccepted(BoxAnswer answer) {
  return answer == BoxAnswer::Yes || answer == BoxAnswer::Retry || answer == BoxAnswer::Ok;
}

std::string InfoCaption() { return common::Gbk("信息提示"); }

BoxRequest InfoBox(std::string_view gbkText, BoxButtons buttons, BoxIcon icon) {
  BoxRequest box;
  box.caption = InfoCaption();
  box.text = std::string(gbkText);
  box.buttons = buttons;
  box.icon = icon;
  return box;
}

namespace {

BoxRequest FramedBox(std::string_view gbkText, BoxButtons buttons, BoxIcon icon) {
  return InfoBox("\n" + std::string(gbkText) + "\n", buttons, icon);
}

}  // namespace

void Notice(Prompter& prompter, int showType, std::string_view gbkText) {
  if (!ShowsBoxes(showType)) return;
  prompter.Show(FramedBox(gbkText, BoxButtons::Ok, BoxIcon::Information));
}

bool AskRetry(Prompter& prompter, int showType, std::string_view gbkText) {
  if (!ShowsBoxes(showType)) return false;
  return prompter.Show(FramedBox(gbkText, BoxButtons::RetryCancel, BoxIcon::Warning)) ==
         BoxAnswer::Retry;
}

bool ConfirmCancel(Prompter& prompter) {
  return prompter.Show(InfoBox(common::Gbk("你想取消这次升级吗？"), BoxButtons::YesNo,
                               BoxIcon::Question)) == BoxAnswer::Yes;
}

}  // namespace session
