#pragma once
// The sample download a preview run plays in the download page: one row,
// eleven steps from 0 to 10 a fixed time apart, held at the pause gate like
// a real transfer. It runs on its own thread and reaches the page only
// through the page's sink, so a page that goes away simply stops receiving.

#include <memory>

namespace transfer {
class StageSink;
}

namespace ui {

class StageControl;

/// Starts the worker thread (not joined); it ends early on a stop request.
void StartDownloadPreview(std::shared_ptr<transfer::StageSink> sink, std::shared_ptr<StageControl> control,
                          int stepMs);

}  // namespace ui
