#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/file_chunk_copy.h"
#include "platform/file_operations.h"

namespace platform {
namespace {

constexpr size_t kCopyChunk = size_t{1} << 20;

// The one place where system error numbers become FileErrors.
FileError ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: return FileError::kNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ELOOP:  // a link where the last component must not be one
    case EISDIR: return FileError::kAccessDenied;
    case ETXTBSY:
    case EBUSY: return FileError::kInUse;
    case EEXIST: return FileError::kExists;
    case ENOTEMPTY: return FileError::kNotEmpty;
    case EXDEV: return FileError::kCrossDevice;
    case ENOSPC:
    case EDQUOT: return FileError::kNoSpace;
    default: return FileError::kOther;
  }
}

FileResult Failure(FileOp op, int error) {
  return {ErrorFromErrno(error), error, std::string(FileOpName(op)) + ": " + std::strerror(error)};
}

FileResult Outcome(FileOp op, int rc) { return rc == 0 ? FileResult{} : Failure(op, errno); }

FileResult Sync(FileOp op, const std::string& path, int flags) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
  if (fd < 0) return Failure(op, errno);
  const int rc = fsync(fd);
  const int error = errno;
  close(fd);
  return rc == 0 ? FileResult{} : Failure(op, error);
}

// Both descriptors become unbuffered streams for CopyFileChunk (which
// copies inside the kernel where it can); both are closed here.
bool CopyAll(int in, int out) {
  std::FILE* source = fdopen(in, "rb");
  std::FILE* target = source ? fdopen(out, "wb") : nullptr;
  if (!target) {
    source ? std::fclose(source) : close(in);
    close(out);
    return false;
  }
  std::setvbuf(source, nullptr, _IONBF, 0);
  std::setvbuf(target, nullptr, _IONBF, 0);
  int64_t n;
  while ((n = CopyFileChunk(source, target, kCopyChunk)) == static_cast<int64_t>(kCopyChunk)) {
  }
  const int error = errno;
  std::fclose(source);
  const bool closed = std::fclose(target) == 0;  // a full disk may show only here
  errno = n < 0 ? error : errno;
  return n >= 0 && closed;
}

}  // namespace

FileInfo RealFileOperations::Inspect(const std::string& path) {
  FileInfo info;
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return info;
  info.kind = S_ISREG(st.st_mode)   ? FileKind::kFile
              : S_ISDIR(st.st_mode) ? FileKind::kFolder
              : S_ISLNK(st.st_mode) ? FileKind::kLink
                                    : FileKind::kOther;
  info.size = static_cast<uint64_t>(st.st_size);
  info.mode = st.st_mode & 07777;
  return info;
}

FileResult RealFileOperations::CopyFile(const std::string& from, const std::string& to) {
  // O_NOFOLLOW: a link is never copied as the file it names (a backup of a
  // link that cannot be a hard link fails rather than keeping other bytes).
  const int in = open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (in < 0) return Failure(FileOp::kCopy, errno);
  struct stat st;
  const int statError = fstat(in, &st) != 0 ? errno
                        : S_ISDIR(st.st_mode) ? EISDIR
                        : !S_ISREG(st.st_mode) ? EINVAL
                                               : 0;
  if (statError != 0) {
    close(in);
    return Failure(FileOp::kCopy, statError);
  }
  // O_EXCL: a file or link already at `to` is never opened, let alone
  // followed; set-id bits of the source are not carried over.
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                       st.st_mode & 0777);
  if (out < 0) {
    const int error = errno;
    close(in);
    return Failure(FileOp::kCopy, error);
  }
  if (!CopyAll(in, out)) {
    const int error = errno;
    unlink(to.c_str());
    return Failure(FileOp::kCopy, error ? error : EIO);
  }
  return {};
}

FileResult RealFileOperations::Rename(const std::string& from, const std::string& to) {
  return Outcome(FileOp::kRename, rename(from.c_str(), to.c_str()));
}

FileResult RealFileOperations::Link(const std::string& from, const std::string& to) {
  return Outcome(FileOp::kLink, link(from.c_str(), to.c_str()));
}

FileResult RealFileOperations::DeleteFile(const std::string& path) {
  return Outcome(FileOp::kDeleteFile, unlink(path.c_str()));
}

FileResult RealFileOperations::DeleteFolder(const std::string& path) {
  return Outcome(FileOp::kDeleteFolder, rmdir(path.c_str()));
}

FileResult RealFileOperations::ListFolder(const std::string& path, std::vector<std::string>* names) {
  names->clear();
  // O_NOFOLLOW: a folder swapped for a link is not listed through the link.
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return Failure(FileOp::kListFolder, errno);
  DIR* dir = fdopendir(fd);
  if (!dir) {
    const int error = errno;
    close(fd);
    return Failure(FileOp::kListFolder, error);
  }
  errno = 0;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names->push_back(name);
    errno = 0;
  }
  const int error = errno;
  closedir(dir);
  return error == 0 ? FileResult{} : Failure(FileOp::kListFolder, error);
}

FileResult RealFileOperations::MakeFolders(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  if (ec) return Failure(FileOp::kMakeFolders, ec.value());
  // create_directories also says "nothing made" when a file holds the name.
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return Failure(FileOp::kMakeFolders, errno);
  return S_ISDIR(st.st_mode) ? FileResult{} : Failure(FileOp::kMakeFolders, EEXIST);
}

FileResult RealFileOperations::SetMode(const std::string& path, uint32_t mode) {
  return Outcome(FileOp::kSetMode,
                 fchmodat(AT_FDCWD, path.c_str(), static_cast<mode_t>(mode & 07777), AT_SYMLINK_NOFOLLOW));
}

FileResult RealFileOperations::OpenReadWrite(const std::string& path) {
  // O_NONBLOCK: a FIFO or device at the path must not hang the test.
  const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return Failure(FileOp::kOpenReadWrite, errno);
  close(fd);
  return {};
}

FileResult RealFileOperations::SyncFile(const std::string& path) {
  return Sync(FileOp::kSyncFile, path, O_NOFOLLOW);
}

FileResult RealFileOperations::SyncFolder(const std::string& path) {
  return Sync(FileOp::kSyncFolder, path, O_DIRECTORY);
}

}  // namespace platform
