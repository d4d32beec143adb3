#include "codecs/suffix_patch.h"

#include <zstd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "codecs/patch_file_io.h"
#include "codecs/suffix_array.h"
#include "codecs/suffix_diff.h"
#include "common/sha256_digest.h"

namespace codecs {

namespace {

namespace fs = std::filesystem;

constexpr size_t kHeaderSize = 72;  // magic, new size, SHA-256, three frame sizes
constexpr size_t kStepSize = 24;    // one (add, extra, seek) step of the control stream
// The control stream is small; a 1 MiB window keeps its decoder small too.
constexpr int kControlWindowLog = 20;
// Difference and extra frames reach back at most 128 MiB.
constexpr int kStreamWindowLogMax = 27;

PatchOutcome Failed(std::string error) { return {false, std::move(error)}; }

struct CCtxFree {
  void operator()(ZSTD_CCtx* c) const { ZSTD_freeCCtx(c); }
};
struct DCtxFree {
  void operator()(ZSTD_DCtx* d) const { ZSTD_freeDCtx(d); }
};

void PutU64(std::string& out, uint64_t value) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint64_t GetU64(const char* p) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(p[i]);
  return value;
}

std::string HexToBytes(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

std::string BytesToHex(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

// One stream as a zstd frame that declares its size and carries a checksum.
std::string Compress(std::string_view data, int windowLogCap, std::string& frame) {
  std::unique_ptr<ZSTD_CCtx, CCtxFree> cctx(ZSTD_createCCtx());
  if (!cctx) return "out of memory";
  ZSTD_CCtx* c = cctx.get();
  const size_t set[] = {
      ZSTD_CCtx_setParameter(c, ZSTD_c_compressionLevel, 19),
      ZSTD_CCtx_setParameter(c, ZSTD_c_enableLongDistanceMatching, 1),
      ZSTD_CCtx_setParameter(c, ZSTD_c_windowLog, std::min(PatchWindowLog(0, data.size()), windowLogCap)),
      ZSTD_CCtx_setParameter(c, ZSTD_c_contentSizeFlag, 1),
      ZSTD_CCtx_setParameter(c, ZSTD_c_checksumFlag, 1),
  };
  for (size_t r : set) {
    if (ZSTD_isError(r)) return std::string("zstd: ") + ZSTD_getErrorName(r);
  }
  frame.resize(ZSTD_compressBound(data.size()));
  const size_t written = ZSTD_compress2(c, frame.data(), frame.size(), data.data(), data.size());
  if (ZSTD_isError(written)) return std::string("zstd: ") + ZSTD_getErrorName(written);
  frame.resize(written);
  return {};
}

// Reads one frame of the patch through a small buffer: its own file
// handle, so the three streams are decoded side by side.
class FrameReader {
 public:
  // "" when the frame at offset opens and declares its content size.
  std::string Open(const fs::path& patch, uint64_t offset, uint64_t length, int windowLogMax) {
    in_.open(patch, std::ios::binary);
    if (!in_) return "cannot read " + patch.string();
    in_.seekg(static_cast<std::streamoff>(offset));
    remaining_ = length;
    buffer_.resize(ZSTD_DStreamInSize());
    dctx_.reset(ZSTD_createDCtx());
    if (!dctx_) return "out of memory";
    const size_t r = ZSTD_DCtx_setParameter(dctx_.get(), ZSTD_d_windowLogMax, windowLogMax);
    if (ZSTD_isError(r)) return std::string("zstd: ") + ZSTD_getErrorName(r);
    if (!Refill()) return "patch is truncated";
    declared_ = ZSTD_getFrameContentSize(input_.src, input_.size);
    if (declared_ == ZSTD_CONTENTSIZE_ERROR || declared_ == ZSTD_CONTENTSIZE_UNKNOWN) return "damaged stream header";
    return {};
  }

  uint64_t Declared() const { return declared_; }

  // Exactly n bytes of the stream, or false.
  bool Read(char* dst, size_t n) {
    if (n > declared_ - produced_) return false;
    size_t got = 0;
    while (got < n) {
      if (last_ == 0) return false;  // the frame has ended
      if (input_.pos == input_.size && remaining_ > 0 && !Refill()) return false;
      const size_t before = input_.pos;
      ZSTD_outBuffer out{dst + got, n - got, 0};
      last_ = ZSTD_decompressStream(dctx_.get(), &out, &input_);
      if (ZSTD_isError(last_)) return false;
      got += out.pos;
      produced_ += out.pos;
      if (out.pos == 0 && input_.pos == before && remaining_ == 0) return false;
    }
    return true;
  }

  // True when the frame ended exactly after its declared bytes, checksum
  // checked, with no byte of the patch left over.
  bool Finish() {
    char spare = 0;
    while (last_ != 0) {
      if (input_.pos == input_.size && remaining_ > 0 && !Refill()) return false;
      const size_t before = input_.pos;
      ZSTD_outBuffer out{&spare, 1, 0};
      last_ = ZSTD_decompressStream(dctx_.get(), &out, &input_);
      if (ZSTD_isError(last_) || out.pos != 0) return false;
      if (input_.pos == before && remaining_ == 0) return false;
    }
    return produced_ == declared_ && input_.pos == input_.size && remaining_ == 0;
  }

 private:
  bool Refill() {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(remaining_, buffer_.size()));
    in_.read(buffer_.data(), static_cast<std::streamsize>(want));
    if (static_cast<size_t>(in_.gcount()) != want || want == 0) return false;
    remaining_ -= want;
    input_ = {buffer_.data(), want, 0};
    return true;
  }

  std::ifstream in_;
  std::vector<char> buffer_;
  ZSTD_inBuffer input_{nullptr, 0, 0};
  std::unique_ptr<ZSTD_DCtx, DCtxFree> dctx_;
  uint64_t remaining_ = 0;
  uint64_t declared_ = 0;
  uint64_t produced_ = 0;
  size_t last_ = 1;  // zstd's hint; 0 once the frame has been decoded completely
};

// The output file through a 1 MiB buffer, never more than the declared size.
class OutputFile {
 public:
  explicit OutputFile(const fs::path& path) : out_(path, std::ios::binary | std::ios::trunc) {
    buffer_.reserve(size_t{1} << 20);
  }
  bool ok() const { return static_cast<bool>(out_); }
  void Put(const char* data, size_t n) {
    buffer_.insert(buffer_.end(), data, data + n);
    if (buffer_.size() >= (size_t{1} << 20)) Flush();
  }
  bool Close() {
    Flush();
    out_.close();
    return static_cast<bool>(out_);
  }

 private:
  void Flush() {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
  }
  std::ofstream out_;
  std::vector<char> buffer_;
};

PatchOutcome Apply(const fs::path& oldFile, const fs::path& patchFile, const fs::path& outFile, uint64_t maxOutput) {
  std::ifstream patch(patchFile, std::ios::binary);
  if (!patch) return Failed("cannot read " + patchFile.string());
  char header[kHeaderSize];
  patch.read(header, kHeaderSize);
  if (static_cast<size_t>(patch.gcount()) != kHeaderSize) return Failed("patch is truncated");
  if (std::string_view(header, 8) != kSuffixPatchMagic) return Failed("not a suffix patch");
  const uint64_t newSize = GetU64(header + 8);
  if (newSize > maxOutput) return Failed("declared size above the limit");
  const std::string wantDigest = BytesToHex(std::string_view(header + 16, 32));
  std::error_code ec;
  const uint64_t patchSize = fs::file_size(patchFile, ec);
  if (ec) return Failed("cannot read " + patchFile.string());
  uint64_t lengths[3];
  uint64_t offsets[3];
  uint64_t at = kHeaderSize;
  for (int i = 0; i < 3; ++i) {
    lengths[i] = GetU64(header + 48 + 8 * i);
    if (lengths[i] > patchSize - at) return Failed("patch is truncated");
    offsets[i] = at;
    at += lengths[i];
  }
  if (at != patchSize) return Failed("bytes after the streams");

  std::vector<char> old;
  if (!ReadWholeFile(oldFile, old)) return Failed("cannot read " + oldFile.string());
  const auto oldSize = static_cast<uint64_t>(old.size());
  FrameReader control;
  FrameReader diff;
  FrameReader extra;
  for (auto [reader, i, windowLog] : {std::tuple{&control, 0, kControlWindowLog},
                                      std::tuple{&diff, 1, kStreamWindowLogMax},
                                      std::tuple{&extra, 2, kStreamWindowLogMax}}) {
    const std::string error = reader->Open(patchFile, offsets[i], lengths[i], windowLog);
    if (!error.empty()) return Failed(error);
  }
  // Every new byte comes from exactly one of the two data streams, and
  // every step but the first writes one: the declared sizes bound the work.
  if (diff.Declared() > newSize || extra.Declared() != newSize - diff.Declared()) {
    return Failed("streams disagree with the declared size");
  }
  if (control.Declared() % kStepSize != 0 || control.Declared() / kStepSize > newSize + 1) {
    return Failed("damaged control stream");
  }

  OutputFile out(outFile);
  if (!out.ok()) return Failed("cannot write " + outFile.string());
  std::vector<char> chunk(size_t{64} << 10);
  uint64_t oldPos = 0;
  uint64_t newPos = 0;
  for (uint64_t step = 0; newPos < newSize; ++step) {
    char triple[kStepSize];
    if (!control.Read(triple, kStepSize)) return Failed("damaged control stream");
    const uint64_t add = GetU64(triple);
    const uint64_t take = GetU64(triple + 8);
    const auto seek = static_cast<int64_t>(GetU64(triple + 16));
    if (add == 0 && take == 0 && step > 0) return Failed("damaged control stream");
    if (add > newSize - newPos || take > newSize - newPos - add) return Failed("step writes past the declared size");
    if (add > oldSize - oldPos) return Failed("step reads past the old file");
    for (uint64_t done = 0; done < add;) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(add - done, chunk.size()));
      if (!diff.Read(chunk.data(), n)) return Failed("damaged difference stream");
      const char* base = old.data() + oldPos + done;
      for (size_t i = 0; i < n; ++i) chunk[i] = static_cast<char>(chunk[i] + base[i]);
      out.Put(chunk.data(), n);
      done += n;
    }
    for (uint64_t done = 0; done < take;) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(take - done, chunk.size()));
      if (!extra.Read(chunk.data(), n)) return Failed("damaged extra stream");
      out.Put(chunk.data(), n);
      done += n;
    }
    newPos += add + take;
    oldPos += add;
    const bool inside = seek < 0 ? static_cast<uint64_t>(-(seek + 1)) < oldPos
                                 : static_cast<uint64_t>(seek) <= oldSize - oldPos;
    if (!inside) return Failed("step seeks outside the old file");
    oldPos = seek < 0 ? oldPos - static_cast<uint64_t>(-(seek + 1)) - 1 : oldPos + static_cast<uint64_t>(seek);
  }
  if (!control.Finish() || !diff.Finish() || !extra.Finish()) return Failed("streams do not end with the file");
  if (!out.Close()) return Failed("cannot write " + outFile.string());
  if (common::FileSha256(outFile.string()) != wantDigest) return Failed("patch result has the wrong SHA-256");
  return {true, {}};
}

}  // namespace

PatchOutcome MakeSuffixPatch(const fs::path& oldFile, const fs::path& newFile, const fs::path& patchFile) {
  std::vector<char> oldBytes;
  std::vector<char> newBytes;
  if (!ReadWholeFile(oldFile, oldBytes)) return Failed("cannot read " + oldFile.string());
  if (oldBytes.size() > kMaxSuffixArrayInput) return Failed("old file too large to sort");
  if (!ReadWholeFile(newFile, newBytes)) return Failed("cannot read " + newFile.string());
  const std::string_view oldView(oldBytes.data(), oldBytes.size());
  const std::string_view newView(newBytes.data(), newBytes.size());
  DiffStreams streams;
  {
    const std::vector<int32_t> suffixes = BuildSuffixArray(oldView);
    streams = ComputeDiffStreams(oldView, newView, suffixes);
  }
  std::string frames[3];
  const std::string_view data[3] = {streams.control, streams.diff, streams.extra};
  const int windowLogs[3] = {kControlWindowLog, kStreamWindowLogMax, kStreamWindowLogMax};
  for (int i = 0; i < 3; ++i) {
    const std::string error = Compress(data[i], windowLogs[i], frames[i]);
    if (!error.empty()) return Failed(error);
  }
  std::string header(kSuffixPatchMagic);
  PutU64(header, newBytes.size());
  header += HexToBytes(common::Sha256Hex(newView));
  for (const std::string& frame : frames) PutU64(header, frame.size());
  const std::string error = WriteThroughTemp(patchFile, {header, frames[0], frames[1], frames[2]});
  if (!error.empty()) return Failed(error);
  return {true, {}};
}

PatchOutcome ApplySuffixPatch(const fs::path& oldFile, const fs::path& patchFile, const fs::path& outFile,
                              uint64_t maxOutput) {
  PatchOutcome outcome = Apply(oldFile, patchFile, outFile, maxOutput);
  if (!outcome.ok) RemoveQuietly(outFile);
  return outcome;
}

}  // namespace codecs
