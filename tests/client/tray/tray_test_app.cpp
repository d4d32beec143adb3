#include "tests/client/tray/tray_test_app.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace traytest {
namespace {

std::unique_ptr<testsupport::XvfbTray> display;
QApplication* app = nullptr;

// The application goes before its X server: Qt ends the process when the
// server vanishes under a live connection.
class TrayEnvironment : public ::testing::Environment {
 public:
  void TearDown() override {
    delete app;
    app = nullptr;
    display.reset();
  }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new TrayEnvironment);

}  // namespace

testsupport::XvfbTray& Display() {
  if (!display) display = std::make_unique<testsupport::XvfbTray>();
  return *display;
}

QApplication* App() {
  if (app) return app;
  if (!Display().Ok()) return nullptr;
  setenv("DISPLAY", Display().Display().c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 0);
  static int argc = 1;
  static char name[] = "client_tray_test";
  static char* argv[] = {name, nullptr};
  app = new QApplication(argc, argv);
  return app;
}

}  // namespace traytest
