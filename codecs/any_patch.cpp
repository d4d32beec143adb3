#include "codecs/any_patch.h"

#include <fstream>
#include <string>

#include "codecs/suffix_patch.h"

namespace codecs {

namespace fs = std::filesystem;

// Sorting the old file's suffixes takes about two seconds for a 4.7 MB
// library but grows steeply for large files of long runs (14 s for 8 MB of
// zeros): bases above this size get zstd's patch only.
constexpr uintmax_t kLargestSuffixPatchBase = uintmax_t{64} << 20;

PatchOutcome MakeSmallestPatch(const fs::path& oldFile, const fs::path& newFile, const fs::path& patchFile) {
  fs::path suffixFile = patchFile;
  suffixFile += ".sfx";
  const PatchOutcome zstd = MakeZstdPatch(oldFile, newFile, patchFile);
  std::error_code sizeError;
  const uintmax_t baseSize = fs::file_size(oldFile, sizeError);
  if (sizeError || baseSize > kLargestSuffixPatchBase) return zstd;
  const PatchOutcome suffix = MakeSuffixPatch(oldFile, newFile, suffixFile);
  if (!suffix.ok) return zstd;
  std::error_code ec;
  const auto zstdSize = zstd.ok ? fs::file_size(patchFile, ec) : 0;
  if (zstd.ok && !ec && zstdSize <= fs::file_size(suffixFile, ec)) {
    fs::remove(suffixFile, ec);
    return zstd;
  }
  fs::rename(suffixFile, patchFile, ec);
  if (ec) {
    fs::remove(suffixFile, ec);
    return zstd.ok ? zstd : PatchOutcome{false, "cannot rename to " + patchFile.string()};
  }
  return suffix;
}

PatchOutcome ApplyAnyPatch(const fs::path& oldFile, const fs::path& patchFile, const fs::path& outFile,
                           uint64_t maxOutput) {
  std::string start(kSuffixPatchMagic.size(), '\0');
  {
    std::ifstream in(patchFile, std::ios::binary);
    in.read(start.data(), static_cast<std::streamsize>(start.size()));
  }
  if (start == kSuffixPatchMagic) return ApplySuffixPatch(oldFile, patchFile, outFile, maxOutput);
  return ApplyZstdPatch(oldFile, patchFile, outFile, maxOutput);
}

}  // namespace codecs
