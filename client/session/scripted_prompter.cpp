#include "client/session/scripted_prompter.h"

#include <fstream>

#include "common/gbk.h"

namespace session {

ScriptedPrompter::ScriptedPrompter(std::string_view answers, std::string recordFile)
    : recordFile_(std::move(recordFile)) {
  size_t from = 0;
  while (from <= answers.size() && !answers.empty()) {
    size_t comma = answers.find(',', from);
    std::string word = common::GbkToLowerAscii(
        common::Trim(answers.substr(from, comma == std::string_view::npos ? answers.npos : comma - from)));
    if (!word.empty()) answers_.push_back(word);
    if (comma == std::string_view::npos) break;
    from = comma + 1;
  }
}

std::string ScriptedPrompter::RecordLine(const BoxRequest& request) {
  std::string text;
  for (char c : common::GbkToUtf8(request.text)) {
    if (c == '\n') text += "\\n";
    else text += c;
  }
  const char* buttons = request.buttons == BoxButtons::YesNo         ? "yesno"
                        : request.buttons == BoxButtons::RetryCancel ? "retrycancel"
                                                                     : "ok";
  return common::GbkToUtf8(request.caption) + "\t" + text + "\t" + buttons;
}

BoxAnswer ScriptedPrompter::Show(const BoxRequest& request) {
  shown_.push_back(request);
  if (!recordFile_.empty()) {
    std::ofstream out(recordFile_, std::ios::binary | std::ios::app);
    out << RecordLine(request) << '\n';
  }
  BoxAnswer answer = DismissAnswer(request.buttons);
  if (!answers_.empty()) {
    const std::string word = answers_.front();
    answers_.pop_front();
    if (word == "ok") answer = BoxAnswer::Ok;
    else if (word == "yes") answer = BoxAnswer::Yes;
    else if (word == "no") answer = BoxAnswer::No;
    else if (word == "retry") answer = BoxAnswer::Retry;
    else if (word == "cancel") answer = BoxAnswer::Cancel;
  }
  return answer;
}

}  // namespace session
