#pragma once
// One QApplication for the whole ui test executable (offscreen platform,
// set by CTest), created by the first test that needs widgets.

#include <QApplication>

namespace uitest {

QApplication& App();

}  // namespace uitest
