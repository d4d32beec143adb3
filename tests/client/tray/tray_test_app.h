#pragma once
// The one X server with a notification area and the one QApplication on it
// for the whole tray test executable. Both start with the first test that
// asks and end after the last test. TrayTest is the fixture: it skips when
// there is no X server and reads back what the tray helper and the server
// saw since the test began.

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QIcon>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/xvfb_tray.h"

class QSystemTrayIcon;

namespace ui {
class CSystemTray;
}

namespace traytest {

/// The private X server and its tray (Ok() false when Xvfb is missing).
testsupport::XvfbTray& Display();

/// The application on that display; null when there is no display.
QApplication* App();

/// A 16 x 16 icon of one colour.
QIcon Coloured(QColor c);

class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override;

  static testsupport::XvfbTray& X() { return Display(); }
  /// The helper's events since this test began.
  std::vector<testsupport::TrayEvent> Events() const;
  /// The icon windows docked since this test began.
  std::vector<uint32_t> Docked() const;
  /// Lets Qt work until the helper reports what happened to window (any
  /// window when 0); false after ms.
  bool WaitFor(const std::string& what, uint32_t window = 0, int ms = 5000) const;
  /// Lets Qt work until done() holds; false after ms.
  static bool Until(const std::function<bool()>& done, int ms = 3000);
  /// The middle pixel of a window as the X server holds it (invalid when
  /// the window cannot be read).
  static QColor Middle(uint32_t window);
  /// Lets Qt work until the server shows colour in the middle of window.
  static bool Shows(uint32_t window, QColor colour, int ms = 3000);
  /// Clicks a mouse button (1 left, 3 right) on the icon window through the
  /// X server, after the double-click time: each click counts alone, also
  /// when the test before ended with one.
  static bool ClickIcon(uint32_t icon, int button);
  /// The Qt icon behind a tray object.
  static QSystemTrayIcon* QtIcon(ui::CSystemTray& tray);

 private:
  size_t firstEvent_ = 0;
};

}  // namespace traytest
