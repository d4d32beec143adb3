#include "author/generator/release_deltas.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "author/generator/package_generator.h"
#include "author/generator/package_signing.h"
#include "author/project/item_slot.h"
#include "author/project/project_file.h"
#include "codecs/any_patch.h"
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
  fs::path file;  // the release's file, or for a dir item its folder
};

// The release folders recorded for one item other than `current`, newest
// first.
std::vector<Release> EarlierReleases(const fs::path& itemStore, const std::string& current) {
  std::vector<Release> releases;
  std::error_code ec;
  for (const auto& dir : fs::directory_iterator(itemStore, ec)) {
    const std::string version = dir.path().filename().string();
    if (dir.is_directory() && version != SafeName(current)) releases.push_back({version, dir.path()});
  }
  std::sort(releases.begin(), releases.end(),
            [](const Release& a, const Release& b) { return formats::IsNewer(a.version, b.version); });
  return releases;
}

// The same with each release's one file, for a file item.
std::vector<Release> EarlierFileReleases(const fs::path& itemStore, const std::string& current) {
  std::vector<Release> releases;
  std::error_code ec;
  for (const Release& folder : EarlierReleases(itemStore, current)) {
    for (const auto& file : fs::directory_iterator(folder.file, ec)) {
      if (file.is_regular_file()) releases.push_back({folder.version, file.path()});
    }
  }
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

// A file's patch is named after its path below the item's folder, and that
// name becomes part of a URL on every configuration location: only names
// that need no escaping anywhere get one (the rest are fetched whole).
bool UrlSafeName(const std::string& name) {
  if (name.empty()) return false;
  for (unsigned char c : name) {
    if (!(std::isalnum(c) && c < 0x80) && c != '.' && c != '-' && c != '_' && c != '+' && c != '~' && c != '/') {
      return false;
    }
  }
  return true;
}

// Keeps a dir item's files as this version's release.
bool RecordDirRelease(const std::string& sourceFolder, const std::vector<formats::ManifestEntry>& files,
                      const fs::path& versionDir) {
  std::error_code ec;
  fs::remove_all(versionDir, ec);
  const fs::path source(common::NativePath(sourceFolder));
  for (const formats::ManifestEntry& f : files) {
    const fs::path rel(common::NativePath(f.name));
    fs::create_directories((versionDir / rel).parent_path(), ec);
    if (!fs::copy_file(source / rel, versionDir / rel, fs::copy_options::overwrite_existing, ec)) return false;
  }
  return true;
}

// A dir item: its folder's files are recorded as the release, and every
// file that differs from its namesake in one of the newest earlier releases
// gets a patch of its own. Files that did not change get none: the client
// fetches them as it always has.
void WriteDirDeltas(ProjectFile& project, int keep, const fs::path& store, const fs::path& patchRoot, int i,
                    common::IniDocument& server, DeltaReport& report) {
  const std::string section = SlotSection(ItemKind::Dir, i);
  std::error_code ec;
  fs::remove_all(patchRoot / section, ec);
  const ItemSlot slot = ReadItemSlot(project, ItemKind::Dir, i);
  if (slot.urls.empty() || slot.serverVersion == formats::kNoVersion) return;
  const std::string folder = LocalFolderSource(slot.urls);
  std::vector<formats::ManifestEntry> files;
  if (folder.empty()) return;
  if (!ListSourceFolder(folder, slot.filter, slot.isIncSubdir != 0, files)) {
    report.problems.push_back(Gbk("无法读取文件夹：") + folder);
    return;
  }
  const fs::path itemStore = store / section;
  const std::vector<Release> earlier = EarlierReleases(itemStore, slot.serverVersion);
  if (!RecordDirRelease(folder, files, itemStore / SafeName(slot.serverVersion))) {
    report.problems.push_back(Gbk("无法保存发布文件：") + folder);
  }
  std::vector<formats::FilePatchEntry> entries;
  int releases = 0;
  for (const Release& old : earlier) {
    if (releases >= keep) break;
    if (!formats::IsNewer(slot.serverVersion, old.version)) continue;
    ++releases;
    const std::string pair = old.version + "_" + SafeName(slot.serverVersion);
    for (const formats::ManifestEntry& f : files) {
      if (!UrlSafeName(f.name) || entries.size() >= static_cast<size_t>(formats::kMaxFilePatches)) continue;
      const fs::path oldFile = old.file / f.name;
      if (!fs::is_regular_file(oldFile, ec)) continue;
      const std::string base = common::FileSha256(oldFile.string());
      if (base.empty() || base == f.sha256) continue;
      const fs::path patch = patchRoot / section / pair / (f.name + ".zst");
      fs::create_directories(patch.parent_path(), ec);
      const fs::path newFile = fs::path(common::NativePath(folder)) / f.name;
      const codecs::PatchOutcome made = codecs::MakeSmallestPatch(oldFile, newFile, patch);
      if (!made.ok) {
        report.problems.push_back(Gbk("无法生成补丁：") + made.error);
        continue;
      }
      const auto size = fs::file_size(patch, ec);
      if (ec || static_cast<int64_t>(size) >= f.size) {
        fs::remove(patch, ec);
        continue;
      }
      entries.push_back({f.name,
                         {base, "patches/" + section + "/" + pair + "/" + f.name + ".zst", static_cast<int64_t>(size),
                          common::FileSha256(patch.string()), f.sha256}});
    }
  }
  if (entries.empty()) return;
  server.PutValue(section, "file_patches", formats::FormatFilePatchList(entries));
  report.patches += static_cast<int>(entries.size());
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
    std::vector<Release> earlier = EarlierFileReleases(itemStore, slot.serverVersion);
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
      const codecs::PatchOutcome made = codecs::MakeSmallestPatch(old.file, sourcePath, patch);
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
                         common::FileSha256(patch.string()), ""});
    }
    if (entries.empty()) continue;
    server.PutValue(section, "patches", formats::FormatPatchList(entries));
    // The client checks a patched file against the item's digest.
    server.PutValue(section, "sha256", newDigest);
    report.patches += static_cast<int>(entries.size());
  }
  for (int i = 0; i < kDirSlots; ++i) WriteDirDeltas(project, keep, store, patchRoot, i, server, report);
  return report;
}

}  // namespace author
