#pragma once
// Stages for page and session-window tests. EndingStage ends its stage from
// a worker thread after a delay (or never, with a negative delay), through
// the page's sink as a real stage does; every Begin and End is counted.

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "client/stage/page_stage.h"
#include "client/stage/stage_sink.h"

namespace uitest {

class EndingStage : public transfer::PageStage {
 public:
  explicit EndingStage(int delayMs = -1, int success = 1) : delayMs_(delayMs), success_(success) {}

  void Begin(std::shared_ptr<transfer::StageSink> sink, std::shared_ptr<transfer::TransferContext>) override {
    ++begun;
    if (delayMs_ < 0) return;
    std::thread([sink, delay = delayMs_, success = success_] {
      std::this_thread::sleep_for(std::chrono::milliseconds(delay));
      sink->EndStage(success);
    }).detach();
  }
  void End(transfer::StageSink&, int success) override {
    ++ends;
    ended = success;
  }

  std::atomic<int> begun{0};
  int ends = 0;
  int ended = -1;

 private:
  int delayMs_;
  int success_;
};

}  // namespace uitest
