#pragma once
// HostNotifier: the one-way messages the client posts to the host
// application named by "/HWND:" (outcome codes, overall progress, file
// progress). Sending never blocks and never waits for an answer; with no
// listener the message is lost silently and the run goes on. Safe to call
// from the transfer worker thread.

#include <atomic>
#include <cstdint>

namespace session {

// The message numbers keep their window-message values (WM_USER + offset):
// hosts and logs know them by these numbers.
inline constexpr int kWmUser = 0x0400;
inline constexpr int kMsgFileBytes = kWmUser + 996;    // 2020: size, bytes so far
inline constexpr int kMsgFilePercent = kWmUser + 997;  // 2021: 100, percent
inline constexpr int kMsgOverall = kWmUser + 998;      // 2022: range, position
inline constexpr int kMsgOutcome = kWmUser + 999;      // 2023: code, 0

class HostNotifier {
 public:
  HostNotifier() = default;

  /// Host endpoint from "/HWND:"; 0 = none.
  void SetHostWindow(int64_t host) { host_ = host; }
  /// 0 while no host is known.
  int64_t HostWindow() const { return host_; }

  /// Posts the outcome message (wParam = code as signed 32 bits, lParam 0).
  /// Every code but 1 is posted only when a host window is known.
  void NotifyHost(int code);

  /// Posts overall progress: range = items x 100, position in the same units.
  void PostOverallProgress(int64_t range, int64_t position);

  /// The per-chunk file progress rule: percent = done x 100 / size, truncated;
  /// when it differs from the last reported percentage (one value for the
  /// whole process, initially -1) posts 997 (100, percent) and 996 (size,
  /// done), remembers it and returns true; otherwise posts nothing, false.
  bool ReportFileProgress(int64_t size, int64_t done);
  /// -1 before any file progress was posted.
  int LastPercent() const { return lastPercent_.load(); }

 private:
  void Post(int message, int64_t wParam, int64_t lParam);

  std::atomic<int64_t> host_{0};
  std::atomic<int> lastPercent_{-1};
};

/// Position of the overall progress after the k-th of f files of a dir item
/// that follows `finishedBefore` finished items: 100 x finishedBefore + (100 x k) / f.
int64_t DirItemPosition(int64_t finishedBefore, int64_t k, int64_t f);

}  // namespace session
