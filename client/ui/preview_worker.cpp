#include "client/ui/preview_worker.h"

#include <chrono>
#include <thread>

#include "client/stage/stage_sink.h"
#include "client/ui/stage_control.h"
#include "common/gbk.h"

namespace ui {

void StartDownloadPreview(std::shared_ptr<transfer::StageSink> sink, std::shared_ptr<StageControl> control,
                          int stepMs) {
  std::thread([sink, control, stepMs] {
    const int row = sink->AddRow(common::Gbk("示例文件"));
    for (int bar = 0; bar < 2; ++bar) {
      sink->SetBarRange(bar, 10);
      sink->SetBarValue(bar, 0);
    }
    for (int step = 0; step <= 10; ++step) {
      control->WaitWhilePaused();
      if (control->IsStopRequested()) return;
      sink->SetBarValue(0, step);
      sink->SetBarValue(1, step);
      sink->SetRowProgress(row, step * 10);
      std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
    }
    if (control->IsStopRequested()) return;
    control->SetFinished();
    sink->ShowFinishButton(1);
  }).detach();
}

}  // namespace ui
