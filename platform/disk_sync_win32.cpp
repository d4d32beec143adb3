#include "platform/disk_sync.h"

#include <windows.h>

#include "platform/win32_text.h"

namespace platform {

namespace {

enum class Flushed { kMissing, kFolder, kDone, kFailed };

// FlushFileBuffers needs write access to the file; a folder's entries are
// kept by the file system's own journal, so there is nothing to flush.
Flushed Flush(const std::string& nativePath) {
  const std::wstring path = Wide(nativePath);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Flushed::kMissing;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Flushed::kFolder;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Flushed::kFailed;
  const BOOL ok = FlushFileBuffers(file);
  CloseHandle(file);
  return ok ? Flushed::kDone : Flushed::kFailed;
}

}  // namespace

// Flushing a whole volume needs an administrator, so each named file is
// flushed on its own instead.
bool SyncFileSystems(const std::vector<std::string>& nativePaths) {
  bool ok = true, any = false;
  for (const std::string& path : nativePaths) {
    const Flushed result = Flush(path);
    any = any || result != Flushed::kMissing;
    ok = ok && result != Flushed::kFailed;
  }
  return ok && any;
}

bool FlushFile(const std::string& nativePath) { return Flush(nativePath) == Flushed::kDone; }

}  // namespace platform
