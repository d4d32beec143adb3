#include "platform/input_file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/win32_text.h"

namespace platform {

std::FILE* OpenRegularFileForReading(const std::string& path) {
  // A folder does not open without backup semantics; a pipe or a device
  // ("NUL", "CON", "\\.\pipe\x") opens, and is refused by its type. The
  // handle is not inherited by programs started later.
  HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(file);
    return nullptr;
  }
  std::FILE* stream = _fdopen(fd, "rb");
  if (!stream) _close(fd);
  return stream;
}

}  // namespace platform
