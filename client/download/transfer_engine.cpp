#include "client/download/transfer_engine.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "client/download/curl_support.h"
#include "client/download/engine_transfer.h"
#include "client/stage/transfer_context.h"
#include "common/gbk.h"

// What every protocol of the engine shares: the handle, the body and
// progress callbacks, the skip rule and the destination files. The
// protocols themselves live in http_transfer.cpp, ftp_transfer.cpp and
// local_transfer.cpp.

namespace transfer {

namespace {
using Clock = std::chrono::steady_clock;
}

TransferEngine::TransferEngine(TransferContext& context, ProgressSink* sink, session::HostNotifier* host,
                               LogFn log, EngineOptions options)
    : context_(context), reporter_(sink, host), log_(std::move(log)), options_(std::move(options)) {}

TransferEngine::~TransferEngine() {
  // The FTP connection ends with the engine: the context, which may serve
  // another engine, must not go on naming it as open.
  FtpClose();
  if (curl_) curl_easy_cleanup(curl_);
}

void TransferEngine::Log(const std::string& text) const {
  if (log_) log_(text);
}

CURL* TransferEngine::Handle() {
  if (!curl_) curl_ = curl::NewEasy();
  if (curl_) curl_easy_reset(curl_);
  return curl_;
}

size_t TransferEngine::OnBody(char* data, size_t size, size_t count, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  TransferEngine& e = *t.engine;
  size_t n = size * count;
  if (t.sinkText) {
    if (t.sinkText->size() + n > curl::kMaxTextBytes) return CURL_WRITEFUNC_ERROR;
    t.sinkText->append(data, n);
    return n;
  }
  if (t.kind == Transfer::kControl) return n;
  if (e.context_.stopRequested.load()) {
    t.stopped = true;
    return CURL_WRITEFUNC_ERROR;
  }
  if (e.context_.sizeLimit >= 0 && t.done + static_cast<int64_t>(n) > e.context_.sizeLimit) {
    // More than the signed length: whatever follows is not the publisher's.
    if (!t.oversize) e.Log(common::Gbk("下载的数据超过了配置文件给出的长度，已中断：") + t.destination);
    t.oversize = true;
    return CURL_WRITEFUNC_ERROR;
  }
  if (!t.file) {
    // FTP: the destination is created once the server has opened the file.
    if (t.kind != Transfer::kFtp || !e.OpenDestination(t)) {
      t.createFailed = true;
      return CURL_WRITEFUNC_ERROR;
    }
  }
  if (!t.file->Write(data, n)) {
    t.writeFailed = true;
    return CURL_WRITEFUNC_ERROR;
  }
  t.done += static_cast<int64_t>(n);
  e.reporter_.Chunk(t.done, t.length, t.row, SpeedUnit::kKilobytes);
  const Clock::time_point beforePause = Clock::now();
  e.context_.HonourPause();
  t.lastData = Clock::now();
  t.windowStart += t.lastData - beforePause;  // a pause is no slow server
  if (e.context_.stopRequested.load()) {
    t.stopped = true;
    return CURL_WRITEFUNC_ERROR;
  }
  return n;
}

int TransferEngine::OnXferInfo(void* user, int64_t, int64_t, int64_t, int64_t) {
  auto& t = *static_cast<Transfer*>(user);
  if (t.engine->context_.stopRequested.load()) {
    t.stopped = true;
    return 1;
  }
  // A server that stops sending: measured here rather than with libcurl's
  // low-speed limit, which would also count the time spent paused.
  if (t.engine->options_.stallSeconds > 0 &&
      Clock::now() - t.lastData > std::chrono::seconds(t.engine->options_.stallSeconds)) {
    t.stalled = true;
    return 1;
  }
  const EngineOptions& o = t.engine->options_;
  if ((t.kind == Transfer::kHttp || t.kind == Transfer::kFtp) && o.lowSpeedSeconds > 0) {
    const Clock::time_point now = Clock::now();
    if (now - t.windowStart >= std::chrono::seconds(o.lowSpeedSeconds)) {
      if (t.done - t.windowDone < static_cast<int64_t>(o.lowSpeedBytes) * o.lowSpeedSeconds) {
        t.stalled = true;
        return 1;
      }
      t.windowStart = now;
      t.windowDone = t.done;
    }
  }
  return 0;
}

bool TransferEngine::SkipIfPresent(const std::string& destination, int64_t length, int row) {
  std::error_code ec;
  auto size = std::filesystem::file_size(common::NativePath(destination), ec);
  if (ec || static_cast<int64_t>(size) != length) return false;
  reporter_.SetFileBar(100);
  reporter_.SetRowProgress(row, 100);
  Log(common::Gbk("此文件以前下载过，不用再下载了。"));
  context_.HonourPause();
  return true;
}

bool TransferEngine::OpenDestination(Transfer& t) {
  std::FILE* f = std::fopen(common::NativePath(t.destination).c_str(), "wbe");
  if (!f) return false;
  // Chunks are large: each goes straight to the file without another copy.
  std::setvbuf(f, nullptr, _IONBF, 0);
  t.file = std::make_shared<DestinationFile>(f, t.destination);
  context_.RegisterOpenFile(t.file);
  return true;
}

bool TransferEngine::CloseDestination(Transfer& t) {
  if (!t.file) return true;
  context_.UnregisterOpenFile(t.file);
  return t.file->Close();
}

int TransferEngine::Finish(bool ok) {
  if (!ok) return 0;
  reporter_.AddMessage("OK!");
  return 1;
}

}  // namespace transfer
