#include "client/install/file_installer.h"

#include <algorithm>
#include <fstream>
#include <unordered_set>

#include "client/session/install_journal.h"
#include "client/session/run_state.h"
#include "client/install/rollback.h"
#include "codecs/zip_archive.h"
#include "common/gbk.h"
#include "platform/file_operations.h"

namespace transfer {
namespace {

using common::Gbk;
using platform::FileKind;

constexpr const char* kStagingName = ".~upgrade-unzip";

bool StartsLikeProgram(const std::string& nativePath) {
  std::ifstream in(nativePath, std::ios::binary);
  char head[4] = {};
  in.read(head, sizeof head);
  const std::streamsize n = in.gcount();
  return (n >= 2 && head[0] == '#' && head[1] == '!') ||
         (n == 4 && head[0] == '\x7f' && head[1] == 'E' && head[2] == 'L' && head[3] == 'F');
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

// The one file an entry left in the (otherwise emptied) staging folder, as
// a path relative to it; "" when there is none (a folder entry).
std::string FindStagedFile(platform::FileOperations& ops, const std::string& folder, const std::string& rel) {
  std::vector<std::string> names;
  (void)ops.ListFolder(rel.empty() ? folder : folder + "/" + rel, &names);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::string sub = rel.empty() ? name : rel + "/" + name;
    const FileKind kind = ops.Inspect(folder + "/" + sub).kind;
    if (kind == FileKind::kFile) return sub;
    if (kind == FileKind::kFolder) {
      std::string found = FindStagedFile(ops, folder, sub);
      if (!found.empty()) return found;
    }
  }
  return {};
}

}  // namespace

void GiveRunBitsToProgram(InstallEnv& env, const std::string& nativePath) {
  const platform::FileInfo info = env.ops.Inspect(nativePath);
  if (info.kind != FileKind::kFile || (info.mode & 0111) != 0 || !StartsLikeProgram(nativePath)) return;
  uint32_t mode = info.mode | 0100;
  if (mode & 040) mode |= 010;
  if (mode & 04) mode |= 01;
  (void)env.ops.SetMode(nativePath, mode);
}

bool InstallCopy(InstallEnv& env, session::InstallJournal& journal, const std::string& source,
                 const std::string& target) {
  const bool existed = env.ops.Inspect(target).kind == FileKind::kFile;
  (void)journal.RecordNew(target);
  if (!platform::ReplaceFile(env.ops, source, target, false)) return false;
  if (!existed) GiveRunBitsToProgram(env, target);
  return true;
}

ExtractResult ExtractArchive(InstallEnv& env, session::InstallJournal& journal, const std::string& archive,
                             const std::string& installFolder, session::ItemWork& work) {
  ExtractResult result;
  codecs::ZipArchive zip;
  if (!zip.Open(archive, codecs::ZipArchive::Mode::ReadOnly)) return result;
  const std::string nativeFolder = common::NativePath(installFolder);
  // Entries are unpacked into a hidden folder beside their targets first,
  // then renamed into place: same file system, so each appears at once.
  const std::string staging = nativeFolder + kStagingName;
  (void)journal.RecordTemporary(staging);
  if (env.ops.Inspect(staging).kind != FileKind::kMissing) (void)platform::DeleteFolderTree(env.ops, staging);
  if (!env.ops.MakeFolders(staging)) return result;
  // Sets beside the item's lists: an archive of many thousand entries must
  // not search the growing lists once per entry.
  std::unordered_set<std::string> backedUp(work.backedUpFiles.begin(), work.backedUpFiles.end());
  std::unordered_set<std::string> placed(work.newFiles.begin(), work.newFiles.end());
  bool ok = true;
  const int64_t count = zip.EntryCount();
  for (int64_t i = 0; i < count && ok; ++i) {
    const std::string entry = zip.EntryName(i);
    if (!zip.ExtractEntryTo(i, staging)) {
      ok = false;
      break;
    }
    const std::string rel = FindStagedFile(env.ops, staging, "");
    if (rel.empty()) {  // a folder entry: the folder is made in place
      const std::string stored = common::GbkReplaceChar(entry, '\\', '/');
      (void)env.ops.MakeFolders(nativeFolder + common::GbkToUtf8(stored));
      continue;
    }
    const std::string staged = staging + "/" + rel;
    const std::string nativeTarget = nativeFolder + rel;
    const std::string target = installFolder + common::Utf8ToGbk(rel);
    const platform::FileInfo old = env.ops.Inspect(nativeTarget);
    if (old.kind == FileKind::kFile && old.size > 0 && !backedUp.count(target)) {
      if (!env.ops.OpenReadWrite(nativeTarget)) {
        env.Status(Gbk("文件：") + target + Gbk("读写违例！"));
        result.text = Gbk("读写违例！");
        result.target = target;
        ok = false;
        break;
      }
      (void)journal.RecordBackupIntent(nativeTarget);
      if (!platform::BackupFile(env.ops, nativeTarget, nativeTarget + ".ebk", true, false)) {
        result.text = Gbk("备份失败！");
        result.target = target;
        ok = false;
        break;
      }
      (void)journal.RecordBackup(nativeTarget);
      work.backedUpFiles.push_back(target);
      backedUp.insert(target);
      env.Status(Gbk("将文件：") + target + Gbk("备份为") + target + ".ebk");
    }
    env.Status(Gbk("解压文件：") + entry + Gbk(" 到 ") + installFolder);
    if (old.kind == FileKind::kFile) {
      (void)env.ops.SetMode(staged, old.mode & 07777);
    } else {
      GiveRunBitsToProgram(env, staged);
    }
    (void)env.ops.MakeFolders(FolderOf(nativeTarget));
    (void)journal.RecordNew(nativeTarget);
    if (!env.ops.Rename(staged, nativeTarget)) {
      ok = false;
      break;
    }
    if (placed.insert(target).second) work.newFiles.push_back(target);
  }
  (void)platform::DeleteFolderTree(env.ops, staging);
  result.ok = ok;
  return result;
}

}  // namespace transfer
