#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "common/gbk.h"
#include "platform/private_files.h"

namespace platform {

InstanceLock::~InstanceLock() { Release(); }

namespace {

// A file name holds at most 255 bytes, a program path far more. A long name
// keeps its end (the program's own name) behind a digest of the whole.
constexpr size_t kMaxPlainName = 200;

std::string ShortenedName(const std::string& name) {
  if (name.size() <= kMaxPlainName) return name;
  uint64_t hash = 1469598103934665603ull;  // FNV-1a: stable across builds
  for (unsigned char c : name) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  char digest[17];
  std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(hash));
  size_t keep = 120;
  size_t cut = name.size() - keep;
  // Do not start inside a UTF-8 character.
  while (cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) ++cut;
  return std::string(digest) + "_" + name.substr(cut);
}

}  // namespace

std::string InstanceLock::LockFilePath(std::string_view name, std::string* error) {
  // Never a shared folder: there another user could plant the name as a
  // link (the lock would create files wherever it points) or hold it (every
  // run would wait and quit).
  const std::string dir = UserRuntimeFolder(error);
  if (dir.empty()) return "";
  return dir + "/" + ShortenedName(common::NativePath(name)) + ".lock";
}

InstanceLock::Result InstanceLock::TryAcquire(std::string_view name) {
  Release();
  errorText_.clear();
  std::string path = LockFilePath(name, &errorText_);
  if (path.empty()) return Result::Failed;
  // Close-on-exec matters: a flock belongs to the open file, so a hook
  // program started without waiting would otherwise keep the lock after we
  // exit. A link planted at the name is refused, never followed.
  int fd = OpenPrivateFile(path);
  if (fd < 0) {
    errorText_ = path + ": cannot be opened";
    return Result::Failed;
  }
  int rc;
  do {
    rc = flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    bool busy = errno == EWOULDBLOCK;
    if (!busy) errorText_ = path + ": cannot be locked";
    close(fd);
    return busy ? Result::Busy : Result::Failed;
  }
  fd_ = fd;
  return Result::Acquired;
}

void InstanceLock::Release() {
  if (fd_ < 0) return;
  // The file stays: removing it would let a waiting process lock an unlinked
  // file while a third one creates a fresh file of the same name.
  flock(fd_, LOCK_UN);
  close(fd_);
  fd_ = -1;
}

}  // namespace platform
