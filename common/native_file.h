#pragma once
// Opening a file by its native path (UTF-8, "/"), the one way the shared
// code opens files: on Windows the path must reach the system as UTF-16
// (the narrow calls read it in the local code page and miss any file of a
// Chinese name), and on every system the file stays closed to the programs
// the client starts.

#include <cstdio>
#include <string>

namespace common {

/// std::fopen with a native path and a mode of "r", "w" or "a" with "b"
/// and "+" as usual; not inherited by child processes. nullptr on failure.
std::FILE* OpenNativeFile(const std::string& nativePath, const char* mode);

}  // namespace common
