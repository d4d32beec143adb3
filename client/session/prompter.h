#pragma once
// Prompter: every message box of the client goes through this interface.
// The program shows real boxes (client/ui); tests and scripted runs answer
// them without a screen. Texts are GBK, as the client keeps them.

#include <string>

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

}  // namespace session
