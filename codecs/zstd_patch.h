#pragma once
// Binary patches between two releases of a file: zstd's patch-from mode,
// the old file serving as the dictionary prefix of one zstd frame that
// decodes to the new file. Making a patch reads both files whole (the
// authoring tool's side); applying one streams the patch and the output
// through small buffers and keeps only the old file in memory, so applying
// needs about old size + zstd's window (at most the new size) + 1.2 MiB.
// The frame always carries its content size and checksum, so a patch
// applied to the wrong base or a damaged patch fails instead of writing a
// wrong file as success.

#include <cstdint>
#include <filesystem>
#include <string>

namespace codecs {

struct PatchOutcome {
  bool ok = false;
  std::string error;  // what failed (ASCII), empty on success
};

/// Writes the patch that turns oldFile into newFile (through a temporary
/// name, so a failed write leaves no patch). Fails with an error text.
[[nodiscard]] PatchOutcome MakeZstdPatch(const std::filesystem::path& oldFile, const std::filesystem::path& newFile,
                                         const std::filesystem::path& patchFile, int level = 19);

/// Applies patchFile to oldFile, writing outFile. A frame that declares no
/// content size or more than maxOutput bytes is refused before anything is
/// decoded; on any failure outFile is removed and the error says why.
[[nodiscard]] PatchOutcome ApplyZstdPatch(const std::filesystem::path& oldFile, const std::filesystem::path& patchFile,
                                          const std::filesystem::path& outFile, uint64_t maxOutput);

/// The window log a patch between files of these sizes needs: the whole
/// old file must stay within reach of the new one.
int PatchWindowLog(uint64_t oldSize, uint64_t newSize);

}  // namespace codecs
