#include "client/download/download_worker.h"

#include <filesystem>
#include <thread>

#include "client/session/host_notifier.h"
#include "client/session/run_state.h"
#include "client/download/folder_listing.h"
#include "client/download/ftp_listing.h"
#include "client/download/item_fetch.h"
#include "client/download/resume_record.h"
#include "client/download/patch_fetch.h"
#include "client/download/signed_items.h"
#include "client/stage/stage_sink.h"
#include "client/stage/transfer_context.h"
#include "common/gbk.h"
#include "platform/file_operations.h"

namespace transfer {

namespace {

// Clears a failed run's work folder but for the partial files a later run
// may continue (each with its record); folders left empty go too.
void RemoveAllButResumable(const std::string& nativeFolder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::vector<fs::path> folders;
  std::vector<fs::path> files;
  for (fs::recursive_directory_iterator it(nativeFolder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) {
      folders.push_back(it->path());
    } else if (!ResumeRecord::IsResumableLeftover(it->path().string())) {
      files.push_back(it->path());
    }
  }
  for (const fs::path& f : files) fs::remove(f, ec);
  // Deepest first: a folder is empty only once its subfolders are gone.
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) fs::remove(*it, ec);  // fails unless empty
  fs::remove(nativeFolder, ec);
}

void MakeFolder(const std::string& folder) {
  std::error_code ec;
  std::filesystem::create_directories(common::NativePath(folder), ec);
}

int64_t FileSize(const std::string& path) {
  std::error_code ec;
  auto size = std::filesystem::file_size(common::NativePath(path), ec);
  return ec ? -1 : static_cast<int64_t>(size);
}

}  // namespace

DownloadWorker::~DownloadWorker() = default;

int NewItemCount(session::RunState& run) { return static_cast<int>(run.NewItems().size()); }

std::string DirRowText(const std::string& firstUrl) {
  size_t cut = common::GbkFindLast(firstUrl, '/');
  if (cut == std::string::npos) cut = common::GbkFindLast(firstUrl, '\\');
  return "<" + (cut == std::string::npos ? firstUrl : firstUrl.substr(cut + 1)) + ">";
}

void DownloadWorker::ReportOverall(int64_t position) {
  // A dir item's last file has already reported the item's end.
  if (position == lastReported_) return;
  lastReported_ = position;
  sink_->SetBarValue(1, static_cast<int>(position));
  run_.Host().PostOverallProgress(itemCount_ * 100, position);
}

void DownloadWorker::Run() {
  itemCount_ = NewItemCount(run_);
  sink_->SetBarRange(0, 100);
  sink_->SetBarRange(1, static_cast<int>(100 * itemCount_));
  sink_->SetBarValue(1, 0);
  int row = 0;
  for (const session::PlannedItem& item : run_.NewItems()) {
    const bool fetched = item.IsDir() ? FetchDirItem(item.slot, row) : FetchFileItem(item.slot, row);
    if (!fetched) return;
    ++row;
  }
  engine_->FtpClose();
  if (Stopped()) return;
  if (patches_ && patches_->PatchedItems() > 0) {
    run_.WriteLog(common::Gbk("★ 补丁更新 ") + std::to_string(patches_->PatchedItems()) +
                  common::Gbk(" 项，共节省 ") + std::to_string(patches_->SavedBytes()) + common::Gbk(" 字节"));
  }
  const std::string done = common::Gbk("下载完成！");
  sink_->AddMessage(done);
  if (options_.trayInUse) sink_->SetTrayTip(options_.trayBase + "\n" + done);
  control_->finished = true;
  sink_->FinishStage(run_.Manual(), 1);
}

bool DownloadWorker::FetchFileItem(int slot, int row) {
  session::FileItem& item = run_.Files()[slot];
  const std::string folder = run_.FileTempFolder(slot);
  const std::string& name = item.fileName;
  // The name comes from the server's configuration and becomes a path below
  // the temporary folder (and the install folder): it must stay one name.
  if (name.empty() || IsUnsafeListedName(name)) {
    Fail({common::Gbk("拒绝不安全的文件名：") + name});
    return false;
  }
  if (const std::string bad = ItemFetch::DigestFormatError(item.md5, item.sha256); !bad.empty()) {
    Fail({bad});
    return false;
  }
  // Under a signed configuration the digest and the length are what make
  // the mirror's bytes the publisher's: an item without them is not fetched.
  const bool sealed = run_.Places().signedConfig;
  const int64_t signedSize = sealed ? SignedFileSize(item) : -1;
  if (sealed && signedSize < 0) {
    Fail({common::Gbk("签名的配置文件没有给出该文件的SHA256值和长度，拒绝下载：") + name});
    return false;
  }
  MakeFolder(folder);
  run_.FileWork(slot).downloads.push_back({"", name, name, 0});
  sink_->AddMessage(common::Gbk("正在下载：") + name);
  const std::string destination = folder + name;
  ItemFetch::KeepOnlyProvenFile(destination, item.md5, item.sha256);
  const bool patched = Patches().Fetch(slot, row, destination, signedSize);
  if (Stopped()) return false;
  if (patched) {
    ItemDone(row);
    return true;
  }

  const ItemIdentity id{"file" + std::to_string(slot) + ":" + name, item.md5, item.sha256};
  return FailOver(item.locations, item.randomsel, item.tryallurl, row, [&](const Mirror& mirror, Messages& messages) {
    std::string checkMessage;
    bool ok = false;
    bool resumed = false;
    if (!fetch_->Connect(mirror)) {
      messages.clear();
    } else {
      if (sealed) DeleteDownloadedFile(destination);  // no earlier bytes pass for this mirror's
      control_->sizeLimit = signedSize;
      FetchResult r = fetch_->FetchResumable(mirror, destination, row, id, checkMessage, resumed);
      control_->sizeLimit = -1;
      std::string problem;
      if (r == FetchResult::kOk && sealed && !CheckSignedFile(destination, signedSize, "", problem)) {
        Log(problem);
        messages = {problem};
      } else if (r == FetchResult::kOk) {
        ok = true;
      } else if (r == FetchResult::kCheckFailed) {
        messages = {checkMessage.empty() ? common::Gbk("服务器端文件：") + name + common::Gbk("不存在！")
                                         : checkMessage};
      } else {
        messages = {common::Gbk("文件下载失败!")};
      }
    }
    if (Stopped()) return false;
    if (ok && (!item.md5.empty() || !item.sha256.empty())) {
      DigestCheck check =
          fetch_->VerifyDownloaded(destination, item.md5, item.sha256, common::Gbk("正在验证文件的完整性..."));
      if (Stopped()) return false;
      if (!check.ok && resumed) {
        // The kept bytes may be what was wrong (a power cut, a changed file
        // on another mirror): the same mirror sends the whole file once more.
        Log(common::Gbk("续传的文件未通过校验，重新下载整个文件。"));
        sink_->SetRowProgress(row, 0);
        ok = fetch_->FetchResumable(mirror, destination, row, id, checkMessage, resumed) == FetchResult::kOk;
        if (Stopped()) return false;
        if (ok) {
          check = fetch_->VerifyDownloaded(destination, item.md5, item.sha256,
                                           common::Gbk("正在验证文件的完整性..."));
          if (Stopped()) return false;
        } else {
          messages = {common::Gbk("文件下载失败!")};
        }
      }
      if (ok && !check.ok) {
        messages = {common::Gbk("已下载文件：") + destination + common::Gbk("的") + check.kind +
                        common::Gbk("值为：") + check.actual,
                    common::Gbk("不等于服务器中原始文件的") + check.kind + "=" + check.expected +
                        common::Gbk("－－") + check.kind + common::Gbk("验证错误，退出!")};
        ok = false;
      }
    }
    return ok;
  });
}

bool DownloadWorker::FetchDirItem(int slot, int row) {
  session::DirItem& item = run_.Dirs()[slot];
  if (run_.Places().signedConfig && !HasSignedFileList(item)) {
    Fail({common::Gbk("签名的配置文件没有给出该目录项的文件清单，拒绝下载：dir") + std::to_string(slot)});
    return false;
  }
  const std::string tempFolder = run_.DirTempFolder(slot);
  return FailOver(item.locations, item.randomsel, item.tryallurl, row, [&](const Mirror& mirror, Messages& messages) {
    // Each mirror starts the item afresh: the list of an earlier mirror
    // would otherwise be installed as well.
    run_.DirWork(slot).downloads.clear();
    platform::RealFileOperations ops;
    (void)platform::DeleteFolderTree(ops, common::NativePath(tempFolder.substr(0, tempFolder.size() - 1)));
    MakeFolder(tempFolder);
    return run_.Places().signedConfig ? DirFromFileList(slot, row, mirror, messages)
                                      : DirFromMirror(slot, row, mirror, messages);
  });
}

bool DownloadWorker::FailOver(formats::UrlList& locations, int randomsel, int tryallurl, int row,
                              const std::function<bool(const Mirror&, Messages&)>& attempt) {
  Messages messages{common::Gbk("文件下载失败!")};
  while (!locations.empty()) {
    Mirror mirror = fetch_->Take(locations, randomsel != 0);
    sink_->SetRowProgress(row, 0);
    const bool ok = attempt(mirror, messages);
    if (Stopped()) return false;
    if (ok) {
      ItemDone(row);
      return true;
    }
    if (!tryallurl) break;
  }
  Fail(messages);
  return false;
}

bool DownloadWorker::DirFromMirror(int slot, int row, const Mirror& mirror, Messages& messages) {
  session::DirItem& item = run_.Dirs()[slot];
  const Scheme scheme = mirror.parts.scheme;
  if (scheme != Scheme::kFtp && scheme != Scheme::kFile) return true;  // nothing to fetch over HTTP(S)
  std::vector<session::DownloadRecord>& list = run_.DirWork(slot).downloads;
  ListingRequest request{mirror.object, item.filter, item.isIncSubdir != 0};
  auto log = [this](const std::string& line) { Log(line); };
  if (scheme == Scheme::kFtp) {
    if (!fetch_->Connect(mirror)) {
      messages.clear();
      return false;
    }
    sink_->AddMessage(common::Gbk("正在检索文件......"));
    if (!ListFtpFolder(*engine_, request, list, log)) {
      messages = {common::Gbk("没有找到文件!")};
      return false;
    }
  } else {
    sink_->AddMessage(common::Gbk("正在检索文件......"));
    if (!ListLocalFolder(request, list, log)) {
      messages = {common::Gbk("没有找到任何文件!")};
      return false;
    }
  }
  const std::string folder = run_.DirTempFolder(slot);
  const int64_t base = overall_;
  const int64_t count = static_cast<int64_t>(list.size());
  for (int64_t k = 0; k < count; ++k) {
    if (Stopped()) return false;
    const session::DownloadRecord& record = list[static_cast<size_t>(k)];
    sink_->AddMessage(common::Gbk("正在下载：") + record.name);
    std::string source = mirror.object + "/" + (record.subFolder.empty() ? "" : record.subFolder + "/") + record.name;
    std::string destination = folder + record.tempName;
    // A dir item's files carry no digest: nothing left from before counts.
    DeleteDownloadedFile(destination);
    MakeFolder(destination.substr(0, destination.rfind('/') + 1));
    int ok = PatchDirFile(slot, row, record, destination, -1, mirror) ? 1 : 0;
    if (!ok && !Stopped()) {
      Log(source + "-->" + destination);
      ok = scheme == Scheme::kFtp ? engine_->FtpDownload(source, destination, record.size, row)
                                  : engine_->LocalCopy(source, destination, row);
    }
    // A transfer that ended early without the engine noticing (the server
    // closed the data connection) must not pass for the file.
    if (ok && scheme == Scheme::kFtp && record.size > 0 && FileSize(destination) != record.size) {
      Log(common::Gbk("文件长度不符：") + destination);
      ok = 0;
    }
    if (!ok) {
      messages = {common::Gbk("文件下载失败!")};
      return false;
    }
    int64_t position = base + 100 * (k + 1) / count;
    sink_->SetRowProgress(row, static_cast<int>(100 * (k + 1) / count));
    ReportOverall(position);
  }
  return true;
}

bool DownloadWorker::DirFromFileList(int slot, int row, const Mirror& mirror, Messages& messages) {
  const session::DirItem& item = run_.Dirs()[slot];
  const Scheme scheme = mirror.parts.scheme;
  if (!fetch_->Connect(mirror)) {
    messages.clear();
    return false;
  }
  // The signed list is the folder: a file the server adds is never
  // fetched, one it lacks fails the mirror.
  std::vector<session::DownloadRecord>& list = run_.DirWork(slot).downloads;
  const std::string folder = run_.DirTempFolder(slot);
  const int64_t base = overall_;
  const int64_t count = static_cast<int64_t>(item.manifest.size());
  for (int64_t k = 0; k < count; ++k) {
    if (Stopped()) return false;
    const formats::ManifestEntry& entry = item.manifest[static_cast<size_t>(k)];
    list.push_back(SignedRecord(mirror.object, entry, scheme == Scheme::kFile));
    const session::DownloadRecord& record = list.back();
    sink_->AddMessage(common::Gbk("正在下载：") + record.name);
    const std::string destination = folder + record.tempName;
    MakeFolder(destination.substr(0, destination.rfind('/') + 1));
    DeleteDownloadedFile(destination);
    const std::string source = SignedSource(scheme == Scheme::kFtp || scheme == Scheme::kFile ? mirror.object
                                                                                              : mirror.url,
                                            entry.name);
    std::string checkMessage;
    int ok = PatchDirFile(slot, row, record, destination, entry.size, mirror) ? 1 : 0;
    if (Stopped()) return false;
    if (!ok) {
      Log(formats::HidePasswords(source) + "-->" + destination);
      control_->sizeLimit = entry.size;
      if (scheme == Scheme::kFtp) {
        ok = engine_->FtpDownload(source, destination, entry.size, row);
      } else if (scheme == Scheme::kFile) {
        ok = engine_->LocalCopy(source, destination, row);
      } else {
        ok = engine_->HttpCheck(source, checkMessage) && engine_->HttpDownload(source, destination, row);
      }
      control_->sizeLimit = -1;
    }
    std::string problem;
    if (ok && !CheckSignedFile(destination, entry.size, entry.sha256, problem)) {
      Log(problem);
      messages = {problem};
      return false;
    }
    if (!ok) {
      messages = {checkMessage.empty() ? common::Gbk("文件下载失败!") : checkMessage};
      return false;
    }
    sink_->SetRowProgress(row, static_cast<int>(100 * (k + 1) / count));
    ReportOverall(base + 100 * (k + 1) / count);
  }
  return true;
}

PatchFetch& DownloadWorker::Patches() {
  if (!patches_) {
    patches_ = std::make_unique<PatchFetch>(run_, *sink_, *fetch_, control_->sizeLimit, [this] { return Stopped(); });
  }
  return *patches_;
}

bool DownloadWorker::PatchDirFile(int slot, int row, const session::DownloadRecord& record,
                                  const std::string& destination, int64_t size, const Mirror& mirror) {
  const bool patched = Patches().FetchDirFile(slot, row, record, destination, size);
  // A patch may have come from another FTP server than the item's: the
  // next file of the item is fetched from the item's own again.
  if (mirror.parts.scheme == Scheme::kFtp && !Stopped()) (void)fetch_->Connect(mirror);
  return patched;
}

void DownloadWorker::ItemDone(int row) {
  sink_->CheckRow(row);
  overall_ += 100;
  ReportOverall(overall_);
}

void DownloadWorker::Fail(const Messages& messages) {
  engine_->FtpClose();
  // What this run fetched is of no use to a later one, and a part-written
  // file must never pass for a download: the run's work folder goes.
  // Only recorded partial files stay, for the next run to continue.
  std::string work = run_.Places().workFolder;
  if (!work.empty() && work.back() == '/') work.pop_back();
  if (!work.empty()) RemoveAllButResumable(common::NativePath(work));
  if (Stopped()) return;
  for (const std::string& m : messages) sink_->AddMessage(m);
  sink_->EndStage(0);
}

}  // namespace transfer
