#pragma once
// SessionUi: what the session driver needs from the windows (the skin, the
// tray icon, the session window with its pages). The client windows
// implement it; ClientApp only sees this interface, so the driver can be
// exercised without a screen.

namespace session {

class RunState;

class SessionUi {
 public:
  virtual ~SessionUi() = default;

  /// Reads the skin description ("ui.dat" and its pictures); false when it
  /// cannot be used (the boxes and log lines are the skin reader's).
  virtual bool LoadSkin() = 0;

  /// Tray icon made hidden at start-up when the tray switch is on; false
  /// when no tray exists.
  virtual bool CreateTray() = 0;
  virtual void ShowTray() = 0;
  virtual void RemoveTray() = 0;

  /// Runs the session window modally through its pages, whose stages work
  /// on run; 0 when it ended by cancel, 1 otherwise.
  virtual int RunSessionWindow(RunState& run) = 0;
};

}  // namespace session
