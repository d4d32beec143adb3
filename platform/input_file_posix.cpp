#include "platform/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::FILE* OpenRegularFileForReading(const std::string& path) {
  // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; the type
  // is then checked on the open file itself, so nothing can be swapped in
  // between.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return nullptr;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  // Read from start to end once: the kernel may read ahead further.
  posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  std::FILE* file = fdopen(fd, "rb");
  if (!file) close(fd);
  return file;
}

}  // namespace platform
