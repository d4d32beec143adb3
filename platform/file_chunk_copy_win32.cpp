#include "platform/file_chunk_copy.h"

#include <io.h>
#include <windows.h>

#include <vector>

namespace platform {

// Windows has no in-kernel copy between two open files short of CopyFile,
// which takes names; the chunk goes through one buffer per thread.
int64_t CopyFileChunk(std::FILE* in, std::FILE* out, size_t maxBytes) {
  HANDLE source = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(in)));
  HANDLE target = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(out)));
  if (source == INVALID_HANDLE_VALUE || target == INVALID_HANDLE_VALUE) return -1;
  thread_local std::vector<char> buffer;
  if (buffer.size() < maxBytes) buffer.resize(maxBytes);
  size_t done = 0;
  while (done < maxBytes) {
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(maxBytes - done, 1u << 30));
    if (!ReadFile(source, buffer.data() + done, want, &n, nullptr)) return -1;
    if (n == 0) break;
    done += n;
  }
  for (size_t written = 0; written < done;) {
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(done - written, 1u << 30));
    if (!WriteFile(target, buffer.data() + written, want, &n, nullptr) || n == 0) return -1;
    written += n;
  }
  return static_cast<int64_t>(done);
}

}  // namespace platform
