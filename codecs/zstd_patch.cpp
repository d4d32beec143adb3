#include "codecs/zstd_patch.h"

#include <zstd.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string_view>
#include <vector>

#include "codecs/patch_file_io.h"

namespace codecs {

namespace {

namespace fs = std::filesystem;

PatchOutcome Failed(std::string error) { return {false, std::move(error)}; }

struct CCtxFree {
  void operator()(ZSTD_CCtx* c) const { ZSTD_freeCCtx(c); }
};
struct DCtxFree {
  void operator()(ZSTD_DCtx* d) const { ZSTD_freeDCtx(d); }
};

}  // namespace

int PatchWindowLog(uint64_t oldSize, uint64_t newSize) {
  const uint64_t reach = std::max<uint64_t>(oldSize, newSize) + 1;
  // zstd's limits on 64-bit builds (named only in its static-linking API).
  constexpr int kMinLog = 10;
  constexpr int kMaxLog = 31;
  int log = kMinLog;
  while (log < kMaxLog && (uint64_t{1} << log) < reach) ++log;
  return log;
}

PatchOutcome MakeZstdPatch(const fs::path& oldFile, const fs::path& newFile, const fs::path& patchFile, int level) {
  std::vector<char> oldBytes;
  std::vector<char> newBytes;
  if (!ReadWholeFile(oldFile, oldBytes)) return Failed("cannot read " + oldFile.string());
  if (!ReadWholeFile(newFile, newBytes)) return Failed("cannot read " + newFile.string());
  std::unique_ptr<ZSTD_CCtx, CCtxFree> cctx(ZSTD_createCCtx());
  if (!cctx) return Failed("out of memory");
  const int windowLog = PatchWindowLog(oldBytes.size(), newBytes.size());
  ZSTD_CCtx* c = cctx.get();
  const size_t set[] = {
      ZSTD_CCtx_setParameter(c, ZSTD_c_compressionLevel, level),
      ZSTD_CCtx_setParameter(c, ZSTD_c_enableLongDistanceMatching, 1),
      ZSTD_CCtx_setParameter(c, ZSTD_c_windowLog, windowLog),
      ZSTD_CCtx_setParameter(c, ZSTD_c_contentSizeFlag, 1),
      ZSTD_CCtx_setParameter(c, ZSTD_c_checksumFlag, 1),
      ZSTD_CCtx_refPrefix(c, oldBytes.data(), oldBytes.size()),
  };
  for (size_t r : set) {
    if (ZSTD_isError(r)) return Failed(std::string("zstd: ") + ZSTD_getErrorName(r));
  }
  std::vector<char> patch(ZSTD_compressBound(newBytes.size()));
  const size_t written = ZSTD_compress2(c, patch.data(), patch.size(), newBytes.data(), newBytes.size());
  if (ZSTD_isError(written)) return Failed(std::string("zstd: ") + ZSTD_getErrorName(written));

  const std::string error = WriteThroughTemp(patchFile, {std::string_view(patch.data(), written)});
  if (!error.empty()) return Failed(error);
  return {true, {}};
}

namespace {

PatchOutcome Apply(const fs::path& oldFile, const fs::path& patchFile, const fs::path& outFile, uint64_t maxOutput) {
  std::ifstream patch(patchFile, std::ios::binary);
  if (!patch) return Failed("cannot read " + patchFile.string());
  std::vector<char> in(ZSTD_DStreamInSize());
  // Output leaves in 1 MiB writes: fewer calls into the file system.
  std::vector<char> outBuf(std::max<size_t>(ZSTD_DStreamOutSize(), size_t{1} << 20));

  // The frame header decides whether the patch is worth the old file's
  // memory: the declared size bounds both the output and the window.
  patch.read(in.data(), static_cast<std::streamsize>(in.size()));
  size_t have = static_cast<size_t>(patch.gcount());
  const unsigned long long declared = ZSTD_getFrameContentSize(in.data(), have);
  if (declared == ZSTD_CONTENTSIZE_ERROR) return Failed("not a zstd frame");
  if (declared == ZSTD_CONTENTSIZE_UNKNOWN) return Failed("frame declares no content size");
  if (declared > maxOutput) return Failed("declared size above the limit");

  std::vector<char> oldBytes;
  if (!ReadWholeFile(oldFile, oldBytes)) return Failed("cannot read " + oldFile.string());
  std::unique_ptr<ZSTD_DCtx, DCtxFree> dctx(ZSTD_createDCtx());
  if (!dctx) return Failed("out of memory");
  const size_t set[] = {
      ZSTD_DCtx_setParameter(dctx.get(), ZSTD_d_windowLogMax, PatchWindowLog(oldBytes.size(), declared)),
      ZSTD_DCtx_refPrefix(dctx.get(), oldBytes.data(), oldBytes.size()),
  };
  for (size_t r : set) {
    if (ZSTD_isError(r)) return Failed(std::string("zstd: ") + ZSTD_getErrorName(r));
  }

  std::ofstream out(outFile, std::ios::binary | std::ios::trunc);
  if (!out) return Failed("cannot write " + outFile.string());
  uint64_t produced = 0;
  size_t last = 1;  // non-zero until a frame has been decoded completely
  while (true) {
    ZSTD_inBuffer input{in.data(), have, 0};
    while (input.pos < input.size) {
      ZSTD_outBuffer output{outBuf.data(), outBuf.size(), 0};
      last = ZSTD_decompressStream(dctx.get(), &output, &input);
      if (ZSTD_isError(last)) return Failed(std::string("zstd: ") + ZSTD_getErrorName(last));
      produced += output.pos;
      if (produced > declared) return Failed("patch writes more than it declares");
      out.write(outBuf.data(), static_cast<std::streamsize>(output.pos));
      if (last == 0 && input.pos < input.size) return Failed("bytes after the frame");
    }
    if (patch.eof()) break;
    patch.read(in.data(), static_cast<std::streamsize>(in.size()));
    have = static_cast<size_t>(patch.gcount());
    if (have == 0) break;
  }
  // Output still held inside the decoder once the input has run out.
  while (last != 0) {
    ZSTD_inBuffer input{nullptr, 0, 0};
    ZSTD_outBuffer output{outBuf.data(), outBuf.size(), 0};
    last = ZSTD_decompressStream(dctx.get(), &output, &input);
    if (ZSTD_isError(last)) return Failed(std::string("zstd: ") + ZSTD_getErrorName(last));
    if (output.pos == 0) break;
    produced += output.pos;
    if (produced > declared) return Failed("patch writes more than it declares");
    out.write(outBuf.data(), static_cast<std::streamsize>(output.pos));
  }
  if (last != 0) return Failed("patch is truncated");
  if (produced != declared) return Failed("patch result has the wrong size");
  out.close();
  if (!out) return Failed("cannot write " + outFile.string());
  return {true, {}};
}

}  // namespace

PatchOutcome ApplyZstdPatch(const fs::path& oldFile, const fs::path& patchFile, const fs::path& outFile,
                            uint64_t maxOutput) {
  PatchOutcome outcome = Apply(oldFile, patchFile, outFile, maxOutput);
  if (!outcome.ok) RemoveQuietly(outFile);
  return outcome;
}

}  // namespace codecs
