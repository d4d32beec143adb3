#pragma once
// The pages' message boxes shown as real dialogs: caption, icon and buttons
// as asked, always on top, owned by the given window.

#include "client/ui/page_context.h"

namespace ui {

/// Shows the box modally; true for Yes, Retry or OK.
bool ShowMessageBox(const MessageBoxRequest& request);

}  // namespace ui
