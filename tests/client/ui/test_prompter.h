#pragma once
// A prompter for page tests: records every box and answers from a list of
// yes/no decisions (true: Yes, Retry or Ok; false or none left: the box is
// dismissed). Answers can be queued while a test runs.

#include <deque>
#include <vector>

#include "client/session/prompter.h"
#include "common/gbk.h"

namespace uitest {

class TestPrompter : public session::Prompter {
 public:
  session::BoxAnswer Show(const session::BoxRequest& request) override {
    boxes.push_back(request);
    bool accept = false;
    if (!answers.empty()) {
      accept = answers.front();
      answers.pop_front();
    }
    if (!accept) return session::DismissAnswer(request.buttons);
    switch (request.buttons) {
      case session::BoxButtons::YesNo: return session::BoxAnswer::Yes;
      case session::BoxButtons::RetryCancel: return session::BoxAnswer::Retry;
      case session::BoxButtons::Ok: break;
    }
    return session::BoxAnswer::Ok;
  }

  /// The text of box n as UTF-8.
  std::string Text(size_t n) const { return common::GbkToUtf8(boxes.at(n).text); }

  std::vector<session::BoxRequest> boxes;
  std::deque<bool> answers;
};

}  // namespace uitest
