#pragma once
// The run mode of the client and the session show type, as the session
// driver, the pages and the stages all read them, and the one rule that
// says whether a show type lets message boxes appear.

namespace session {

enum class RunMode { Normal = 0, Preview = 1, CheckVer = 2, SelfUpdate = 3 };

/// Session show type. A configuration may hold any number here (the
/// smallest show_type of the new items wins); only these three have names.
enum ShowType : int { kShowNormal = 0, kShowSemiSilent = 1, kShowSilent = 2 };

/// Message boxes appear only while the show type is normal or semi-silent;
/// silent and every other value (a negative show_type too) keep them away.
constexpr bool ShowsBoxes(int showType) {
  return showType == kShowNormal || showType == kShowSemiSilent;
}

}  // namespace session
