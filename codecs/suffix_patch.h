#pragma once
// Binary patches made by suffix sorting: the old file's suffix array finds
// approximate matches for every stretch of the new file, and the patch
// holds a control stream of (add, extra, seek) steps, the byte-wise
// differences of the added stretches and the bytes new in this release,
// each compressed as one zstd frame. On programs and libraries, where a
// release moves code and shifts addresses, this is often half the size of
// a zstd patch-from patch.
//
// Layout, integers little-endian: 8 bytes magic, new size (u64), SHA-256
// of the new file (32 bytes), the compressed sizes of the three frames
// (3 x u64), then the frames: control, difference, extra.
//
// Making a patch holds both files, the old file's suffix array (8 bytes a
// byte) and the streams; old files above 512 MiB are refused. Applying
// holds the old file in memory, the decoders' windows (at most the new
// size between difference and extra, which add up to it, plus 1 MiB for
// the control) and about 2.5 MiB of buffers. The stored SHA-256 makes a
// damaged patch or a wrong base fail instead of writing a wrong file.

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "codecs/zstd_patch.h"

namespace codecs {

/// The first bytes of every suffix patch (a zstd frame starts otherwise).
constexpr std::string_view kSuffixPatchMagic{"UPGSFXP1", 8};

/// Writes the patch that turns oldFile into newFile (through a temporary
/// name, so a failed write leaves no patch). Fails with an error text, also
/// for an old file too large to sort.
[[nodiscard]] PatchOutcome MakeSuffixPatch(const std::filesystem::path& oldFile,
                                           const std::filesystem::path& newFile,
                                           const std::filesystem::path& patchFile);

/// Applies patchFile to oldFile, writing outFile. A patch declaring more
/// than maxOutput bytes is refused before anything is decoded; every step
/// is checked against the old file and the declared size; on any failure
/// outFile is removed and the error says why.
[[nodiscard]] PatchOutcome ApplySuffixPatch(const std::filesystem::path& oldFile,
                                            const std::filesystem::path& patchFile,
                                            const std::filesystem::path& outFile, uint64_t maxOutput);

}  // namespace codecs
