// The configuration archive's member rewrite over any archive bytes: read
// "client.dat", replace it, add a member, with and without a password. A
// rewrite that fails must leave the archive's bytes as they were and no
// temporary file beside it; one that works must read back.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "formats/config_archive.h"

namespace {

namespace fs = std::filesystem;

const fs::path& WorkFolder() {
  static const fs::path folder = [] {
    fs::path p = fs::temp_directory_path() / ("upgrade-config-archive-fuzz-" + std::to_string(getpid()));
    fs::create_directories(p);
    return p;
  }();
  return folder;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path archive = WorkFolder() / "upgrade.bin";
  const std::string input(reinterpret_cast<const char*>(data), size);
  for (const char* password : {"", "secret"}) {
    {
      std::ofstream file(archive, std::ios::binary | std::ios::trunc);
      file << input;
    }
    const std::string path = archive.string();
    (void)formats::ReadArchiveMember(path, "client.dat", password);
    (void)formats::ReadArchiveMember(path, "res\\top.bmp", password);
    const std::string text = "[file0]\r\nver=1.2.3\r\n";
    const formats::ArchiveWriteResult result = formats::WriteArchiveMember(path, "client.dat", text, password);
    if (!result) {
      if (Read(archive) != input) std::abort();
    } else if (formats::ReadArchiveMember(path, "client.dat", password) != text) {
      std::abort();
    }
    for (const auto& entry : fs::directory_iterator(WorkFolder())) {
      if (entry.path() != archive) std::abort();  // a temporary left behind
    }
  }
  return 0;
}
