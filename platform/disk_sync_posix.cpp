#include "platform/disk_sync.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

namespace platform {

bool SyncFileSystems(const std::vector<std::string>& nativePaths) {
  std::set<dev_t> done;
  bool ok = true;
  for (const std::string& path : nativePaths) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat st;
    if (fstat(fd, &st) == 0 && done.insert(st.st_dev).second) ok = syncfs(fd) == 0 && ok;
    close(fd);
  }
  return ok && !done.empty();
}

bool FlushFile(const std::string& nativePath) {
  const int fd = open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0;
  close(fd);
  return ok;
}

}  // namespace platform
