#include "platform/file_operations.h"

#include <algorithm>
#include <cstdio>

#include "common/native_file.h"

namespace platform {
namespace {

// Temporary names tried in a target folder before giving up: each earlier
// one is taken (left by a run that was cut short, or by another writer).
constexpr int kTemporaryNameTries = 100;

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A hidden name beside `path`, in the same folder and so on the same file
// system, which rename needs.
constexpr const char* kTemporaryMark = ".~upgrade";

std::string TemporaryName(const std::string& path, int attempt) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return folder + "." + name + kTemporaryMark + std::to_string(attempt);
}

// Gives `make(temporary)` fresh temporary names until one is free.
template <typename Make>
FileResult MakeTemporary(const std::string& path, std::string* temporary, Make make) {
  FileResult result;
  for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
    *temporary = TemporaryName(path, attempt);
    result = make(*temporary);
    if (result.error != FileError::kExists) return result;
  }
  return result;
}

// A link failed for a reason a copy does not share: another file system,
// or one without hard links (EPERM on FAT, EOPNOTSUPP, too many links).
bool CopyMayDoWhereLinkFailed(const FileResult& link) {
  return link.error == FileError::kCrossDevice || link.error == FileError::kAccessDenied ||
         link.error == FileError::kOther;
}

}  // namespace

const char* FileOpName(FileOp op) {
  switch (op) {
    case FileOp::kInspect: return "inspect";
    case FileOp::kCopy: return "copy";
    case FileOp::kRename: return "rename";
    case FileOp::kLink: return "link";
    case FileOp::kDeleteFile: return "delete file";
    case FileOp::kDeleteFolder: return "delete folder";
    case FileOp::kListFolder: return "list folder";
    case FileOp::kMakeFolders: return "make folders";
    case FileOp::kSetMode: return "set mode";
    case FileOp::kOpenReadWrite: return "open for read-write";
    case FileOp::kSyncFile: return "sync file";
    case FileOp::kSyncFolder: return "sync folder";
    case FileOp::kAny: return "any";
  }
  return "?";
}

std::string TemporaryNameBeside(const std::string& path, int attempt) { return TemporaryName(path, attempt); }

bool IsTemporaryNameOf(const std::string& name, const std::string& targetName) {
  const std::string head = "." + targetName + kTemporaryMark;
  if (name.size() <= head.size() || name.compare(0, head.size(), head) != 0) return false;
  return std::all_of(name.begin() + static_cast<long>(head.size()), name.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

FileResult ReplaceFile(FileOperations& ops, const std::string& from, const std::string& to, bool syncNow) {
  const FileInfo old = ops.Inspect(to);
  std::string temporary;
  FileResult result =
      MakeTemporary(to, &temporary, [&](const std::string& name) { return ops.CopyFile(from, name); });
  if (!result) return result;
  if (old.kind == FileKind::kFile) result = ops.SetMode(temporary, old.mode & 0777);
  if (result && syncNow) result = ops.SyncFile(temporary);
  if (result) result = ops.Rename(temporary, to);
  if (!result) {
    (void)ops.DeleteFile(temporary);
    return result;
  }
  return syncNow ? ops.SyncFolder(FolderOf(to)) : FileResult{};
}

FileResult WriteFileReplacing(FileOperations& ops, const std::string& path, std::string_view bytes, bool durable) {
  const std::string temporary = TemporaryName(path, 0);
  (void)ops.DeleteFile(temporary);  // what a writer cut short left there
  FileResult result;
  std::FILE* f = common::OpenNativeFile(temporary, "wb");
  if (!f) {
    result = {FileError::kOther, 0, "write: cannot create the temporary file"};
  } else {
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !written) result = {FileError::kOther, 0, "write: failed"};
  }
  if (result && durable) result = ops.SyncFile(temporary);
  if (result) result = ops.Rename(temporary, path);
  if (!result) {
    (void)ops.DeleteFile(temporary);
    return result;
  }
  return durable ? ops.SyncFolder(FolderOf(path)) : FileResult{};
}

FileResult BackupFile(FileOperations& ops, const std::string& path, const std::string& backup,
                      bool allowLink, bool syncNow) {
  if (!allowLink) return ReplaceFile(ops, path, backup, syncNow);
  // Mostly there is no older backup, and one link under the backup's own
  // name is the whole backup (in a folder of many files every name added
  // or renamed costs); any failure goes the way that replaces an older one.
  if (ops.Link(path, backup)) return syncNow ? ops.SyncFolder(FolderOf(backup)) : FileResult{};
  std::string temporary;
  FileResult result =
      MakeTemporary(backup, &temporary, [&](const std::string& name) { return ops.Link(path, name); });
  if (!result) return CopyMayDoWhereLinkFailed(result) ? ReplaceFile(ops, path, backup, syncNow) : result;
  result = ops.Rename(temporary, backup);
  // Renaming one name of a file over another name of the same file does
  // nothing at all (an older backup that is still a link to `path`), so the
  // temporary name may remain.
  if (ops.Inspect(temporary).kind != FileKind::kMissing) (void)ops.DeleteFile(temporary);
  if (!result || !syncNow) return result;
  return ops.SyncFolder(FolderOf(backup));
}

FileResult DeleteFolderTree(FileOperations& ops, const std::string& folder) {
  std::vector<std::string> names;
  (void)ops.ListFolder(folder, &names);
  for (const std::string& name : names) {
    const std::string path = folder + "/" + name;
    if (ops.Inspect(path).kind == FileKind::kFolder) {
      (void)DeleteFolderTree(ops, path);
    } else {
      (void)ops.DeleteFile(path);
    }
  }
  return ops.DeleteFolder(folder);
}

}  // namespace platform
