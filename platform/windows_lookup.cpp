#include "platform/windows_lookup.h"

#include "common/gbk.h"

namespace platform {
namespace {

template <typename Match>
bool FindFirst(TopLevelWindow* window, Match match) {
  for (TopLevelWindow& w : ListTopLevelWindows()) {
    if (match(w)) {
      *window = std::move(w);
      return true;
    }
  }
  return false;
}

}  // namespace

// An empty title or class would pick some untitled helper window of any
// program, so it matches nothing.
bool FindWindowByTitle(const std::string& title, TopLevelWindow* window) {
  if (title.empty()) return false;
  return FindFirst(window, [&](const TopLevelWindow& w) { return common::EqualsNoCase(w.title, title); });
}

bool FindWindowByClass(const std::string& className, TopLevelWindow* window) {
  if (className.empty()) return false;
  return FindFirst(window, [&](const TopLevelWindow& w) {
    return common::EqualsNoCase(w.className, className) || common::EqualsNoCase(w.instanceName, className);
  });
}

bool FindWindowOfProcess(int pid, TopLevelWindow* window) {
  return pid > 0 && FindFirst(window, [&](const TopLevelWindow& w) { return w.pid == pid; });
}

}  // namespace platform
