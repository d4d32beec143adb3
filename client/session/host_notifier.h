#pragma once
// HostNotifier: the one-way messages the client posts to the host
// application named by "/HWND:" (outcome codes, overall progress, file
// progress). Sending never blocks and never waits for an answer; with no
// listener the message is lost silently and the run goes on. Safe to call
// from any thread.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "client/session/window_messages.h"
#include "platform/host_channel.h"

namespace session {

class HostNotifier {
 public:
  HostNotifier() = default;
  /// Flush() first: an outcome waiting for room still goes out.
  ~HostNotifier();
  HostNotifier(const HostNotifier&) = delete;
  HostNotifier& operator=(const HostNotifier&) = delete;

  /// Host endpoint from "/HWND:"; 0 = none.
  void SetHostWindow(int64_t host) { host_ = host; }
  /// 0 while no host is known.
  int64_t HostWindow() const { return host_; }

  /// Posts the outcome message (wParam = code as signed 32 bits, lParam 0).
  /// Every code but 1 is posted only when a host window is known. When the
  /// host's queue is full the message is retried for up to 5 s by a
  /// small thread of its own, so the caller (the window thread) never waits.
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

  /// Waits until every outcome waiting for room was sent or gave up (at most
  /// about 5 s from when the outcome was posted); at once when none waits.
  void Flush();

 private:
  struct Pending {
    int64_t host;
    platform::HostMessage message;
    std::chrono::steady_clock::time_point giveUp;
  };

  void Post(int message, int64_t wParam, int64_t lParam);
  void RetryPending();

  std::atomic<int64_t> host_{0};
  std::atomic<int> lastPercent_{-1};
  std::mutex mutex_;
  std::deque<Pending> pending_;  // outcomes waiting for room, in order
  std::thread retrier_;
};

/// Position of the overall progress after the k-th of f files of a dir item
/// that follows `finishedBefore` finished items: 100 x finishedBefore + (100 x k) / f.
int64_t DirItemPosition(int64_t finishedBefore, int64_t k, int64_t f);

}  // namespace session
