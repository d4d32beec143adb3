// TransferEngine for file:// sources: a copy from a local or network path,
// with the progress, pause and stop of a download.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "client/download/engine_transfer.h"
#include "client/download/transfer_engine.h"
#include "common/gbk.h"
#include "platform/input_file.h"

namespace transfer {

namespace {
// Copied inside the kernel (copy_file_range) in large chunks, so a local
// copy keeps pace with cp. The chunk grows while chunks take little time and
// shrinks when they are slow (a network share), so progress, pause and stop
// are still looked at every few tens of milliseconds.
constexpr size_t kFirstChunk = size_t{32} << 20;
constexpr size_t kSmallestChunk = size_t{1} << 20;
constexpr size_t kLargestChunk = size_t{256} << 20;
constexpr auto kQuickChunk = std::chrono::milliseconds(25);
constexpr auto kSlowChunk = std::chrono::milliseconds(100);
}

int TransferEngine::LocalCopy(const std::string& source, const std::string& destination, int row) {
  // Only a regular file is copied: a folder is no file, a FIFO would hold
  // the open (and the run) for ever, a device could be endless.
  std::FILE* in = platform::OpenRegularFileForReading(common::NativePath(source));
  if (!in) {
    Log(common::Gbk("读文件失败！") + source);
    return 0;
  }
  std::setvbuf(in, nullptr, _IONBF, 0);
  std::error_code ec;
  auto total = static_cast<int64_t>(std::filesystem::file_size(common::NativePath(source), ec));
  if (ec) total = 0;
  // The copy never runs past the size the file had when it was opened: a
  // file that keeps growing (or a special file posing as an empty one) is
  // no download.
  bool overrun = false;
  Transfer t;
  t.destination = destination;
  if (!OpenDestination(t)) {
    std::fclose(in);
    Log(common::Gbk("创建文件失败！"));
    return 0;
  }
  reporter_.AppendSize(row, total);
  reporter_.SetFileBar(0);
  reporter_.StartTransfer();

  bool ok = true;
  int64_t done = 0;
  int64_t got = 0;
  size_t chunk = kFirstChunk;
  size_t asked = 0;
  do {
    // One byte beyond the size is asked for, so that more shows.
    asked = std::min(chunk, static_cast<size_t>(total - done) + 1);
    const auto chunkStart = std::chrono::steady_clock::now();
    got = t.file->CopyFrom(in, asked);
    const auto took = std::chrono::steady_clock::now() - chunkStart;
    if (took < kQuickChunk && chunk < kLargestChunk) chunk *= 2;
    if (took > kSlowChunk && chunk > kSmallestChunk) chunk /= 2;
    if (got < 0 || context_.stopRequested.load()) {
      ok = false;
      break;
    }
    done += got;
    if (done > total) {
      overrun = true;
      ok = false;
      break;
    }
    reporter_.Chunk(done, total, row, SpeedUnit::kMegabytes);
    context_.HonourPause();
  } while (got == static_cast<int64_t>(asked));
  reporter_.Flush();
  std::fclose(in);
  if (overrun) Log(common::Gbk("文件在复制时变长了，停止复制：") + source);
  if (!CloseDestination(t)) ok = false;
  return Finish(ok);
}

}  // namespace transfer
