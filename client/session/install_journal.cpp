#include "client/session/install_journal.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>

#include "common/gbk.h"
#include "common/native_file.h"
#include "platform/disk_sync.h"
#include "platform/file_operations.h"

namespace session {
namespace {

using common::Gbk;
using platform::FileKind;

constexpr const char* kHeader = "upgrade install journal 1";
constexpr const char* kJournalSuffix = ".journal";
constexpr const char* kBackupSuffix = ".ebk";

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The configuration archive a journal belongs to; "" for another name.
std::string ArchiveOfJournal(const std::string& journalPath) {
  const std::string suffix = kJournalSuffix;
  if (journalPath.size() <= suffix.size() ||
      journalPath.compare(journalPath.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return {};
  }
  return journalPath.substr(0, journalPath.size() - suffix.size());
}

}  // namespace

// Only whole lines count: a line cut off by a kill was never acted upon.
JournalLines ParseInstallJournal(std::string_view text) {
  JournalLines lines;
  size_t start = 0;
  bool first = true;
  for (size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1) {
    const std::string_view line = text.substr(start, end - start);
    if (first) {
      lines.valid = line == kHeader;
      if (!lines.valid) return lines;
      first = false;
      continue;
    }
    if (line == "C") {
      lines.committed = true;
    } else if (line.size() > 2 && line[1] == ' ') {
      const std::string p(line.substr(2));
      switch (line[0]) {
        case 'b': lines.intents.push_back(p); break;
        case 'B':
        case 'A': lines.backups.push_back(p); break;
        case 'N': lines.newFiles.push_back(p); break;
        case 'T': lines.temporary.push_back(p); break;
        default: break;
      }
    }
  }
  return lines;
}

namespace {

// The archive rewrite's own temporary: archive name + "." + 8 hex digits + "~".
bool IsArchiveRewriteTemporary(const std::string& name, const std::string& archiveName) {
  if (name.size() != archiveName.size() + 10 || name.compare(0, archiveName.size(), archiveName) != 0 ||
      name[archiveName.size()] != '.' || name.back() != '~') {
    return false;
  }
  return std::all_of(name.begin() + static_cast<long>(archiveName.size()) + 1, name.end() - 1,
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

// The temporary names the file helpers leave beside a file or its backup
// when a run is cut short between copy and rename; the configuration
// archive's are looked for whether or not its backup line was written yet
// (a kill during the archive's own backup leaves one before the line).
void RemoveStrayTemporaries(platform::FileOperations& ops, const JournalLines& lines,
                            const std::string& archive) {
  std::map<std::string, std::set<std::string>> namesByFolder;
  for (const auto* list : {&lines.intents, &lines.backups, &lines.newFiles}) {
    for (const std::string& p : *list) {
      namesByFolder[FolderOf(p)].insert(NameOf(p));
      namesByFolder[FolderOf(p)].insert(NameOf(p) + kBackupSuffix);
    }
  }
  if (!archive.empty()) {
    namesByFolder[FolderOf(archive)].insert(NameOf(archive));
    namesByFolder[FolderOf(archive)].insert(NameOf(archive) + kBackupSuffix);
  }
  for (const auto& [folder, targets] : namesByFolder) {
    std::vector<std::string> names;
    if (!ops.ListFolder(folder, &names)) continue;
    for (const std::string& name : names) {
      if (!archive.empty() && folder == FolderOf(archive) && IsArchiveRewriteTemporary(name, NameOf(archive))) {
        (void)ops.DeleteFile(folder + "/" + name);
        continue;
      }
      for (const std::string& target : targets) {
        if (platform::IsTemporaryNameOf(name, target)) {
          (void)ops.DeleteFile(folder + "/" + name);
          break;
        }
      }
    }
  }
}

// True when removing temporary (a file or a folder tree) would take a
// recorded backup with it: the backup is the only copy of an old file.
bool HoldsBackup(const std::string& temporary, const JournalLines& lines) {
  for (const std::string& p : lines.backups) {
    const std::string backup = p + kBackupSuffix;
    if (backup == temporary || backup.compare(0, temporary.size() + 1, temporary + "/") == 0) return true;
  }
  return false;
}

void RemoveTemporaries(platform::FileOperations& ops, const JournalLines& lines,
                       const std::string& archive) {
  for (const std::string& p : lines.temporary) {
    if (HoldsBackup(p, lines)) continue;
    const FileKind kind = ops.Inspect(p).kind;
    if (kind == FileKind::kFolder) {
      (void)platform::DeleteFolderTree(ops, p);
    } else if (kind != FileKind::kMissing) {
      (void)ops.DeleteFile(p);
    }
  }
  RemoveStrayTemporaries(ops, lines, archive);
}

std::string LogPath(const std::string& nativePath) { return common::Utf8ToGbk(nativePath); }

// Puts the backup back in one step: the file is at every moment either the
// new one or the old one. A backup that is still a second name of the file
// itself (no new file came yet) is simply removed.
bool RestoreBackup(platform::FileOperations& ops, const std::string& p) {
  const std::string backup = p + kBackupSuffix;
  if (!ops.Rename(backup, p)) return false;
  if (ops.Inspect(backup).kind != FileKind::kMissing) (void)ops.DeleteFile(backup);
  return true;
}

// A backup begun but never recorded: its file was not touched yet, so the
// ".ebk" (whole or half made) is no one's only copy and goes.
void DropUnrecordedBackups(platform::FileOperations& ops, const JournalLines& lines, RecoveryReport& report) {
  const std::set<std::string> recorded(lines.backups.begin(), lines.backups.end());
  for (const std::string& p : lines.intents) {
    const std::string backup = p + kBackupSuffix;
    if (recorded.count(p) || ops.Inspect(backup).kind == FileKind::kMissing) continue;
    const bool ok = ops.DeleteFile(backup).ok();
    report.failed += !ok;
    report.logLines.push_back(Gbk("备份文件：") + LogPath(backup) + Gbk(ok ? "删除成功！" : "删除失败！"));
  }
}

bool IsBackupOf(const std::string& path, const std::set<std::string>& backedUp) {
  const std::string suffix = kBackupSuffix;
  return path.size() > suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0 &&
         backedUp.count(path.substr(0, path.size() - suffix.size())) != 0;
}

void Undo(platform::FileOperations& ops, const JournalLines& lines, RecoveryReport& report) {
  report.logLines.push_back(Gbk("★ 发现上次未完成的更新，按安装记录恢复更新前状态！"));
  const std::set<std::string> backedUp(lines.backups.begin(), lines.backups.end());
  std::set<std::string> seen;
  for (auto it = lines.newFiles.rbegin(); it != lines.newFiles.rend(); ++it) {
    // A replaced file is put back by its backup below, never deleted first.
    if (backedUp.count(*it) || !seen.insert(*it).second) continue;
    // Nor is a file deleted that is a recorded backup itself (a new file
    // named like one): it is the only copy of an old file.
    if (IsBackupOf(*it, backedUp)) continue;
    if (ops.Inspect(*it).kind == FileKind::kMissing) continue;  // never put in place
    const bool ok = ops.DeleteFile(*it).ok();
    report.deleted += ok;
    report.failed += !ok;
    report.logLines.push_back(Gbk("新文件：") + LogPath(*it) + Gbk(ok ? "删除成功！" : "删除失败！"));
  }
  seen.clear();
  for (const std::string& p : lines.backups) {
    if (!seen.insert(p).second) continue;
    // A backup already put back (by the run's own rollback, or by an earlier
    // recovery that was cut short) is gone: the file is the old one.
    if (ops.Inspect(p + kBackupSuffix).kind == FileKind::kMissing) continue;
    const bool ok = RestoreBackup(ops, p);
    report.restored += ok;
    report.failed += !ok;
    report.logLines.push_back(Gbk("文件：") + LogPath(p) + Gbk(ok ? "恢复成功！" : "恢复失败！"));
    if (!ok) {
      report.logLines.push_back(Gbk("备份文件：") + LogPath(p + kBackupSuffix) + Gbk("保留（旧文件的唯一副本）！"));
    }
  }
}

void DropBackups(platform::FileOperations& ops, const JournalLines& lines, RecoveryReport& report) {
  report.logLines.push_back(Gbk("★ 上次更新已完成，删除遗留的备份文件！"));
  std::set<std::string> seen;
  for (const std::string& p : lines.backups) {
    const std::string backup = p + kBackupSuffix;
    if (!seen.insert(p).second || ops.Inspect(backup).kind == FileKind::kMissing) continue;
    const bool ok = ops.DeleteFile(backup).ok();
    report.failed += !ok;
    report.logLines.push_back(Gbk("备份文件：") + LogPath(backup) + Gbk(ok ? "删除成功！" : "删除失败！"));
  }
}

}  // namespace

std::string InstallJournalPath(const std::string& archiveNativePath) {
  return archiveNativePath + kJournalSuffix;
}

InstallJournal::~InstallJournal() {
  if (file_) std::fclose(file_);
}

bool InstallJournal::Begin(const std::string& path) {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  path_ = path;
  // "w" truncates: an older journal was dealt with at start-up.
  file_ = common::OpenNativeFile(path, "wb");
  if (!file_) return false;
  if (std::fprintf(file_, "%s\n", kHeader) < 0 || !Sync()) {
    Finish();
    return false;
  }
  return true;
}

bool InstallJournal::Write(char kind, const std::string& path) {
  if (!file_ || path.find('\n') != std::string::npos) return false;
  // Each line reaches the kernel before the step it announces, so a kill
  // never loses it; the disk gets it at the next phase boundary.
  return std::fprintf(file_, "%c %s\n", kind, path.c_str()) > 0 && std::fflush(file_) == 0;
}

bool InstallJournal::Sync() {
  if (!file_ || std::fflush(file_) != 0) return false;
  return ops_.SyncFile(path_).ok() && ops_.SyncFolder(FolderOf(path_)).ok();
}

bool InstallJournal::Commit() {
  if (!file_) return false;
  return std::fputs("C\n", file_) >= 0 && Sync();
}

void InstallJournal::Finish() {
  if (!file_) return;
  std::fclose(file_);
  file_ = nullptr;
  (void)ops_.DeleteFile(path_);
  (void)ops_.SyncFolder(FolderOf(path_));
}

RecoveryReport ApplyInstallJournal(platform::FileOperations& ops, const JournalLines& lines,
                                   const std::string& journalPath) {
  RecoveryReport report;
  report.found = true;
  report.committed = lines.committed;
  if (!lines.valid) return report;
  RemoveTemporaries(ops, lines, ArchiveOfJournal(journalPath));
  if (lines.committed) {
    DropBackups(ops, lines, report);
  } else {
    Undo(ops, lines, report);
  }
  DropUnrecordedBackups(ops, lines, report);
  return report;
}

RecoveryReport RecoverInstall(platform::FileOperations& ops, const std::string& journalPath) {
  if (ops.Inspect(journalPath).kind != FileKind::kFile) return {};
  // Read and closed at once: an open file cannot be deleted on every
  // system, and the journal goes once it has been applied.
  std::string text;
  if (std::FILE* in = common::OpenNativeFile(journalPath, "rb")) {
    char buffer[8192];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, n);
    std::fclose(in);
  }
  const JournalLines lines = ParseInstallJournal(text);
  RecoveryReport report = ApplyInstallJournal(ops, lines, journalPath);
  if (lines.valid) {
    std::vector<std::string> touched{FolderOf(journalPath)};
    for (const std::string& p : lines.backups) touched.push_back(FolderOf(p));
    (void)platform::SyncFileSystems(touched);
  }
  (void)ops.DeleteFile(journalPath);
  (void)ops.SyncFolder(FolderOf(journalPath));
  return report;
}

RecoveryReport RecoverInstall(const std::string& archiveGbkPath) {
  platform::RealFileOperations ops;
  return RecoverInstall(ops, InstallJournalPath(common::NativePath(archiveGbkPath)));
}

}  // namespace session
