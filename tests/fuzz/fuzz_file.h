#pragma once
// Harness helper: a private folder per process, and the input written into
// a file there under a given name (the readers under test take paths).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace fuzzsupport {

inline const std::filesystem::path& Folder(const char* harness) {
  static const std::filesystem::path folder = [harness] {
    std::filesystem::path p = std::filesystem::temp_directory_path() /
                              (std::string("upgrade-") + harness + "-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(p);
    return p;
  }();
  return folder;
}

inline std::string WriteInput(const std::filesystem::path& path, const uint8_t* data, size_t size) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path.string();
}

}  // namespace fuzzsupport
