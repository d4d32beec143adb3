#pragma once
// The window-message numbers of the client, WM_USER + offset: the private
// messages of the wizard pages and the messages posted to the host. Hosts
// and logs know them by these numbers, so they keep their values here.

namespace session {

inline constexpr int kWmUser = 0x0400;

// Private page messages (each page posts them to itself).
inline constexpr int kMsgBeginWork = kWmUser + 120;        // begin the page's work
inline constexpr int kMsgBeginSelfUpdate = kWmUser + 121;  // download page: self-update download
inline constexpr int kMsgPreview = kWmUser + 122;          // preview animation
inline constexpr int kMsgBeginUpdate = kWmUser + 123;      // update page: begin the installation
inline constexpr int kMsgStageEnd = kWmUser + 124;         // wParam 1 success, 0 failure or cancel
inline constexpr int kMsgPageDone = kWmUser + 125;         // to the session window: 0 go on, 1 stop

// Messages to the host window.
inline constexpr int kMsgFileBytes = kWmUser + 996;    // 2020: size, bytes so far
inline constexpr int kMsgFilePercent = kWmUser + 997;  // 2021: 100, percent
inline constexpr int kMsgOverall = kWmUser + 998;      // 2022: range, position
inline constexpr int kMsgOutcome = kWmUser + 999;      // 2023: code, 0

}  // namespace session
