#pragma once
// The patches a file item offers beside its whole file: for each earlier
// release the tool still knows, the SHA-256 of that release's file, and a
// patch that turns it into this release's file. The server configuration
// keeps them in the item's "patches" value as numbered sub-fields
// ("base0=<sha256>;;url0=<name>;;size0=<bytes>;;digest0=<sha256>;;base1=..."),
// url relative to the server configuration's own location. Clients that do
// not know the key never read it and fetch the whole file as before.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace formats {

inline constexpr int kMaxPatches = 10;

struct PatchEntry {
  std::string base;    // SHA-256 of the file the patch applies to, lower case
  std::string url;     // relative to the server configuration ("patches/file0/a.zst")
  int64_t size = 0;    // bytes of the patch
  std::string digest;  // SHA-256 of the patch itself, lower case
};

/// The well-formed entries of a patches value, in order: the first entry
/// without a base ends the list; one whose digests are not 64 hex digits,
/// whose url is empty, absolute or climbs out ("..") or whose size is not
/// a positive number is skipped.
std::vector<PatchEntry> ParsePatchList(std::string_view value);

/// The value for entries (at most kMaxPatches are written).
std::string FormatPatchList(const std::vector<PatchEntry>& entries);

/// True for 64 hexadecimal digits (any case).
bool IsSha256Text(std::string_view text);

}  // namespace formats
