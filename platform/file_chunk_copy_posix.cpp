#include "platform/file_chunk_copy.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace platform {

namespace {

// read/write through a buffer: when the two files are on different file
// systems or the kernel has no copy_file_range for them. The buffer stays
// at 1 MiB however large a chunk the caller asks for.
int64_t CopyThroughBuffer(int in, int out, size_t maxBytes) {
  constexpr size_t kBufferBytes = size_t{1} << 20;
  thread_local std::vector<char> buffer(kBufferBytes);
  size_t done = 0;
  while (done < maxBytes) {
    const size_t want = std::min(kBufferBytes, maxBytes - done);
    size_t got = 0;
    while (got < want) {
      ssize_t n = read(in, buffer.data() + got, want - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return -1;
      if (n == 0) break;
      got += static_cast<size_t>(n);
    }
    for (size_t written = 0; written < got;) {
      ssize_t n = write(out, buffer.data() + written, got - written);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return -1;
      written += static_cast<size_t>(n);
    }
    done += got;
    if (got < want) break;  // the end of the source
  }
  return static_cast<int64_t>(done);
}

}  // namespace

int64_t CopyFileChunk(std::FILE* in, std::FILE* out, size_t maxBytes) {
  int inFd = fileno(in);
  int outFd = fileno(out);
  if (inFd < 0 || outFd < 0) return -1;
  size_t done = 0;
  // copy_file_range may stop short of the request before the end: go on
  // until the chunk is full or the source has no more.
  while (done < maxBytes) {
    ssize_t n = copy_file_range(inFd, nullptr, outFd, nullptr, maxBytes - done, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (done == 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                        errno == EBADF)) {
        return CopyThroughBuffer(inFd, outFd, maxBytes);
      }
      return -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

}  // namespace platform
