#pragma once
// One QApplication for the whole ui test executable (offscreen platform,
// set by CTest), created by the first test that needs widgets.

#include <QApplication>
#include <functional>

namespace uitest {

QApplication& App();

/// Runs the event loop until done() or ms pass; false on time-out. Use it
/// inside an EXPECT/ASSERT: QTRY_* report only to QTest's own log, which a
/// GoogleTest run never reads, so a time-out there would pass.
bool WaitUntil(const std::function<bool()>& done, int ms);

}  // namespace uitest
