#include "common/native_file.h"

#include <cwchar>
#include <filesystem>

namespace common {

std::FILE* OpenNativeFile(const std::string& nativePath, const char* mode) {
  // The path as UTF-16; "N": the handle is not inherited by child processes.
  const std::filesystem::path path(std::u8string(nativePath.begin(), nativePath.end()));
  std::wstring wideMode;
  for (const char* c = mode; *c; ++c) wideMode += static_cast<wchar_t>(*c);
  wideMode += L'N';
  return _wfopen(path.c_str(), wideMode.c_str());
}

}  // namespace common
