#pragma once
// IconAnimation: steps an icon through a list of frames on a timer, with an
// optional time limit, and puts back the icon that was shown before it
// started. The tray icon uses it; the icon goes wherever the show callback
// puts it.

#include <QElapsedTimer>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QTimer>
#include <functional>

namespace ui {

class IconAnimation : public QObject {
  Q_OBJECT

 public:
  explicit IconAnimation(std::function<void(const QIcon&)> show, QObject* parent = nullptr);

  void SetFrames(const QList<QIcon>& frames) { frames_ = frames; }
  int FrameCount() const { return static_cast<int>(frames_.size()); }
  /// Stops a running animation, saves current, shows nothing new yet and
  /// starts stepping every stepMs; durationSec -1 runs until stopped.
  /// False (nothing starts) without frames.
  bool Start(int stepMs, int durationSec, const QIcon& current);
  /// Stops the timer and shows the saved icon again.
  void Stop();
  bool IsRunning() const { return timer_.isActive(); }
  int Frame() const { return frame_; }

 private:
  void Tick();

  std::function<void(const QIcon&)> show_;
  QList<QIcon> frames_;
  QTimer timer_;
  QElapsedTimer started_;
  QIcon saved_;
  int frame_ = 0;
  int durationSec_ = -1;
};

}  // namespace ui
