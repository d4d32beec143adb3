#pragma once
// MessageBoxPrompter: the client's message boxes as real modal QMessageBox
// windows without an owner, with the Chinese button texts the users know.
// CreatePrompter picks it, or the scripted prompter when a test asks for
// one through the environment (UPGRADE_PROMPT_LOG, UPGRADE_PROMPT_ANSWERS).

#include <memory>

#include "client/session/prompter.h"

namespace ui {

class MessageBoxPrompter : public session::Prompter {
 public:
  /// A box closed without a choice answers as its last button.
  session::BoxAnswer Show(const session::BoxRequest& request) override;
};

/// The prompter of the program: scripted when UPGRADE_PROMPT_LOG names a
/// record file, real message boxes otherwise.
std::unique_ptr<session::Prompter> CreatePrompter();

}  // namespace ui
