#pragma once
// Copies a run of bytes from one open file to another inside the kernel
// where it can (no trip through a user buffer), so a local copy that works
// in chunks keeps up with the system's own copy tool.

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace platform {

/// Copies up to `maxBytes` from the current position of `in` to the current
/// position of `out` (both unbuffered streams) and advances both. Returns
/// the bytes copied: fewer than maxBytes only at the end of `in`; -1 on a
/// read or write failure.
int64_t CopyFileChunk(std::FILE* in, std::FILE* out, size_t maxBytes);

}  // namespace platform
