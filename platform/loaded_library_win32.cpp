#include "platform/loaded_library.h"

#include <windows.h>

#include "platform/win32_text.h"

namespace platform {

// The system loads libraries only from files: the bytes go to a new file
// in the temporary folder, marked to be deleted at the next restart since
// a loaded library cannot be deleted.
std::unique_ptr<LoadedLibrary> LoadedLibrary::FromBytes(std::string_view bytes, std::string& error) {
  wchar_t folder[MAX_PATH + 1] = {};
  wchar_t path[MAX_PATH + 1] = {};
  if (GetTempPathW(MAX_PATH, folder) == 0 || GetTempFileNameW(folder, L"upw", 0, path) == 0) {
    error = SystemErrorText("GetTempFileName", GetLastError());
    return nullptr;
  }
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = SystemErrorText("CreateFile", GetLastError());
    return nullptr;
  }
  bool written = true;
  while (written && !bytes.empty()) {
    DWORD n = 0;
    const DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
    written = WriteFile(file, bytes.data(), chunk, &n, nullptr) && n > 0;
    bytes.remove_prefix(n);
  }
  CloseHandle(file);
  HMODULE handle = written ? LoadLibraryW(path) : nullptr;
  if (!handle) {
    error = SystemErrorText(written ? "LoadLibrary" : "WriteFile", GetLastError());
    DeleteFileW(path);
    return nullptr;
  }
  MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return std::unique_ptr<LoadedLibrary>(new LoadedLibrary(handle));
}

std::unique_ptr<LoadedLibrary> LoadedLibrary::Open(const std::string& name, std::string& error) {
  HMODULE handle = LoadLibraryW(Wide(name).c_str());
  if (!handle) {
    error = SystemErrorText("LoadLibrary", GetLastError());
    return nullptr;
  }
  return std::unique_ptr<LoadedLibrary>(new LoadedLibrary(handle));
}

void* LoadedLibrary::Symbol(const char* name) const {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

bool DisplayAvailable() { return true; }

}  // namespace platform
