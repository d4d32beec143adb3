#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "common/gbk.h"

namespace platform {

InstanceLock::~InstanceLock() { Release(); }

std::string InstanceLock::LockFilePath(std::string_view name) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string dir = runtime && *runtime ? runtime : "/tmp";
  if (dir.back() != '/') dir += '/';
  return dir + common::NativePath(name) + ".lock";
}

InstanceLock::Result InstanceLock::TryAcquire(std::string_view name) {
  Release();
  std::string path = LockFilePath(name);
  // O_CLOEXEC matters: a flock belongs to the open file, so a hook program
  // started without waiting would otherwise keep the lock after we exit.
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);  // another user's file
  if (fd < 0) return Result::Failed;
  int rc;
  do {
    rc = flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    bool busy = errno == EWOULDBLOCK;
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
