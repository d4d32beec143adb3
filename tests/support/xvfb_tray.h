#pragma once
// XvfbTray: a private X server (Xvfb on a free display number) with the
// fake_tray helper as its notification area, for tests that need a real
// tray icon. The helper's event lines (dock, map, unmap, gone) are kept in a
// file and read back here. Both processes end with the object.

#include <chrono>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

#include "tests/support/temp_dir.h"

namespace testsupport {

/// One line of the tray helper: what happened to which icon window.
struct TrayEvent {
  std::string what;  // "dock", "map", "unmap", "gone"
  uint32_t window = 0;
};

class XvfbTray {
 public:
  /// Starts Xvfb and the tray helper; Error() says why when that failed.
  XvfbTray();
  ~XvfbTray();
  XvfbTray(const XvfbTray&) = delete;
  XvfbTray& operator=(const XvfbTray&) = delete;

  bool Ok() const { return error_.empty(); }
  /// Empty when both run; else the reason (e.g. Xvfb is not installed).
  const std::string& Error() const { return error_; }
  /// ":N", the value for DISPLAY.
  const std::string& Display() const { return display_; }

  /// The helper's events so far, oldest first (ready line left out).
  std::vector<TrayEvent> Events() const;
  /// Windows docked so far, in order of their dock requests.
  std::vector<uint32_t> Docked() const;
  /// Polls the events until one with what (and window, unless 0) arrived;
  /// false after timeout.
  bool WaitFor(const std::string& what, uint32_t window = 0,
               std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

  /// Clicks mouse button (1 left, 3 right) on a window, as the user does
  /// on a tray icon; false when the click could not be sent.
  bool Click(uint32_t window, int button) const;

  /// Minimises a top-level window the way a window manager does (there is
  /// none on this server); false when that could not be sent.
  bool Iconify(uint32_t window) const;

  /// Ends the tray helper, as when the desktop's panel goes away; the X
  /// server stays. StartTray brings a fresh one (events keep counting).
  void StopTray();
  bool StartTray();

 private:
  bool StartServer();
  bool RunHelper(const std::vector<std::string>& args) const;

  TempDir dir_{"upgrade-xvfb-"};
  std::string error_;
  std::string display_;
  pid_t server_ = -1;
  pid_t tray_ = -1;
  int trayRuns_ = 0;
};

}  // namespace testsupport
