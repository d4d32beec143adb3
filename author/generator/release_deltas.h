#pragma once
// Patches from earlier releases for the package generator. Every
// generation records the file of each file item it can read locally (its
// file:// location) under the project's folder, as
// releases/file<N>/<version>/<name>, so the next generations still have
// the files their clients have installed. For the newest few of those
// earlier releases (the project's [project] delta_releases, default 3; 0
// switches patches off) it writes one zstd patch per item into the output
// folder's patches/file<N>/ and lists them in the item's "patches" value
// with the sha256 of the new file, which a patched file is checked against.
// A dir item whose folder is local is kept as releases/dir<N>/<version>/
// with its files below, and each file that changed gets one patch per
// earlier release, patches/dir<N>/<old>_<new>/<path>.zst, listed in the
// item's "file_patches" value with the digest of the file it makes.

#include <string>
#include <vector>

namespace common {
class IniDocument;
}

namespace author {

class ProjectFile;

inline constexpr int kDefaultDeltaReleases = 3;

struct DeltaReport {
  int patches = 0;                    // patches written
  std::vector<std::string> problems;  // what could not be recorded or made (GBK), not fatal
};

/// Records the releases and writes the patches; keys go into server (saved
/// by the caller). projectFile and outputFolder are GBK; outputFolder ends
/// in "/". An item without a readable local file, or one unpacked on
/// install (uncompress), keeps no patches.
DeltaReport WriteReleaseDeltas(ProjectFile& project, const std::string& projectFile, const std::string& outputFolder,
                               common::IniDocument& server);

}  // namespace author
