#include "client/download/patch_fetch.h"

#include <algorithm>
#include <filesystem>

#include "client/download/folder_listing.h"
#include "client/download/item_fetch.h"
#include "client/install/install_paths.h"
#include "client/session/run_state.h"
#include "client/stage/stage_sink.h"
#include "codecs/any_patch.h"
#include "common/gbk.h"
#include "common/sha256_digest.h"
#include "formats/patch_list.h"

namespace transfer {

namespace {

namespace fs = std::filesystem;
using common::Gbk;

int64_t SizeOf(const std::string& gbkPath) {
  std::error_code ec;
  const auto size = fs::file_size(common::NativePath(gbkPath), ec);
  return ec ? -1 : static_cast<int64_t>(size);
}

// "<work>/dir3/" -> "<work>/dir3.patch".
std::string PatchFileBeside(std::string folder) {
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  return folder + ".patch";
}

}  // namespace

std::string PatchUrlAt(const std::string& configUrl, const std::string& relative) {
  const size_t slash = configUrl.rfind('/');
  return (slash == std::string::npos ? configUrl + "/" : configUrl.substr(0, slash + 1)) + relative;
}

PatchFetch::PatchFetch(session::RunState& run, StageSink& sink, ItemFetch& fetch, int64_t& sizeLimit,
                       std::function<bool()> stopped)
    : run_(run), sink_(sink), fetch_(fetch), sizeLimit_(sizeLimit), stopped_(std::move(stopped)) {}

bool PatchFetch::Fetch(int slot, int row, const std::string& destination, int64_t newSize) {
  const formats::FileItem& item = run_.Files()[slot];
  if (item.patches.empty()) return false;
  Target target{item.fileName,
                InstallFolderOf(item.path, run_.Places().appFolder, "") + item.fileName,
                destination,
                destination + ".patch",
                formats::ParsePatchList(item.patches),
                item.md5,
                item.sha256,
                newSize,
                item.randomsel,
                item.tryallurl};
  return Apply(target, row);
}

bool PatchFetch::FetchDirFile(int slot, int row, const session::DownloadRecord& record,
                              const std::string& destination, int64_t newSize) {
  const formats::DirItem& item = run_.Dirs()[slot];
  if (item.filePatches.empty()) return false;
  auto cached = dirPatches_.find(slot);
  if (cached == dirPatches_.end()) {
    DirPatches byName;
    for (formats::FilePatchEntry& e : formats::ParseFilePatchList(item.filePatches)) {
      byName[e.name].push_back(std::move(e.patch));
    }
    cached = dirPatches_.emplace(slot, std::move(byName)).first;
  }
  const std::string name = ListedTempName(record.subFolder, record.name);
  const auto listed = cached->second.find(name);
  if (listed == cached->second.end()) return false;
  Target target{name,
                InstallFolderOf(item.path, run_.Places().appFolder, record.subFolder) + record.name,
                destination,
                // Beside the item's folder, not in it: "<name>.patch" may be
                // one of the folder's own files, fetched before.
                PatchFileBeside(run_.DirTempFolder(slot)),
                listed->second,
                "",
                "",
                newSize,
                item.randomsel,
                item.tryallurl};
  return Apply(target, row);
}

bool PatchFetch::Apply(const Target& target, int row) {
  const std::vector<formats::PatchEntry>& patches = target.patches;
  const formats::UrlList& locations = run_.Places().configLocations;
  auto fallBack = [&](std::string_view utf8Reason) {
    run_.WriteLog(Gbk("补丁不可用（") + Gbk(utf8Reason) + Gbk("），下载完整文件：") + target.name);
    return false;
  };
  // Without a digest a patched file could not be told from a wrong one
  // (every entry of a dir item's list carries its own).
  const bool ownDigests = !target.md5.empty() || !target.sha256.empty();
  if (!ownDigests && std::any_of(patches.begin(), patches.end(),
                                 [](const formats::PatchEntry& p) { return p.result.empty(); })) {
    return fallBack("无文件校验值");
  }
  if (patches.empty() || locations.empty()) return fallBack("无可用补丁");

  const std::string& installed = target.installed;
  const std::string& destination = target.destination;
  // The whole installed file is held while the patch applies.
  if (SizeOf(installed) > kMaxPatchBase) return fallBack("本地文件过大");
  const std::string installedDigest = common::FileSha256(common::NativePath(installed));
  if (installedDigest.empty()) return fallBack("本地文件不存在");
  auto match = std::find_if(patches.begin(), patches.end(),
                            [&](const formats::PatchEntry& p) { return p.base == installedDigest; });
  if (match == patches.end()) return fallBack("本地文件与补丁基准不符");

  const std::string& patchFile = target.patchFile;
  formats::UrlList mirrors;
  for (size_t i = 0; i < locations.size(); ++i) {
    mirrors.urls.push_back(PatchUrlAt(locations.urls[i], match->url));
    mirrors.users.push_back(locations.users[i]);
    mirrors.passwords.push_back(locations.passwords[i]);
  }
  bool fetched = false;
  while (!mirrors.empty() && !fetched) {
    Mirror mirror = fetch_.Take(mirrors, target.randomsel != 0);
    sink_.SetRowProgress(row, 0);
    std::string checkMessage;
    DeleteDownloadedFile(patchFile);  // no bytes of an earlier mirror pass for this one's
    sizeLimit_ = match->size;
    fetched = fetch_.Connect(mirror) && fetch_.FetchFile(mirror, patchFile, row, checkMessage) == FetchResult::kOk;
    sizeLimit_ = -1;
    fetched = fetched && SizeOf(patchFile) == match->size &&
              ItemFetch::CheckDigests(patchFile, "", match->digest).ok;
    if (stopped_()) break;
    if (!fetched && !checkMessage.empty()) run_.WriteLog(checkMessage);
    if (!target.tryallurl) break;
  }
  if (!fetched || stopped_()) {
    DeleteDownloadedFile(patchFile);
    return stopped_() ? false : fallBack("补丁下载失败");
  }

  const int64_t installedSize = SizeOf(installed);
  const uint64_t limit = target.newSize >= 0
                             ? static_cast<uint64_t>(target.newSize)
                             : std::max<uint64_t>(uint64_t{256} << 20, 4 * static_cast<uint64_t>(installedSize));
  const codecs::PatchOutcome applied = codecs::ApplyAnyPatch(
      common::NativePath(installed), common::NativePath(patchFile), common::NativePath(destination), limit);
  DeleteDownloadedFile(patchFile);
  if (!applied.ok) return fallBack("补丁应用失败：" + applied.error);
  if (target.newSize >= 0 && SizeOf(destination) != target.newSize) {
    DeleteDownloadedFile(destination);
    return fallBack("补丁结果长度不符");
  }
  const DigestCheck check = ownDigests ? ItemFetch::CheckDigests(destination, target.md5, target.sha256)
                                       : ItemFetch::CheckDigests(destination, "", match->result);
  if (!check.ok) {
    DeleteDownloadedFile(destination);
    return fallBack("补丁结果" + common::GbkToUtf8(check.kind) + "校验失败");
  }
  const int64_t saved = SizeOf(destination) - match->size;
  ++patchedItems_;
  savedBytes_ += saved;
  sink_.AddMessage(Gbk("已通过补丁更新：") + target.name);
  run_.WriteLog(Gbk("★ 补丁更新：") + target.name + Gbk("，补丁 ") + std::to_string(match->size) +
                Gbk(" 字节，节省 ") + std::to_string(saved) + Gbk(" 字节"));
  return true;
}

}  // namespace transfer
