#include "client/session/host_notifier.h"

#include <chrono>
#include <thread>

#include "platform/host_channel.h"

namespace session {
namespace {

// A Unix datagram queue holds only a few messages (10 by default on Linux),
// so a burst of progress can fill it before the host reads. Progress may be
// lost then (the next percent replaces it), but an outcome code is what the
// host acts on: give the host a short while to make room, never longer.
constexpr int kOutcomeRetries = 20;
constexpr std::chrono::milliseconds kOutcomeRetryPause{10};

}  // namespace

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
  platform::HostSendResult result = platform::SendHostMessage(host, wire);
  for (int i = 0; message == kMsgOutcome && result == platform::HostSendResult::kQueueFull &&
                  i < kOutcomeRetries;
       ++i) {
    std::this_thread::sleep_for(kOutcomeRetryPause);
    result = platform::SendHostMessage(host, wire);
  }
}

int64_t DirItemPosition(int64_t finishedBefore, int64_t k, int64_t f) {
  if (f <= 0) return 100 * finishedBefore;  // an empty dir item adds nothing
  return 100 * finishedBefore + (100 * k) / f;
}

}  // namespace session
