#pragma once
// The patches a file item offers beside its whole file: for each earlier
// release the tool still knows, the SHA-256 of that release's file, and a
// patch that turns it into this release's file. The server configuration
// keeps them in the item's "patches" value as numbered sub-fields
// ("base0=<sha256>;;url0=<name>;;size0=<bytes>;;digest0=<sha256>;;base1=..."),
// url relative to the server configuration's own location. A dir item
// keeps one such list for all its files in "file_patches", each entry
// naming its file and the SHA-256 of the file it makes (a dir item has no
// per-file digest of its own). Clients that do not know the keys never read
// them and fetch whole files as before.

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
  std::string result;  // SHA-256 of the file the patch makes; "" for a file item (its sha256 key says)
};

/// A dir item's patch for one of its files: name is the file's path below
/// the item's folder, "/" separated, as the listing gives it.
struct FilePatchEntry {
  std::string name;
  PatchEntry patch;
};

/// Entries a dir item's list may hold: a few releases of a large tree.
inline constexpr int kMaxFilePatches = 100000;

/// The well-formed entries of a patches value, in order: the first entry
/// without a base ends the list; one whose digests are not 64 hex digits,
/// whose url is empty, absolute or climbs out ("..") or whose size is not
/// a positive number is skipped.
std::vector<PatchEntry> ParsePatchList(std::string_view value);

/// The value for entries (at most kMaxPatches are written).
std::string FormatPatchList(const std::vector<PatchEntry>& entries);

/// The well-formed entries of a dir item's "file_patches" value
/// ("name0=<path>;;base0=..;;url0=..;;size0=..;;digest0=..;;result0=<sha256>;;name1=..."):
/// the first entry without a name ends the list; one with an unsafe url,
/// digests that are not 64 hex digits or a size that is not positive is
/// skipped. Read in one pass, so a list for thousands of files stays cheap.
std::vector<FilePatchEntry> ParseFilePatchList(std::string_view value);

/// The value for entries (at most kMaxFilePatches are written). A name
/// holding ";;" cannot be written and must not be passed.
std::string FormatFilePatchList(const std::vector<FilePatchEntry>& entries);

/// True for 64 hexadecimal digits (any case).
bool IsSha256Text(std::string_view text);

}  // namespace formats
