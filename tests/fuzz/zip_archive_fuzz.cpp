// ZIP member reading and extraction over any archive bytes: every member is
// read into memory and extracted into a private folder, with and without a
// password.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "codecs/zip_archive.h"

namespace {

const std::filesystem::path& WorkFolder() {
  static const std::filesystem::path folder = [] {
    std::filesystem::path p = std::filesystem::temp_directory_path() /
                              ("upgrade-zip-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(p);
    return p;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::filesystem::path archive = WorkFolder() / "input.zip";
  const std::filesystem::path out = WorkFolder() / "out";
  {
    std::ofstream file(archive, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  for (const char* password : {"", "secret"}) {
    codecs::ZipArchive zip;
    if (!zip.Open(archive.string(), codecs::ZipArchive::Mode::ReadOnly)) return 0;
    zip.SetPassword(password);
    const int64_t count = zip.EntryCount();
    for (int64_t i = 0; i < count && i < 64; ++i) {
      zip.EntryName(i);
      zip.MemberSize(i);
      zip.ExtractToMemory(i);
      (void)zip.ExtractEntryTo(i, out.string());
    }
    zip.FindMember("ui.dat");
    zip.ExtractToMemory("client.dat");
  }
  std::error_code ec;
  std::filesystem::remove_all(out, ec);
  return 0;
}
