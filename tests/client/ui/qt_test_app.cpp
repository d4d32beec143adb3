#include "tests/client/ui/qt_test_app.h"

#include <QElapsedTimer>
#include <QTest>
#include <cstdlib>

namespace uitest {

QApplication& App() {
  static int argc = 1;
  static char name[] = "client_ui_test";
  static char* argv[] = {name, nullptr};
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QTest::qWait(10);
  }
  return true;
}

}  // namespace uitest
