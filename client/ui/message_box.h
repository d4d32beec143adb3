#pragma once
// The pages' message boxes: a page asks through its context with a
// MessageBoxRequest; the run answers it through its prompter, and a page
// made without a run shows a real box itself.

#include "client/session/prompter.h"
#include "client/ui/page_context.h"

namespace ui {

/// The request as the run's prompter takes it (texts to GBK, always on top).
session::BoxRequest ToBoxRequest(const MessageBoxRequest& request);

/// Asks prompter; true for Yes, Retry or OK.
bool AskPrompter(session::Prompter& prompter, const MessageBoxRequest& request);

/// Shows the box as a real modal dialog; true for Yes, Retry or OK (an OK
/// box however it is closed).
bool ShowMessageBox(const MessageBoxRequest& request);

}  // namespace ui
