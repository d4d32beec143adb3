#include "client/ui/page_context.h"

#include "client/session/host_messages.h"
#include "client/session/host_notifier.h"

namespace ui {

void PageContext::ReportOutcome(int code) const {
  const session::OutcomeLogLines lines = session::OutcomeLog(code);
  if (host && host->HostWindow() != 0) {
    host->NotifyHost(code);
    Log(lines.notice);
  }
  Log(lines.follow);
}

}  // namespace ui
