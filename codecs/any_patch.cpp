#include "codecs/any_patch.h"

#include <fstream>
#include <string>

#include "codecs/suffix_patch.h"

namespace codecs {

namespace fs = std::filesystem;

PatchOutcome MakeSmallestPatch(const fs::path& oldFile, const fs::path& newFile, const fs::path& patchFile) {
  fs::path suffixFile = patchFile;
  suffixFile += ".sfx";
  const PatchOutcome zstd = MakeZstdPatch(oldFile, newFile, patchFile);
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
