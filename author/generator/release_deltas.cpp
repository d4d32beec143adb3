#include "author/generator/release_deltas.h"

#include <algorithm>
#include <filesystem>

#include "author/generator/package_generator.h"
#include "author/project/item_slot.h"
#include "author/project/project_file.h"
#include "codecs/zstd_patch.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "common/sha256_digest.h"
#include "formats/patch_list.h"
#include "formats/version_compare.h"

namespace author {

namespace {

namespace fs = std::filesystem;
using common::Gbk;

// A version becomes a folder and part of a patch name: anything but
// letters, digits, "." and "-" turns into "_", so "1.0/../x" stays one name.
std::string SafeName(const std::string& version) {
  std::string out;
  for (unsigned char c : version) {
    out += (std::isalnum(c) || c == '.' || c == '-') && c < 0x80 ? static_cast<char>(c) : '_';
  }
  if (out.empty() || out == "." || out == "..") out = "_" + out;
  return out;
}

struct Release {
  std::string version;
  fs::path file;
};

// The releases recorded for one item other than `current`, newest first.
std::vector<Release> EarlierReleases(const fs::path& itemStore, const std::string& current) {
  std::vector<Release> releases;
  std::error_code ec;
  for (const auto& dir : fs::directory_iterator(itemStore, ec)) {
    const std::string version = dir.path().filename().string();
    if (!dir.is_directory() || version == SafeName(current)) continue;
    for (const auto& file : fs::directory_iterator(dir.path(), ec)) {
      if (file.is_regular_file()) releases.push_back({version, file.path()});
    }
  }
  std::sort(releases.begin(), releases.end(),
            [](const Release& a, const Release& b) { return formats::IsNewer(a.version, b.version); });
  return releases;
}

// Keeps the item's file as this version's release (replacing what an
// earlier generation of the same version recorded).
bool RecordRelease(const fs::path& source, const fs::path& versionDir) {
  std::error_code ec;
  fs::remove_all(versionDir, ec);
  fs::create_directories(versionDir, ec);
  if (ec) return false;
  return fs::copy_file(source, versionDir / source.filename(), fs::copy_options::overwrite_existing, ec);
}

}  // namespace

DeltaReport WriteReleaseDeltas(ProjectFile& project, const std::string& projectFile, const std::string& outputFolder,
                               common::IniDocument& server) {
  DeltaReport report;
  const int keep = project.GetInt("project", "delta_releases", kDefaultDeltaReleases);
  const fs::path store = fs::path(common::NativePath(projectFile)).parent_path() / "releases";
  const fs::path patchRoot = fs::path(common::NativePath(outputFolder)) / "patches";
  std::error_code ec;
  for (int i = 0; i < kFileSlots; ++i) {
    const std::string section = SlotSection(ItemKind::File, i);
    // Patches of an earlier generation would name files no longer listed.
    fs::remove_all(patchRoot / section, ec);
    const ItemSlot slot = ReadItemSlot(project, ItemKind::File, i);
    // An archive that is unpacked leaves no file of its own to patch.
    if (slot.urls.empty() || slot.serverVersion == formats::kNoVersion || slot.uncompress) continue;
    const std::string source = LocalItemSource(slot.urls);
    if (source.empty()) continue;
    const fs::path sourcePath(common::NativePath(source));
    const std::string newDigest = common::FileSha256(sourcePath.string());
    if (newDigest.empty()) continue;

    const fs::path itemStore = store / section;
    std::vector<Release> earlier = EarlierReleases(itemStore, slot.serverVersion);
    if (!RecordRelease(sourcePath, itemStore / SafeName(slot.serverVersion))) {
      report.problems.push_back(Gbk("无法保存发布文件：") + source);
    }
    if (keep <= 0) continue;

    std::vector<formats::PatchEntry> entries;
    for (const Release& old : earlier) {
      if (static_cast<int>(entries.size()) >= std::min(keep, formats::kMaxPatches)) break;
      // Only releases older than this one are installed anywhere.
      if (!formats::IsNewer(slot.serverVersion, old.version)) continue;
      const std::string base = common::FileSha256(old.file.string());
      // An unchanged file still gets its patch: a few bytes instead of the
      // whole file for a client whose installed copy is already right.
      if (base.empty()) continue;
      const std::string name = old.version + "_" + SafeName(slot.serverVersion) + ".zst";
      fs::create_directories(patchRoot / section, ec);
      const fs::path patch = patchRoot / section / name;
      const codecs::PatchOutcome made = codecs::MakeZstdPatch(old.file, sourcePath, patch);
      if (!made.ok) {
        report.problems.push_back(Gbk("无法生成补丁：") + made.error);
        continue;
      }
      const auto size = fs::file_size(patch, ec);
      // A patch no smaller than the file saves nothing.
      if (ec || size >= fs::file_size(sourcePath, ec)) {
        fs::remove(patch, ec);
        continue;
      }
      entries.push_back({base, "patches/" + section + "/" + name, static_cast<int64_t>(size),
                         common::FileSha256(patch.string())});
    }
    if (entries.empty()) continue;
    server.PutValue(section, "patches", formats::FormatPatchList(entries));
    // The client checks a patched file against the item's digest.
    server.PutValue(section, "sha256", newDigest);
    report.patches += static_cast<int>(entries.size());
  }
  return report;
}

}  // namespace author
