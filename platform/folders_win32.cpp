#include "platform/folders.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "platform/win32_text.h"

namespace platform {

namespace {

std::string WithoutTrailingSlash(std::string path) {
  while (!path.empty() && path.back() == '/') path.pop_back();
  return path;
}

// A shell folder, taken only when the shell gives a file-system path for it.
std::string ShellFolder(int csidl) {
  PIDLIST_ABSOLUTE list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list)) || !list) return "";
  wchar_t path[MAX_PATH] = {};
  const BOOL ok = SHGetPathFromIDListW(list, path);
  CoTaskMemFree(list);
  return ok ? WithoutTrailingSlash(GbkFromWide(path)) : "";
}

template <typename Call>
std::string SystemFolder(Call call) {
  wchar_t path[MAX_PATH + 1] = {};
  const UINT n = call(path, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return "";
  return WithoutTrailingSlash(GbkFromWide(std::wstring_view(path, n)));
}

}  // namespace

std::string ModulePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return "";
    if (n < buffer.size()) return GbkFromWide(std::wstring_view(buffer.data(), n));
    buffer.resize(buffer.size() * 2);  // cut short: the path is longer
  }
}

std::string SpecialFolderPath(SpecialFolder folder) {
  switch (folder) {
    case SpecialFolder::Windows:
      return SystemFolder([](wchar_t* p, UINT n) { return GetWindowsDirectoryW(p, n); });
    case SpecialFolder::System:
      return SystemFolder([](wchar_t* p, UINT n) { return GetSystemDirectoryW(p, n); });
    case SpecialFolder::Temp:
      return SystemFolder([](wchar_t* p, UINT n) { return static_cast<UINT>(GetTempPathW(n, p)); });
    case SpecialFolder::ProgramFiles:
      return ShellFolder(CSIDL_PROGRAM_FILES);
    case SpecialFolder::Fonts:
      return ShellFolder(CSIDL_FONTS);
    case SpecialFolder::Documents:
      return ShellFolder(CSIDL_PERSONAL);
    case SpecialFolder::Desktop:
      return ShellFolder(CSIDL_DESKTOP);
  }
  return "";
}

// GetTempPath already passes over unset variables (TMP, TEMP, the profile).
std::string TempFolder(std::string* passedOver) {
  if (passedOver) passedOver->clear();
  return SpecialFolderPath(SpecialFolder::Temp);
}

}  // namespace platform
