#include "client/session/host_notifier.h"

#include <chrono>

namespace session {
namespace {

// A Unix datagram queue holds only a few messages (10 by default on Linux),
// so a burst of progress can fill it before the host reads. Progress may be
// lost then (the next percent replaces it), but an outcome code is what the
// host acts on: a host busy redrawing or saving for a second or two must
// still hear it. Bounded all the same, so a host that stopped reading for
// good cannot keep the client from ending.
constexpr std::chrono::milliseconds kOutcomeRetryFor{5000};
constexpr std::chrono::milliseconds kOutcomeRetryPause{10};

}  // namespace

HostNotifier::~HostNotifier() { Flush(); }

void HostNotifier::NotifyHost(int code) {
  // Only "update completed" goes out without the host test; with no host it
  // reaches nobody either way (Post drops it).
  if (code != 1 && host_.load() == 0) return;
  Post(kMsgOutcome, static_cast<int64_t>(static_cast<int32_t>(code)), 0);
}

void HostNotifier::PostOverallProgress(int64_t range, int64_t position) {
  Post(kMsgOverall, range, position);
}

bool HostNotifier::ReportFileProgress(int64_t size, int64_t done) {
  // An empty file (or one whose size the server did not announce) is complete
  // when its transfer reports; dividing by it would be undefined. More bytes
  // than announced still count as 100: hosts draw 0..100.
  int percent = 100;
  if (size > 0 && done < size) percent = done <= 0 ? 0 : static_cast<int>(done * 100 / size);
  if (lastPercent_.exchange(percent) == percent) return false;
  Post(kMsgFilePercent, 100, percent);
  Post(kMsgFileBytes, size, done);
  return true;
}

void HostNotifier::Post(int message, int64_t wParam, int64_t lParam) {
  const int64_t host = host_.load();
  if (host == 0) return;
  const platform::HostMessage wire{message, wParam, lParam};
  std::lock_guard lock(mutex_);
  // While an outcome waits for room, nothing may overtake it: a later
  // outcome queues behind it, progress is dropped as on a full queue.
  if (pending_.empty()) {
    if (platform::SendHostMessage(host, wire) != platform::HostSendResult::kQueueFull) return;
  }
  if (message != kMsgOutcome) return;
  pending_.push_back({host, wire, std::chrono::steady_clock::now() + kOutcomeRetryFor});
  if (pending_.size() > 1) return;  // the retrier is at work already
  if (retrier_.joinable()) retrier_.join();  // a finished one
  retrier_ = std::thread([this] { RetryPending(); });
}

void HostNotifier::RetryPending() {
  std::unique_lock lock(mutex_);
  while (!pending_.empty()) {
    const Pending& next = pending_.front();
    const bool full = platform::SendHostMessage(next.host, next.message) == platform::HostSendResult::kQueueFull;
    if (!full || std::chrono::steady_clock::now() >= next.giveUp) {
      pending_.pop_front();
      continue;
    }
    lock.unlock();
    std::this_thread::sleep_for(kOutcomeRetryPause);
    lock.lock();
  }
}

void HostNotifier::Flush() {
  std::thread retrier;
  {
    std::lock_guard lock(mutex_);
    retrier.swap(retrier_);
  }
  if (retrier.joinable()) retrier.join();
}

int64_t DirItemPosition(int64_t finishedBefore, int64_t k, int64_t f) {
  if (f <= 0) return 100 * finishedBefore;  // an empty dir item adds nothing
  return 100 * finishedBefore + (100 * k) / f;
}

}  // namespace session
