#pragma once
// Flushing many written files to the disk at once. An installation writes
// hundreds of files; flushing each one as it is written would cost one
// disk round trip per file, so it flushes whole file systems at the end of
// a phase instead, before it records that the phase is complete.

#include <string>
#include <vector>

namespace platform {

/// Flushes every file system that holds one of the paths (native paths;
/// each file system once). False when one of them could not be flushed or
/// none of the paths exists.
bool SyncFileSystems(const std::vector<std::string>& nativePaths);

/// Flushes the bytes of one file (native path, a link at it not followed)
/// to the disk: a file about to be renamed over an older one must be
/// complete on the disk first, or a power cut can leave an empty file under
/// the old name. False when it cannot be opened or flushed.
bool FlushFile(const std::string& nativePath);

}  // namespace platform
