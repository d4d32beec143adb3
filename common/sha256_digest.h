#pragma once
// The SHA-256 digest of a file, for items whose server configuration names
// one beside (or instead of) MD5: MD5 no longer stands against a file made
// to collide, SHA-256 does. OpenSSL does the hashing; the file is read in
// 1 MiB blocks, so memory stays constant whatever its size.

#include <string>
#include <string_view>

namespace common {

/// The 64 lower-case hex digits of the SHA-256 of the file (a native path);
/// "" when it cannot be read.
std::string FileSha256(std::string_view path);

/// The 64 lower-case hex digits of the SHA-256 of the bytes.
std::string Sha256Hex(std::string_view bytes);

}  // namespace common
