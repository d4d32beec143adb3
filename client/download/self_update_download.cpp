#include "client/download/self_update_download.h"

#include <thread>

#include "client/session/client_config.h"
#include "client/session/file_status.h"
#include "client/session/run_state.h"
#include "client/download/item_fetch.h"
#include "client/download/signed_items.h"
#include "client/stage/stage_sink.h"
#include "client/stage/transfer_context.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "formats/config_archive.h"
#include "platform/file_operations.h"

namespace transfer {

void SelfUpdateDownload::Run() {
  const int exeIndex = run_.Decision().selfUpdateExeIndex;
  const int archiveIndex = run_.Decision().selfUpdateArchiveIndex;
  sink_->SetBarRange(0, 100);
  sink_->SetBarRange(1, 10);
  sink_->SetBarValue(1, 0);
  if (exeIndex >= 0 && exeIndex < session::kFileItemCount) {
    const std::string program = TemporaryProgram(run_.Places().modulePath);
    if (!FetchItem(exeIndex, program)) return;
    // The relaunch starts this file: it gets the running program's mode.
    platform::RealFileOperations ops;
    platform::FileInfo own = ops.Inspect(common::NativePath(run_.Places().modulePath));
    (void)ops.SetMode(common::NativePath(program), own.kind == platform::FileKind::kFile ? own.mode : 0755);
  }
  sink_->SetBarValue(1, 3);
  const std::string download = ArchiveDownload(run_.Places().archivePath);
  if (archiveIndex >= 0 && archiveIndex < session::kFileItemCount) {
    if (!FetchItem(archiveIndex, download)) return;
  }
  sink_->SetBarValue(1, 10);
  engine_->FtpClose();
  if (Stopped()) return;
  sink_->AddMessage(common::Gbk("下载完成，正在进行更新..."));
  if (archiveIndex >= 0 && archiveIndex < session::kFileItemCount && session::FileExistsNonEmpty(download)) {
    InstallArchive(archiveIndex);
  }
  if (Stopped()) return;
  control_->finished = true;
  sink_->EndStage(1);
}

bool SelfUpdateDownload::FetchItem(int slot, const std::string& destination) {
  session::FileItem& item = run_.Files()[slot];
  sink_->AddMessage(common::Gbk("正在下载：") + item.fileName);
  if (const std::string bad = ItemFetch::DigestFormatError(item.md5, item.sha256); !bad.empty()) {
    Log(bad);
    sink_->EndStage(0);
    return false;
  }
  enum Kind { kStatus, kNotice, kLog };
  std::vector<std::pair<Kind, std::string>> messages{{kStatus, common::Gbk("文件下载失败!")}};
  // A new program or configuration archive under a signed configuration is
  // taken only at its signed digest and length.
  const bool sealed = run_.Places().signedConfig;
  const int64_t signedSize = sealed ? SignedFileSize(item) : -1;
  if (sealed && signedSize < 0) {
    item.locations = {};
    messages = {{kStatus, common::Gbk("签名的配置文件没有给出该文件的SHA256值和长度，拒绝下载：") + item.fileName}};
  }
  while (!item.locations.empty()) {
    Mirror mirror = fetch_->Take(item.locations, item.randomsel != 0);
    sink_->SetRowProgress(0, 0);
    bool ok = false;
    std::string checkMessage;
    if (!fetch_->Connect(mirror)) {
      messages.clear();
    } else {
      if (sealed) DeleteDownloadedFile(destination);
      control_->sizeLimit = signedSize;
      FetchResult r = fetch_->FetchFile(mirror, destination, 0, checkMessage);
      control_->sizeLimit = -1;
      std::string problem;
      if (r == FetchResult::kOk && sealed && !CheckSignedFile(destination, signedSize, "", problem)) {
        Log(problem);
        messages = {{kStatus, problem}};
      } else if (r == FetchResult::kOk) {
        ok = true;
      } else if (r == FetchResult::kCheckFailed) {
        messages = {{kStatus, checkMessage.empty() ? common::Gbk("在服务器端没找到该文件！") : checkMessage}};
      } else {
        messages = {{kNotice, common::Gbk("下载失败，请稍后再尝试！")}, {kStatus, common::Gbk("文件下载失败!")}};
      }
    }
    if (Stopped()) return false;
    if (ok && (!item.md5.empty() || !item.sha256.empty())) {
      const DigestCheck check = fetch_->VerifyDownloaded(destination, item.md5, item.sha256,
                                                         common::Gbk("正在验证下载文件的完整性..."));
      if (Stopped()) return false;
      if (!check.ok) {
        const std::string& kind = check.kind;
        messages = {{kNotice, common::Gbk("已下载文件：") + destination + common::Gbk("－－") + kind +
                                  common::Gbk("验证错误，升级失败!")},
                    {kLog, common::Gbk("已下载文件的") + kind + common::Gbk("值为：") + check.actual},
                    {kLog, common::Gbk("不等于服务器中原始文件的") + kind + "=" + check.expected +
                               common::Gbk("－－") + kind + common::Gbk("验证错误，退出!")}};
        ok = false;
      }
    }
    if (ok) return true;
    if (!item.tryallurl) break;
  }
  engine_->FtpClose();
  if (Stopped()) return false;
  for (const auto& [kind, text] : messages) {
    if (kind == kStatus) sink_->AddMessage(text);
    if (kind == kNotice) sink_->Notice(text);
    if (kind == kLog) Log(text);
  }
  sink_->EndStage(0);
  return false;
}

bool SelfUpdateDownload::InstallArchive(int slot) {
  const std::string archive = run_.Places().archivePath;
  const std::string download = ArchiveDownload(archive);
  const std::string password = session::ArchivePassword();
  std::optional<std::string> bytes = formats::ReadArchiveMember(download, "client.dat", password);
  common::IniDocument doc;
  if (!bytes || !doc.SetText(session::MemberText(*bytes))) {
    Log(common::Gbk("无法读取下载的配置文件：") + download);
    return false;
  }
  doc.WriteString("file" + std::to_string(slot), "ver", run_.Files()[slot].serverVersion);
  if (!formats::WriteArchiveMember(download, "client.dat", doc.GetText(), password)) {
    Log(common::Gbk("无法写入下载的配置文件：") + download);
    return false;
  }
  const std::string nativeDownload = common::NativePath(download);
  // The archive is replaced by a rename in its own folder: a crash leaves
  // either the old archive or the whole new one, never a part of it.
  platform::RealFileOperations ops;
  if (!platform::ReplaceFile(ops, nativeDownload, common::NativePath(archive))) {
    Log(common::Gbk("无法替换配置文件：") + archive);
    return false;
  }
  (void)ops.DeleteFile(nativeDownload);
  return true;
}

}  // namespace transfer
