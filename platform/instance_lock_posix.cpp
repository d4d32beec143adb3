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
  handle_ = fd;
  return Result::Acquired;
}

void InstanceLock::Release() {
  if (handle_ < 0) return;
  // The file stays: removing it would let a waiting process lock an unlinked
  // file while a third one creates a fresh file of the same name.
  const int fd = static_cast<int>(handle_);
  flock(fd, LOCK_UN);
  close(fd);
  handle_ = -1;
}

}  // namespace platform
