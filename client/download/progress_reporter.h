#pragma once
// ProgressReporter: turns the per-chunk progress of a transfer into window
// updates and host messages. The host hears of every change of the whole
// percentage (a few hundred messages at most per file); the window gets the
// newest values at most about 30 times a second, so a loopback transfer at
// 1 GB/s does not flood the GUI thread. Everything runs on the worker thread.

#include <chrono>
#include <cstdint>
#include <string>

namespace session {
class HostNotifier;
}

namespace transfer {

class ProgressSink;

// HTTP and FTP show KB/s (MB/s above 1024 KB/s); a local copy always MB/s.
enum class SpeedUnit { kKilobytes, kMegabytes };

class ProgressReporter {
 public:
  using Clock = std::chrono::steady_clock;

  /// Either pointer may be null (nothing shown, nothing posted).
  ProgressReporter(ProgressSink* sink, session::HostNotifier* host);

  /// The tray tip is written only while the tray icon is in use.
  void SetTray(bool inUse, std::string baseText);
  /// Shortest time between two window updates (default 33 ms).
  void SetMinInterval(std::chrono::nanoseconds interval) { minInterval_ = interval; }

  /// "%.1fMB" of kB / 1024 when kB = bytes / 1024.0 passes 1024, else "%.1fKB".
  static std::string SizeText(int64_t bytes);
  /// Whole percentage shown for a transfer: 0 while the total is unknown (0)
  /// and bytes arrive, 100 for an empty file, never above 100.
  static int Percent(int64_t bytesDone, int64_t bytesTotal);

  /// Starts the clock of one transfer and clears the speed text. A
  /// continued download passes the bytes it already had: they count as done
  /// but not towards the speed.
  void StartTransfer(int64_t alreadyDone = 0);
  /// Called after every chunk: recomputes the speed in the unit's rule, then
  /// reports as ReportProgress does.
  void Chunk(int64_t bytesDone, int64_t bytesTotal, int row, SpeedUnit unit);
  /// One progress step with a given speed text.
  void ReportProgress(int64_t bytesDone, int64_t bytesTotal, const std::string& speedText, int row);
  /// Sends the window the newest values still held back.
  void Flush();
  /// The speed text last shown; empty before the first chunk.
  const std::string& SpeedText() const { return speedText_; }

  // Immediate window updates (they flush held-back progress first).
  /// Appends "(" + size text + ")" to the row unless it is a directory row.
  void AppendSize(int row, int64_t bytes);
  void SetFileBar(int percent);
  void SetRowProgress(int row, int percent);
  void AddMessage(const std::string& text);

 private:
  void UpdateSpeed(int64_t bytesDone, SpeedUnit unit);
  void Queue(int64_t bytesDone, int64_t bytesTotal, int row);
  void Emit();

  ProgressSink* sink_;
  session::HostNotifier* host_;
  bool trayInUse_ = false;
  std::string trayBase_;
  std::chrono::nanoseconds minInterval_ = std::chrono::milliseconds(33);

  Clock::time_point transferStart_{};
  int64_t alreadyDone_ = 0;
  Clock::time_point lastEmit_{};
  std::string speedText_;
  double speedValue_ = 0;
  SpeedUnit speedUnit_ = SpeedUnit::kKilobytes;
  bool speedDirty_ = false;

  // Newest values not yet shown.
  bool pending_ = false;
  int64_t pendingDone_ = 0;
  int64_t pendingTotal_ = 0;
  int pendingRow_ = 0;
};

}  // namespace transfer
