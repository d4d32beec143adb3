#pragma once
// Top-level windows of the desktop, the way the process closer looks for a
// program by its window: by title, by class, or the windows of one process.
// Only windows shown on screen count (toolkits keep hidden helper windows).
// Titles and class names are texts the program keeps (GBK) both ways.
// Without a display, or when it cannot be reached, no window exists: the
// lookups find nothing and never report an error of their own.

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct TopLevelWindow {
  uint32_t id = 0;            // the window's id on the display
  int pid = 0;                // the owning process; 0 when it does not say
  std::string title;          // GBK; "" when untitled
  std::string instanceName;   // the first half of the class hint (GBK)
  std::string className;      // the second half (GBK)
};

/// Every shown top-level window in stacking order, bottom first; empty
/// without a display.
std::vector<TopLevelWindow> ListTopLevelWindows();

/// The first shown top-level window whose title equals `title` (ASCII letters
/// compared without regard to case); false (window untouched) when none,
/// and always for an empty title.
bool FindWindowByTitle(const std::string& title, TopLevelWindow* window);

/// The first one whose class (either half of the class hint) equals
/// `className`, compared the same way; false when none or when empty.
bool FindWindowByClass(const std::string& className, TopLevelWindow* window);

/// The first one owned by process `pid`; false when none.
bool FindWindowOfProcess(int pid, TopLevelWindow* window);

}  // namespace platform
