#pragma once
// ScriptedPrompter: answers message boxes from a list instead of a screen.
// Each box is recorded (kept in memory and, when a record file is named,
// appended to it as one UTF-8 line "caption<TAB>text<TAB>buttons", line
// breaks in the text written as "\n"). Answers are taken in order; when
// they run out a box is dismissed (Ok, No, Cancel).

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "client/session/prompter.h"

namespace session {

class ScriptedPrompter : public Prompter {
 public:
  /// answers: comma-separated "ok", "yes", "no", "retry", "cancel" (any
  /// case; unknown words dismiss the box). recordFile: native path or "".
  explicit ScriptedPrompter(std::string_view answers = "", std::string recordFile = "");

  BoxAnswer Show(const BoxRequest& request) override;

  const std::vector<BoxRequest>& Shown() const { return shown_; }

  /// The record line of a box (UTF-8, without the line end).
  static std::string RecordLine(const BoxRequest& request);

 private:
  std::deque<std::string> answers_;
  std::string recordFile_;
  std::vector<BoxRequest> shown_;
};

}  // namespace session
