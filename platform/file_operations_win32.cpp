// The interface first: windows.h names CopyFile and DeleteFile as macros
// for its own calls, which must not rename the methods.
#include "platform/file_operations.h"

#include <windows.h>
#undef CopyFile
#undef DeleteFile

#include "platform/win32_text.h"

namespace platform {
namespace {

// The one place where system error numbers become FileErrors.
FileError ErrorFromSystem(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY: return FileError::kNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_CANT_RESOLVE_FILENAME: return FileError::kAccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE: return FileError::kInUse;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return FileError::kExists;
    case ERROR_DIR_NOT_EMPTY: return FileError::kNotEmpty;
    case ERROR_NOT_SAME_DEVICE: return FileError::kCrossDevice;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return FileError::kNoSpace;
    default: return FileError::kOther;
  }
}

FileResult Failure(FileOp op, DWORD error) {
  return {ErrorFromSystem(error), static_cast<int>(error), SystemErrorText(FileOpName(op), error)};
}

FileResult Outcome(FileOp op, BOOL ok) { return ok ? FileResult{} : Failure(op, GetLastError()); }

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A handle on the path itself: a link (reparse point) is opened, never followed.
HANDLE OpenItself(const std::string& path, DWORD access) {
  return CreateFileW(Wide(path).c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                     FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

FileInfo RealFileOperations::Inspect(const std::string& path) {
  FileInfo info;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return info;
  const DWORD a = data.dwFileAttributes;
  info.kind = (a & FILE_ATTRIBUTE_REPARSE_POINT) ? FileKind::kLink
              : (a & FILE_ATTRIBUTE_DIRECTORY)   ? FileKind::kFolder
                                                 : FileKind::kFile;
  info.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  // Windows keeps only "read-only"; the permission bits say that much.
  info.mode = (a & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  if (a & FILE_ATTRIBUTE_DIRECTORY) info.mode |= 0111;
  return info;
}

FileResult RealFileOperations::CopyFile(const std::string& from, const std::string& to) {
  // COPY_FILE_FAIL_IF_EXISTS: a file or link already at `to` is never
  // written, let alone followed.
  if (CopyFileExW(Wide(from).c_str(), Wide(to).c_str(), nullptr, nullptr, nullptr,
                  COPY_FILE_FAIL_IF_EXISTS | COPY_FILE_COPY_SYMLINK)) {
    return {};
  }
  const DWORD error = GetLastError();
  if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) DeleteFileW(Wide(to).c_str());
  return Failure(FileOp::kCopy, error);
}

FileResult RealFileOperations::Rename(const std::string& from, const std::string& to) {
  // Write-through: the call returns once the rename is on the disk.
  return Outcome(FileOp::kRename, MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

FileResult RealFileOperations::Link(const std::string& from, const std::string& to) {
  return Outcome(FileOp::kLink, CreateHardLinkW(Wide(to).c_str(), Wide(from).c_str(), nullptr));
}

FileResult RealFileOperations::DeleteFile(const std::string& path) {
  const std::wstring wide = Wide(path);
  const DWORD a = GetFileAttributesW(wide.c_str());
  // A read-only file is still deleted, as on other systems.
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY)) {
    SetFileAttributesW(wide.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
  }
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) && (a & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return Outcome(FileOp::kDeleteFile, RemoveDirectoryW(wide.c_str()));  // a folder link
  }
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) {
    return Failure(FileOp::kDeleteFile, ERROR_ACCESS_DENIED);
  }
  return Outcome(FileOp::kDeleteFile, DeleteFileW(wide.c_str()));
}

FileResult RealFileOperations::DeleteFolder(const std::string& path) {
  return Outcome(FileOp::kDeleteFolder, RemoveDirectoryW(Wide(path).c_str()));
}

FileResult RealFileOperations::ListFolder(const std::string& path, std::vector<std::string>* names) {
  names->clear();
  const DWORD a = GetFileAttributesW(Wide(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return Failure(FileOp::kListFolder, GetLastError());
  // A folder swapped for a link is not listed through the link.
  if (!(a & FILE_ATTRIBUTE_DIRECTORY) || (a & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return Failure(FileOp::kListFolder, ERROR_DIRECTORY);
  }
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW(Wide(path + "/*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return Failure(FileOp::kListFolder, GetLastError());
  do {
    const std::wstring_view name = entry.cFileName;
    if (name != L"." && name != L"..") names->push_back(NativeFromWide(name));
  } while (FindNextFileW(find, &entry));
  const DWORD error = GetLastError();
  FindClose(find);
  return error == ERROR_NO_MORE_FILES ? FileResult{} : Failure(FileOp::kListFolder, error);
}

FileResult RealFileOperations::MakeFolders(const std::string& path) {
  const std::wstring wide = Wide(path);
  const DWORD a = GetFileAttributesW(wide.c_str());
  if (a != INVALID_FILE_ATTRIBUTES) {
    return (a & FILE_ATTRIBUTE_DIRECTORY) ? FileResult{} : Failure(FileOp::kMakeFolders, ERROR_ALREADY_EXISTS);
  }
  const size_t cut = path.find_last_of('/');
  if (cut != std::string::npos && cut > 0 && path[cut - 1] != ':') {
    FileResult parent = MakeFolders(path.substr(0, cut));
    if (!parent) return parent;
  }
  if (CreateDirectoryW(wide.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) {
    return (GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
               ? FileResult{}
               : Failure(FileOp::kMakeFolders, ERROR_ALREADY_EXISTS);
  }
  return Failure(FileOp::kMakeFolders, GetLastError());
}

FileResult RealFileOperations::SetMode(const std::string& path, uint32_t mode) {
  const std::wstring wide = Wide(path);
  const DWORD a = GetFileAttributesW(wide.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return Failure(FileOp::kSetMode, GetLastError());
  const DWORD wanted = (mode & 0200) ? (a & ~FILE_ATTRIBUTE_READONLY) : (a | FILE_ATTRIBUTE_READONLY);
  return Outcome(FileOp::kSetMode, SetFileAttributesW(wide.c_str(), wanted));
}

FileResult RealFileOperations::OpenReadWrite(const std::string& path) {
  // Sharing everything ourselves, only a process that holds the file
  // without sharing write (the loader holds a running program so) refuses.
  HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Failure(FileOp::kOpenReadWrite, GetLastError());
  CloseHandle(file);
  return {};
}

FileResult RealFileOperations::SyncFile(const std::string& path) {
  HANDLE file = OpenItself(path, GENERIC_WRITE);
  if (file == INVALID_HANDLE_VALUE) return Failure(FileOp::kSyncFile, GetLastError());
  const BOOL ok = FlushFileBuffers(file);
  const DWORD error = GetLastError();
  CloseHandle(file);
  return ok ? FileResult{} : Failure(FileOp::kSyncFile, error);
}

FileResult RealFileOperations::SyncFolder(const std::string& path) {
  // A folder's entries are kept by the file system's journal, and renames
  // are written through; there is nothing to flush, only to find.
  HANDLE folder = OpenItself(path, FILE_READ_ATTRIBUTES);
  if (folder == INVALID_HANDLE_VALUE) return Failure(FileOp::kSyncFolder, GetLastError());
  CloseHandle(folder);
  return {};
}

}  // namespace platform
