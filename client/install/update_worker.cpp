#include "client/install/update_worker.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "client/session/client_config.h"
#include "client/session/config_source.h"
#include "client/session/host_messages.h"
#include "client/session/host_notifier.h"
#include "client/session/run_state.h"
#include "client/install/file_installer.h"
#include "client/install/install_paths.h"
#include "client/install/process_closer.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "platform/disk_sync.h"
#include "platform/file_operations.h"

namespace transfer {
namespace {

using common::Gbk;
using platform::FileKind;

std::string FileNameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// Where the run's client configuration lives: as the start-up found it
// ("client.dat" of the archive, or a package's configuration), else
// "client.dat" of the archive the run read.
session::ClientConfigSource ConfigSource(const session::RunState& run) {
  if (!run.Places().clientConfig.path.empty()) return run.Places().clientConfig;
  return {run.Places().archivePath, "client.dat"};
}

}  // namespace

std::string UpdateWorker::MakeInstallFolder(const std::string& itemPath, const session::DownloadRecord& r) {
  const std::string folder = InstallFolderOf(itemPath, env_.run.Places().appFolder, r.subFolder);
  std::string native = common::NativePath(folder);
  if (native.size() > 1) native.pop_back();
  if (env_.ops.Inspect(native).kind != FileKind::kFolder) (void)env_.ops.MakeFolders(native);
  if (std::find(touchedFolders_.begin(), touchedFolders_.end(), native) == touchedFolders_.end()) {
    touchedFolders_.push_back(native);
  }
  return folder;
}

void UpdateWorker::Fail(const std::string& status, const std::string& notice) {
  if (!status.empty()) env_.Status(status);
  if (!notice.empty()) env_.sink.Notice(notice);
  Rollback(env_);
  FlushPhase(true);
  journal_.Finish();
  env_.sink.EndStage(0);
}

void UpdateWorker::FlushPhase(bool withFiles) {
  if (withFiles) {
    std::vector<std::string> paths = touchedFolders_;
    paths.push_back(common::NativePath(ConfigSource(env_.run).path));
    (void)platform::SyncFileSystems(paths);
  }
  (void)journal_.Sync();
}

bool UpdateWorker::BackUpRecord(const std::string& itemPath, session::ItemWork& work,
                                const session::DownloadRecord& r) {
  const std::string target = MakeInstallFolder(itemPath, r) + r.name;
  const std::string native = common::NativePath(target);
  const platform::FileInfo info = env_.ops.Inspect(native);
  if (info.kind != FileKind::kFile || info.size == 0) return true;
  // The same file named twice (two items, or a record repeated) keeps the
  // backup of the original: a second backup would copy the new file.
  const std::hash<std::string> hash;
  BackedUpHashes& seen = backedUp_[&work];
  if (seen.counted > work.backedUpFiles.size()) seen = {};  // the list was emptied meanwhile
  for (; seen.counted < work.backedUpFiles.size(); ++seen.counted) {
    seen.hashes.insert(hash(work.backedUpFiles[seen.counted]));
  }
  if (seen.hashes.count(hash(target)) &&
      std::find(work.backedUpFiles.begin(), work.backedUpFiles.end(), target) != work.backedUpFiles.end()) {
    return true;
  }
  env_.run.WriteLog(Gbk("备份文件：") + target);
  if (!env_.ops.OpenReadWrite(native)) {
    const std::string text = Gbk("文件：") + target + Gbk("读写违例！");
    env_.run.WriteLog(text);
    Fail({}, text);
    return false;
  }
  env_.run.WriteLog(Gbk("将文件：") + target + Gbk(" 备份为 ") + target + ".ebk");
  (void)journal_.RecordBackupIntent(native);
  if (!platform::BackupFile(env_.ops, native, native + ".ebk", true, false)) {
    Fail(Gbk("备份失败！"), Gbk("文件：") + target + Gbk("备份失败！"));
    return false;
  }
  (void)journal_.RecordBackup(native);
  work.backedUpFiles.push_back(target);
  seen.hashes.insert(hash(target));
  ++seen.counted;
  return true;
}

bool UpdateWorker::InstallRecord(const std::string& itemPath, const std::string& tempFolder,
                                 session::ItemWork& work, const session::DownloadRecord& r,
                                 const session::FileItem* file) {
  if (timings_.perFile.count() > 0) std::this_thread::sleep_for(timings_.perFile);
  const std::string folder = MakeInstallFolder(itemPath, r);
  const std::string target = folder + r.name;
  const std::string source = tempFolder + r.tempName;
  env_.Status(Gbk("更新文件：") + r.name);
  env_.run.WriteLog(Gbk("复制文件：") + source + Gbk(" 到 ") + target);
  const std::string nativeTarget = common::NativePath(target);
  if (!InstallCopy(env_, journal_, common::NativePath(source), nativeTarget)) {
    Fail(Gbk("更新失败！"), Gbk("文件：") + target + Gbk("更新失败！"));
    return false;
  }
  // Until it is unpacked and deleted the archive counts as a new file, so
  // a failed extraction does not leave it in the install folder.
  work.newFiles.push_back(target);
  std::string runme = target;
  if (file && file->uncompress) {
    env_.run.WriteLog(Gbk("压缩包：") + target + Gbk(" 解压到 ") + folder);
    const size_t before = work.newFiles.size();
    const ExtractResult extracted = ExtractArchive(env_, journal_, nativeTarget, folder, work);
    if (!extracted.ok) {
      // The user learns which file inside the archive stopped it, then that
      // the archive failed; one rollback undoes both.
      if (!extracted.text.empty()) env_.sink.Notice(Gbk("文件：") + extracted.target + extracted.text);
      env_.run.WriteLog(Gbk("解压失败！"));
      Fail({}, Gbk("文件：") + target + Gbk("解压失败！"));
      return false;
    }
    // The archive is gone once unpacked: the program to run is the first
    // file it held.
    if (work.newFiles.size() > before) runme = work.newFiles[before];
    if (env_.ops.DeleteFile(nativeTarget)) {
      auto it = std::find(work.newFiles.begin(), work.newFiles.end(), target);
      if (it != work.newFiles.end()) work.newFiles.erase(it);
    }
  }
  if (file && file->runme) work.runmePath = runme;
  return true;
}

void UpdateWorker::RecordVersions() {
  session::RunState& run = env_.run;
  const int archiveItem = run.Decision().selfUpdateArchiveIndex;
  if (archiveItem >= 0 && archiveItem < session::kFileItemCount && run.Files()[archiveItem].newItem) {
    env_.Status(Gbk("发现有新的本地配置文件，替换旧的本地配置文件！"));
    return;
  }
  common::IniDocument* doc = run.ClientDocument();
  auto record = [&](const std::string& section, int modifyVer, const std::string& version) {
    if (modifyVer && doc) {
      doc->PutValue(section, "ver", version);
      run.WriteLog(Gbk("将[") + section + Gbk("]项中ver的值置为") + version);
    } else {
      run.WriteLog("[" + section + Gbk("]项中ver的值不修改"));
    }
  };
  for (const session::PlannedItem& item : run.NewItems()) record(item.Section(), item.ModifyVer(), item.ServerVersion());
  const session::ClientConfigSource source = ConfigSource(run);
  const std::string config = common::NativePath(source.path);
  // The configuration's old state is kept until the update is committed,
  // so that an installation undone at the next start also has its old
  // versions.
  bool written = false;
  if (doc) (void)journal_.RecordBackupIntent(config);
  if (doc && platform::BackupFile(env_.ops, config, config + ".ebk", false, false)) {
    (void)journal_.RecordArchiveBackup(config);
    // Back where this run read it, whatever the program is called: the
    // archive member, or a package's text file, replaced in one rename.
    written = session::WriteClientConfiguration(source, doc->GetText());
  }
  if (!written) {
    run.WriteLog(Gbk("本地配置文件（") + FileNameOf(source.path) + Gbk("）无法修改！"));
  }
}

void UpdateWorker::Run() {
  session::RunState& run = env_.run;
  ProcessCloser closer(env_);
  closer.SetQuitWait(timings_.quitWait);
  if (!closer.CloseRelatedPrograms()) {
    env_.sink.EndStage(0);
    return;
  }
  std::this_thread::sleep_for(timings_.settle);
  if (const auto result = run.RunHookOrLogNone(Gbk("更新前执行程序"), run.System().runUdbefore, false)) {
    run.WriteLog(*result);
  }
  env_.Status(Gbk("开始更新..."));
  env_.sink.SetBarRange(0, 60);
  env_.Status(Gbk("正在备份旧文件..."), true);

  const std::string archive = common::NativePath(run.Places().archivePath);
  if (!journal_.Begin(session::InstallJournalPath(archive))) {
    run.WriteLog(Gbk("安装记录无法写入，本次更新中断时无法自动恢复！"));
  }
  // The bar counts slots: file items 0-19, dir items 20-29.
  const session::NewItemPlan plan = run.NewItems();
  for (const session::PlannedItem& item : plan) {
    session::ItemWork& work = run.Work(item);
    // A file item installs only its one download.
    if (!item.IsDir() && work.downloads.empty()) continue;
    env_.sink.SetBarValue(0, (item.IsDir() ? 20 : 0) + item.slot);
    const size_t count = item.IsDir() ? work.downloads.size() : 1;
    for (size_t i = 0; i < count; ++i) {
      if (!BackUpRecord(item.Path(), work, work.downloads[i])) return;
    }
  }
  // The journal reaches the disk before any file is replaced; the backup
  // links themselves are metadata the file system writes in order.
  FlushPhase(false);

  env_.Status(Gbk("正在更新文件..."), true);
  // The bar goes on from 30: file items 30-49, dir items 50-59.
  for (const session::PlannedItem& item : plan) {
    session::ItemWork& work = run.Work(item);
    env_.sink.SetBarValue(0, (item.IsDir() ? 50 : 30) + item.slot);
    for (const session::DownloadRecord& r : work.downloads) {
      if (!InstallRecord(item.Path(), run.TempFolder(item), work, r, item.file)) return;
    }
  }
  // Every new file is on the disk before the versions say it is there.
  FlushPhase(true);

  env_.sink.SetBarValue(0, 60);
  env_.Status(Gbk("正在更新配置文件"), true);
  RecordVersions();
  (void)journal_.Commit();

  run.SetUpdateSucceeded(true);
  DeleteBackups(env_);
  (void)env_.ops.DeleteFile(common::NativePath(ConfigSource(run).path) + ".ebk");
  journal_.Finish();
  env_.Status(Gbk("更新完成！"));
  run.Host().NotifyHost(session::kOutcomeSuccess);
  run.WriteLog(session::OutcomeLog(session::kOutcomeSuccess).notice);
  env_.sink.SetTrayTip(env_.trayBase + Gbk("\n更新完成"));

  const session::UiSettings& ui = run.Ui();
  if (session::ShowsBoxes(run.ShowType()) && ui.endWin1 && !run.Manual()) {
    session::BoxRequest box;
    box.caption = session::InfoCaption();
    box.text = ui.endWin1Msg;
    box.icon = session::BoxIcon::Information;
    (void)env_.sink.Ask(box);
  }
  env_.sink.FinishStage(run.Manual(), 1);
}

}  // namespace transfer
