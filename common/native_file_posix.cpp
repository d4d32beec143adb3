#include "common/native_file.h"

namespace common {

std::FILE* OpenNativeFile(const std::string& nativePath, const char* mode) {
  // "e": close-on-exec, so a hook program never holds the file.
  return std::fopen(nativePath.c_str(), (std::string(mode) + "e").c_str());
}

}  // namespace common
