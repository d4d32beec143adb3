#pragma once
// File reading and writing shared by the patch formats: a file read whole
// into memory, and a patch written through a temporary name so that a
// failed write never leaves a patch that looks finished.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace codecs {

/// Reads the whole file into bytes; false when it cannot be read.
[[nodiscard]] bool ReadWholeFile(const std::filesystem::path& path, std::vector<char>& bytes);

/// Writes parts one after the other into path + ".tmp", then renames it to
/// path. Returns "" on success, else what failed (nothing is left behind).
[[nodiscard]] std::string WriteThroughTemp(const std::filesystem::path& path, const std::vector<std::string_view>& parts);

/// Removes path if it is there; what a failed patch leaves is never kept.
void RemoveQuietly(const std::filesystem::path& path);

}  // namespace codecs
