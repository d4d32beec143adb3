#pragma once
// The one X server with a notification area and the one QApplication on it
// for the whole tray test executable. Both start with the first test that
// asks and end after the last test.

#include <QApplication>

#include "tests/support/xvfb_tray.h"

namespace traytest {

/// The private X server and its tray (Ok() false when Xvfb is missing).
testsupport::XvfbTray& Display();

/// The application on that display; null when there is no display.
QApplication* App();

}  // namespace traytest
