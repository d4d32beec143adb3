#pragma once
// PatchFetch: a file item's download by patch. When the item lists patches
// ("patches", see formats/patch_list.h) and the installed file's SHA-256 is
// the base of one of them, the patch is fetched from the server
// configuration's locations (the one that answered first, then the others;
// the patch name is relative to them) with the item's mirror rules, checked
// against its size and SHA-256, applied to the installed file into the
// item's temporary folder and checked against the item's digests. The
// result then stands where the whole file would have been downloaded.
// Anything short of that (no matching base, a patch that cannot be fetched
// or applied, a result that differs) leaves nothing behind and returns
// false, and the caller downloads the whole file as always.
//
// A dir item lists patches per file ("file_patches"); each listed file of
// the folder whose installed counterpart (the same path below the item's
// install folder) has a listed base is made the same way and checked
// against the digest its entry gives; any other file is fetched whole.
//
// Memory: applying holds the installed file and zstd's window (at most the
// new file's size) plus about 1.2 MiB of buffers. A patch that declares a
// result above max(256 MiB, 4 x the installed file), or above a signed
// item's length, is refused; an installed file above 1 GiB is never
// patched.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "formats/patch_list.h"

namespace session {
class RunState;
struct DownloadRecord;
}

namespace transfer {

class ItemFetch;
class StageSink;

/// Installed files above this size are replaced whole: applying a patch
/// holds the installed file in memory.
inline constexpr int64_t kMaxPatchBase = int64_t{1} << 30;

class PatchFetch {
 public:
  /// sizeLimit: the run's cut-off for one transfer, set while a patch is
  /// fetched (a patch is never longer than listed).
  PatchFetch(session::RunState& run, StageSink& sink, ItemFetch& fetch, int64_t& sizeLimit,
             std::function<bool()> stopped);

  /// Tries the patches of file item slot; true when destination (a GBK
  /// path) holds the item's new file, verified, and of newSize bytes when
  /// that is not -1 (a signed item's length). Logs what happened.
  [[nodiscard]] bool Fetch(int slot, int row, const std::string& destination, int64_t newSize = -1);

  /// Tries the patches of one listed file of dir item slot; true when
  /// destination holds the file, verified against its entry's digest (and
  /// of newSize bytes unless -1). False at once, without a log line, for a
  /// file the item lists no patch for.
  [[nodiscard]] bool FetchDirFile(int slot, int row, const session::DownloadRecord& record,
                                  const std::string& destination, int64_t newSize = -1);

  /// Files made from patches, file items and dir items' files alike.
  int PatchedItems() const { return patchedItems_; }
  /// Bytes of the new files less the bytes of the patches that built them.
  int64_t SavedBytes() const { return savedBytes_; }

 private:
  struct Target {
    std::string name;         // shown and logged (GBK)
    std::string installed;    // the installed file (GBK path)
    std::string destination;  // where the new file goes (GBK path)
    std::string patchFile;    // where the patch is kept while it applies: a name no listed file can have
    std::vector<formats::PatchEntry> patches;
    std::string md5;     // the new file's digests; a dir file's come with its entry
    std::string sha256;
    int64_t newSize = -1;
    int randomsel = 0;
    int tryallurl = 0;
  };
  bool Apply(const Target& target, int row);

  using DirPatches = std::map<std::string, std::vector<formats::PatchEntry>>;
  std::map<int, DirPatches> dirPatches_;  // by slot, read once per item
  session::RunState& run_;
  StageSink& sink_;
  ItemFetch& fetch_;
  int64_t& sizeLimit_;
  std::function<bool()> stopped_;
  int patchedItems_ = 0;
  int64_t savedBytes_ = 0;
};

/// The patch's address at a server configuration location: the location
/// up to its last "/" followed by the relative name.
std::string PatchUrlAt(const std::string& configUrl, const std::string& relative);

}  // namespace transfer
