#include "client/download/progress_reporter.h"

#include <cstdio>

#include "client/session/host_notifier.h"
#include "client/stage/progress_sink.h"
#include "common/gbk.h"

namespace transfer {

namespace {

std::string Format1(const char* format, double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, value);
  return buf;
}

}  // namespace

ProgressReporter::ProgressReporter(ProgressSink* sink, session::HostNotifier* host)
    : sink_(sink), host_(host) {}

void ProgressReporter::SetTray(bool inUse, std::string baseText) {
  trayInUse_ = inUse;
  trayBase_ = std::move(baseText);
}

std::string ProgressReporter::SizeText(int64_t bytes) {
  double kb = static_cast<double>(bytes) / 1024.0;
  if (kb > 1024) return Format1("%.1fMB", kb / 1024);
  return Format1("%.1fKB", kb);
}

int ProgressReporter::Percent(int64_t bytesDone, int64_t bytesTotal) {
  if (bytesTotal <= 0) return bytesDone > 0 ? 0 : 100;
  if (bytesDone >= bytesTotal) return 100;
  return static_cast<int>(static_cast<double>(bytesDone) * 100.0 / static_cast<double>(bytesTotal));
}

void ProgressReporter::StartTransfer(int64_t alreadyDone) {
  transferStart_ = Clock::now();
  alreadyDone_ = alreadyDone;
  speedText_.clear();
  speedDirty_ = false;
  pending_ = false;
  lastEmit_ = Clock::time_point{};
}

void ProgressReporter::UpdateSpeed(int64_t bytesDone, SpeedUnit unit) {
  // Only the number is kept per chunk; the text is made when it is shown.
  double seconds = std::chrono::duration<double>(Clock::now() - transferStart_).count();
  if (seconds <= 0) return;
  bytesDone -= alreadyDone_;
  double speed = unit == SpeedUnit::kMegabytes ? bytesDone / (seconds * 1048576.0)
                                               : bytesDone / (seconds * 1024.0);
  if (unit == SpeedUnit::kKilobytes && !(speed > 0)) return;
  speedValue_ = speed;
  speedUnit_ = unit;
  speedDirty_ = true;
}

void ProgressReporter::Chunk(int64_t bytesDone, int64_t bytesTotal, int row, SpeedUnit unit) {
  UpdateSpeed(bytesDone, unit);
  Queue(bytesDone, bytesTotal, row);
}

void ProgressReporter::ReportProgress(int64_t bytesDone, int64_t bytesTotal, const std::string& speedText,
                                      int row) {
  speedText_ = speedText;
  speedDirty_ = false;
  Queue(bytesDone, bytesTotal, row);
}

void ProgressReporter::Queue(int64_t bytesDone, int64_t bytesTotal, int row) {
  // The host hears every change of the whole percentage; the window only
  // the newest values, at most once per interval.
  if (host_ && (bytesTotal > 0 || bytesDone == 0)) host_->ReportFileProgress(bytesTotal, bytesDone);
  pending_ = true;
  pendingDone_ = bytesDone;
  pendingTotal_ = bytesTotal;
  pendingRow_ = row;
  Clock::time_point now = Clock::now();
  if (now - lastEmit_ >= minInterval_) {
    lastEmit_ = now;
    Emit();
  }
}

void ProgressReporter::Flush() {
  if (pending_) Emit();
}

void ProgressReporter::Emit() {
  pending_ = false;
  if (speedDirty_) {
    speedDirty_ = false;
    if (speedUnit_ == SpeedUnit::kMegabytes) speedText_ = Format1("%.1fMB/s", speedValue_);
    else if (speedValue_ > 1024) speedText_ = Format1("%.1fMB/s", speedValue_ / 1024);
    else speedText_ = Format1("%.1fKB/s", speedValue_);
  }
  if (!sink_) return;
  int percent = Percent(pendingDone_, pendingTotal_);
  sink_->SetFileBar(percent);
  if (!sink_->IsDirectoryRow(pendingRow_)) sink_->SetRowProgress(pendingRow_, percent);
  sink_->SetRowSpeed(pendingRow_, speedText_);
  std::string size = SizeText(pendingTotal_);
  sink_->SetTransferStatus(size + "(" + speedText_ + ")");
  if (trayInUse_) {
    char pct[16];
    std::snprintf(pct, sizeof pct, "%d%% ", percent);
    sink_->SetTrayTip(trayBase_ + common::Gbk("\n下载文件(") + size + common::Gbk(")：") + pct + speedText_);
  }
}

void ProgressReporter::AppendSize(int row, int64_t bytes) {
  Flush();
  if (sink_ && !sink_->IsDirectoryRow(row)) sink_->AppendRowText(row, "(" + SizeText(bytes) + ")");
}

void ProgressReporter::SetFileBar(int percent) {
  Flush();
  if (sink_) sink_->SetFileBar(percent);
}

void ProgressReporter::SetRowProgress(int row, int percent) {
  Flush();
  if (sink_ && !sink_->IsDirectoryRow(row)) sink_->SetRowProgress(row, percent);
}

void ProgressReporter::AddMessage(const std::string& text) {
  Flush();
  if (sink_) sink_->AddMessage(text);
}

}  // namespace transfer

