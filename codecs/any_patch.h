#pragma once
// The patch kinds side by side: the generator makes both a zstd
// patch-from patch and a suffix patch and keeps the smaller; the client
// tells them apart by their first bytes. A client that knows only zstd
// patches fails to decode a suffix patch and fetches the whole file.

#include <cstdint>
#include <filesystem>

#include "codecs/zstd_patch.h"

namespace codecs {

/// Writes the smaller of a zstd patch and a suffix patch from oldFile to
/// newFile as patchFile (a suffix patch only for old files up to 64 MiB,
/// where sorting stays quick). Fails with an error text only when no patch could be made.
[[nodiscard]] PatchOutcome MakeSmallestPatch(const std::filesystem::path& oldFile,
                                             const std::filesystem::path& newFile,
                                             const std::filesystem::path& patchFile);

/// Applies a patch of either kind, as ApplySuffixPatch or ApplyZstdPatch
/// do: on failure outFile is removed and the error says why.
[[nodiscard]] PatchOutcome ApplyAnyPatch(const std::filesystem::path& oldFile, const std::filesystem::path& patchFile,
                                         const std::filesystem::path& outFile, uint64_t maxOutput);

}  // namespace codecs
