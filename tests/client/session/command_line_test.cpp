#include "client/session/command_line.h"

#include <gtest/gtest.h>

#include "common/gbk.h"

namespace session {
namespace {

TEST(CommandLine, SwitchNamesAreCaseInsensitiveAndValuesLowerCaseUpToTheNextBlank) {
  EXPECT_EQ(GetSwitchValue("/hwnd:1234 /op:checkver", "HWND"), "1234");
  EXPECT_EQ(GetSwitchValue("/HWND:1234 /OP:CheckVer", "op"), "checkver");
  EXPECT_EQ(GetSwitchValue("/Log /OP:Preview/HWND:5", "OP"), "preview/hwnd:5");
  EXPECT_EQ(GetSwitchValue("/OP:Preview/HWND:5", "HWND"), "5");
  EXPECT_EQ(GetSwitchValue("/Tray /Ad:debug", "HWND"), "");
  EXPECT_EQ(GetSwitchValue("/OP: checkver", "OP"), "");  // a blank ends the value at once
}

TEST(CommandLine, HostWindowIsReadAsDecimal) {
  EXPECT_EQ(ParseSwitches("/hwnd:1234 /op:checkver").hostWindow, 1234);
  EXPECT_EQ(ParseSwitches("/hwnd:1234 /op:checkver").runMode, RunMode::CheckVer);
  // A hexadecimal handle reads as 0: no host window at all.
  EXPECT_EQ(ParseSwitches("/HWND:0x10").hostWindow, 0);
  EXPECT_EQ(ParseSwitches(" /HWND:77abc").hostWindow, 77);
  // Out of the 64-bit range: no host, not the endpoint the value wraps to.
  EXPECT_EQ(ParseSwitches("/HWND:18446744073709551617").hostWindow, 0);
  EXPECT_EQ(ParseSwitches("/HWND:-99999999999999999999").hostWindow, 0);
  EXPECT_FALSE(ParseSwitches("/Log /Tray").hostWindow.has_value());
}

TEST(CommandLine, OnlyTheTwoKnownOperationsChangeTheRunMode) {
  EXPECT_EQ(ParseSwitches("/OP:Preview /Tray").runMode, RunMode::Preview);
  EXPECT_EQ(ParseSwitches("/op:PREVIEW").runMode, RunMode::Preview);
  auto glued = ParseSwitches("/OP:Preview/HWND:5");
  EXPECT_FALSE(glued.runMode.has_value());
  EXPECT_EQ(glued.hostWindow, 5);
  EXPECT_FALSE(ParseSwitches("/OP:Install").runMode.has_value());
}

TEST(CommandLine, EmptyLineSetsNothing) {
  auto s = ParseSwitches("");
  EXPECT_FALSE(s.hostWindow.has_value());
  EXPECT_FALSE(s.runMode.has_value());
  EXPECT_FALSE(s.selfUpdate);
  EXPECT_FALSE(s.selfFinish);
}

TEST(CommandLine, SelfUpdateMarkersAnywhereInAnyCaseAndUpdateWins) {
  auto relaunch = ParseSwitches("/HWND:1234 /self_update:3-1.2.0");
  EXPECT_TRUE(relaunch.selfUpdate);
  EXPECT_EQ(relaunch.hostWindow, 1234);
  EXPECT_TRUE(ParseSwitches("/hwnd:1234 /SELF_FINISH:3-1.2.0").selfFinish);
  // The marker that skips the start prompt counts only in its exact spelling.
  EXPECT_FALSE(ParseSwitches("/hwnd:1234 /SELF_FINISH:3-1.2.0").selfFinishMarker);
  EXPECT_TRUE(ParseSwitches("/hwnd:1234 /self_finish:3-1.2.0").selfFinishMarker);
  auto both = ParseSwitches("self_finish self_update");
  EXPECT_TRUE(both.selfUpdate);
  EXPECT_FALSE(both.selfFinish);
}

TEST(CommandLine, GbkTrailBytesNeverMatchTheSwitch) {
  // "乚" is 81 5D and "誟" D5 5B: their trail bytes are ASCII brackets, and a
  // value holding them must come back byte for byte.
  std::string line = "/OP:" + common::Utf8ToGbk("乚誟") + " /HWND:9";
  EXPECT_EQ(GetSwitchValue(line, "op"), common::Utf8ToGbk("乚誟"));
  EXPECT_EQ(ParseSwitches(line).hostWindow, 9);
}

TEST(CommandLine, ArgumentsAreJoinedWithBlanksAndQuotedWhenTheyHoldOne) {
  const char* argv[] = {"/opt/app/upgrade", "/HWND:5", "/Ad:my tool", "", "数据"};
  EXPECT_EQ(JoinCommandLine(5, argv),
            "/HWND:5 \"/Ad:my tool\"  " + common::Utf8ToGbk("数据"));
  const char* none[] = {"/opt/app/upgrade"};
  EXPECT_EQ(JoinCommandLine(1, none), "");
}

}  // namespace
}  // namespace session

namespace session {
namespace {

TEST(CommandLine, LogAndTraySwitchesAreWholeWordsInAnyCase) {
  CommandLineSwitches s = ParseSwitches(" /OP:CheckVer /LOG /tray /HWND:7 /Ad:debug");
  EXPECT_TRUE(s.logOn);
  EXPECT_TRUE(s.trayOn);
  s = ParseSwitches("/Logfile /Trays x/Log");
  EXPECT_FALSE(s.logOn);
  EXPECT_FALSE(s.trayOn);
}

}  // namespace
}  // namespace session
