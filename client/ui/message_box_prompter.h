#pragma once
// MessageBoxPrompter: the client's message boxes as real modal QMessageBox
// windows without an owner, with the Chinese button texts the users know.

#include "client/session/prompter.h"

namespace ui {

class MessageBoxPrompter : public session::Prompter {
 public:
  /// A box closed without a choice answers as its last button.
  session::BoxAnswer Show(const session::BoxRequest& request) override;
};

}  // namespace ui
