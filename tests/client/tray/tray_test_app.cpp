#include "tests/client/tray/tray_test_app.h"

#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QStyleHints>
#include <QSystemTrayIcon>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "client/ui/system_tray.h"

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

QIcon Coloured(QColor c) {
  QPixmap p(16, 16);
  p.fill(c);
  return QIcon(p);
}

void TrayTest::SetUp() {
  if (!App()) GTEST_SKIP() << "no X server for tray tests: " << Display().Error();
  firstEvent_ = Display().Events().size();
}

std::vector<testsupport::TrayEvent> TrayTest::Events() const {
  auto all = X().Events();
  return {all.begin() + std::min(firstEvent_, all.size()), all.end()};
}

std::vector<uint32_t> TrayTest::Docked() const {
  std::vector<uint32_t> docked;
  for (const testsupport::TrayEvent& e : Events()) {
    if (e.what == "dock") docked.push_back(e.window);
  }
  return docked;
}

bool TrayTest::WaitFor(const std::string& what, uint32_t window, int ms) const {
  return Until(
      [&] {
        for (const testsupport::TrayEvent& e : Events()) {
          if (e.what == what && (window == 0 || e.window == window)) return true;
        }
        return false;
      },
      ms);
}

bool TrayTest::Until(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QTest::qWait(10);
  }
  return true;
}

QColor TrayTest::Middle(uint32_t window) {
  const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(window);
  if (shot.isNull()) return {};
  return shot.toImage().pixelColor(shot.width() / 2, shot.height() / 2);
}

bool TrayTest::Shows(uint32_t window, QColor colour, int ms) {
  return Until([&] { return Middle(window) == colour; }, ms);
}

bool TrayTest::ClickIcon(uint32_t icon, int button) {
  QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
  return X().Click(icon, button);
}

QSystemTrayIcon* TrayTest::QtIcon(ui::CSystemTray& tray) {
  return tray.findChild<QSystemTrayIcon*>();
}

}  // namespace traytest
