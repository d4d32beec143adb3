#pragma once
// Test helper: a host that listens on a free endpoint and keeps every message
// it receives, in order, through platform_qt's listener on the Qt event loop.
// Needs the main thread (it makes the QCoreApplication).

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdint>
#include <vector>

#include "platform/host_channel.h"

namespace testsupport {

inline void EnsureCoreApplication() {
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "test";
  static char* argv[] = {name, nullptr};
  new QCoreApplication(argc, argv);  // lives for the whole test run
}

class HostCapture {
 public:
  HostCapture() {
    EnsureCoreApplication();
    endpoint_ = listener_.ListenOnFreeEndpoint(
        [this](const platform::HostMessage& m) {
          messages_.push_back(m);
          if (loop_ && messages_.size() >= wanted_) loop_->quit();
        });
  }

  int64_t endpoint() const { return endpoint_; }
  const std::vector<platform::HostMessage>& messages() const { return messages_; }

  /// Runs the event loop until `count` messages arrived or `ms` passed;
  /// false on time-out.
  bool WaitFor(size_t count, int ms = 3000) {
    if (messages_.size() < count) {
      QEventLoop loop;
      QTimer::singleShot(ms, &loop, &QEventLoop::quit);
      loop_ = &loop;
      wanted_ = count;
      loop.exec();
      loop_ = nullptr;
    }
    return messages_.size() >= count;
  }

  /// Runs the event loop for `ms` so that any late message can arrive.
  void Settle(int ms = 200) { WaitFor(SIZE_MAX, ms); }
  /// Forgets the messages heard so far.
  void Clear() { messages_.clear(); }

  platform::HostListener& listener() { return listener_; }

 private:
  platform::HostListener listener_;
  int64_t endpoint_ = 0;
  std::vector<platform::HostMessage> messages_;
  QEventLoop* loop_ = nullptr;
  size_t wanted_ = 0;
};

}  // namespace testsupport
