#include "client/ui/icon_animation.h"

namespace ui {

IconAnimation::IconAnimation(std::function<void(const QIcon&)> show, QObject* parent)
    : QObject(parent), show_(std::move(show)) {
  connect(&timer_, &QTimer::timeout, this, &IconAnimation::Tick);
}

bool IconAnimation::Start(int stepMs, int durationSec, const QIcon& current) {
  if (frames_.isEmpty()) return false;
  if (timer_.isActive()) Stop();
  frame_ = 0;
  started_.start();
  durationSec_ = durationSec;
  saved_ = current;
  timer_.start(stepMs);
  return true;
}

void IconAnimation::Stop() {
  timer_.stop();
  if (!saved_.isNull() && show_) show_(saved_);
}

void IconAnimation::Tick() {
  if (durationSec_ != -1 && started_.elapsed() / 1000 > durationSec_) {
    Stop();
    return;
  }
  if (frames_.isEmpty()) return;
  frame_ = (frame_ + 1) % static_cast<int>(frames_.size());
  if (show_) show_(frames_[frame_]);
}

}  // namespace ui
