#include "codecs/patch_file_io.h"

#include <fstream>

namespace codecs {

namespace fs = std::filesystem;

bool ReadWholeFile(const fs::path& path, std::vector<char>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  if (ec) return false;
  bytes.resize(static_cast<size_t>(size));
  if (size > 0) in.read(bytes.data(), static_cast<std::streamsize>(size));
  return static_cast<bool>(in) || size == 0;
}

std::string WriteThroughTemp(const fs::path& path, const std::vector<std::string_view>& parts) {
  fs::path temp = path;
  temp += ".tmp";
  std::error_code ec;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    for (std::string_view part : parts) out.write(part.data(), static_cast<std::streamsize>(part.size()));
    out.close();
    if (!out) {
      fs::remove(temp, ec);
      return "cannot write " + temp.string();
    }
  }
  fs::rename(temp, path, ec);
  if (ec) {
    fs::remove(temp, ec);
    return "cannot rename to " + path.string();
  }
  return {};
}

void RemoveQuietly(const fs::path& path) {
  std::error_code ec;
  fs::remove(path, ec);
}

}  // namespace codecs
