#pragma once
// Prompter: every message box of the client goes through this interface,
// those of the session driver and those of the pages and their stages.
// The program shows real boxes (client/ui); tests and scripted runs answer
// them without a screen. Texts are GBK, as the client keeps them.

#include <string>
#include <string_view>

namespace session {

enum class BoxButtons { Ok, YesNo, RetryCancel };
enum class BoxIcon { None, Information, Question, Warning };
enum class BoxAnswer { Ok, Yes, No, Retry, Cancel };

struct BoxRequest {
  std::string caption;
  std::string text;
  BoxButtons buttons = BoxButtons::Ok;
  BoxIcon icon = BoxIcon::None;
  bool topmost = true;
};

class Prompter {
 public:
  virtual ~Prompter() = default;
  /// Shows the box and waits for the answer; a box closed without a choice
  /// answers as its last button (Ok, No, Cancel).
  virtual BoxAnswer Show(const BoxRequest& request) = 0;
};

/// The answer a box gives when it is dismissed: Ok, No or Cancel.
BoxAnswer DismissAnswer(BoxButtons buttons);

/// True for Yes, Retry and Ok: the answer that goes on.
bool IsAccepted(BoxAnswer answer);

/// The caption of the run's boxes: "信息提示".
std::string InfoCaption();

/// A topmost box with the caption "信息提示" and the text as given.
BoxRequest InfoBox(std::string_view gbkText, BoxButtons buttons, BoxIcon icon);

/// The information box ("\n" + text + "\n"), only while the show type lets
/// boxes appear (ShowsBoxes).
void Notice(Prompter& prompter, int showType, std::string_view gbkText);

/// The same box with the warning icon and Retry / Cancel; true for Retry.
/// False at once while the show type keeps boxes away.
bool AskRetry(Prompter& prompter, int showType, std::string_view gbkText);

/// "你想取消这次升级吗？" with Yes / No, whatever the show type: the user can
/// only ask to cancel while a page is visible. True for Yes.
bool ConfirmCancel(Prompter& prompter);

}  // namespace session
