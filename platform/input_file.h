#pragma once
// Opening a file that some input names (a file:// location of the server
// configuration): only a regular file is read. A FIFO nobody writes to would
// block the open for ever, a device could be endless.

#include <cstdio>
#include <string>

namespace platform {

/// The regular file at path (native) opened for reading, close-on-exec;
/// nullptr at once for a folder, a FIFO, a device or a socket, and when it
/// cannot be opened.
std::FILE* OpenRegularFileForReading(const std::string& path);

}  // namespace platform
