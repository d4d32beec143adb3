#include "client/install/rollback.h"

#include <algorithm>
#include <unordered_set>

#include "client/session/run_state.h"
#include "common/gbk.h"
#include "platform/file_operations.h"

namespace transfer {
namespace {

using common::Gbk;

constexpr const char* kBackupSuffix = ".ebk";

template <typename Visit>
void ForEachMarkedItem(session::RunState& run, Visit visit) {
  for (const session::PlannedItem& item : run.NewItems()) visit(run.Work(item));
}

// Puts the backup in place of the file in one rename (a link to the backup
// where the file system allows, so the backup stays until it is deleted):
// the path never goes missing in between.
bool PutBackup(platform::FileOperations& ops, const std::string& gbkPath) {
  const std::string path = common::NativePath(gbkPath);
  return platform::BackupFile(ops, path + kBackupSuffix, path, true, false).ok();
}

}  // namespace

void InstallEnv::Status(const std::string& gbkText, bool trayToo) {
  sink.AddMessage(gbkText);
  if (trayToo) sink.SetTrayTip(trayBase + "\n" + gbkText);
}

int Rollback(InstallEnv& env) {
  env.Status(Gbk("正在恢复更新前状态！"), true);
  std::vector<std::string> kept;
  ForEachMarkedItem(env.run, [&](session::ItemWork& work) {
    // Sets, not list searches: a dir item may hold 100,000 files.
    const std::unordered_set<std::string> backedUp(work.backedUpFiles.begin(), work.backedUpFiles.end());
    std::unordered_set<std::string> putBack;
    for (const std::string& p : work.newFiles) {
      bool ok;
      if (backedUp.count(p)) {
        ok = PutBackup(env.ops, p);
        if (ok) putBack.insert(p);
      } else {
        ok = env.ops.DeleteFile(common::NativePath(p)).ok();
      }
      env.run.WriteLog(Gbk("新文件：") + p + Gbk(ok ? "删除成功！" : "删除失败！"));
    }
    work.newFiles.clear();
    std::vector<std::string> restored;
    for (const std::string& p : work.backedUpFiles) {
      const bool ok = putBack.count(p) || PutBackup(env.ops, p);
      env.Status(Gbk("文件：") + p + Gbk(ok ? "恢复成功！" : "恢复失败！"));
      if (ok) {
        restored.push_back(p);
        continue;
      }
      // The backup is the only copy of the old file left: it stays, and
      // the user is told where it is.
      kept.push_back(p);
      env.run.WriteLog(Gbk("备份文件：") + p + kBackupSuffix + Gbk("保留（旧文件的唯一副本）！"));
      env.sink.Notice(Gbk("文件：") + p + Gbk("恢复失败！旧文件保存在") + p + kBackupSuffix);
    }
    work.backedUpFiles = restored;
  });
  DeleteBackups(env);
  return static_cast<int>(kept.size());
}

void DeleteBackups(InstallEnv& env) {
  env.Status(Gbk("正在删除备份文件！"), true);
  ForEachMarkedItem(env.run, [&](session::ItemWork& work) {
    for (const std::string& p : work.backedUpFiles) {
      const bool ok = env.ops.DeleteFile(common::NativePath(p) + kBackupSuffix).ok();
      env.run.WriteLog(Gbk("备份文件：") + p + kBackupSuffix + Gbk(ok ? "删除成功！" : "删除失败！"));
    }
    work.backedUpFiles.clear();
  });
}

void DeleteWorkFolder(InstallEnv& env) {
  env.Status(Gbk("删除临时文件！"));
  std::string folder = env.run.Places().workFolder;
  if (!folder.empty() && folder.back() == '/') folder.pop_back();
  if (!folder.empty()) (void)platform::DeleteFolderTree(env.ops, common::NativePath(folder));
}

}  // namespace transfer
