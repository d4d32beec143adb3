#include "platform/windows_lookup.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(WindowsLookupShared, EmptyNamesAndNoProcessFindNothing) {
  TopLevelWindow window;
  window.id = 7;
  EXPECT_FALSE(FindWindowByTitle("", &window));
  EXPECT_FALSE(FindWindowByClass("", &window));
  EXPECT_FALSE(FindWindowOfProcess(0, &window));
  EXPECT_FALSE(FindWindowByTitle("no window has this title 7f3a", &window));
  EXPECT_EQ(window.id, 7u);  // untouched
  for (const TopLevelWindow& w : ListTopLevelWindows()) EXPECT_NE(w.id, 0u);
}

}  // namespace
}  // namespace platform
