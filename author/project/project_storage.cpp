#include "author/project/project_storage.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "common/gbk.h"

namespace author {

namespace {

namespace fs = std::filesystem;

class DiskStorage : public ProjectStorage {
 public:
  std::optional<std::string> Read(const std::string& gbkPath) override {
    std::ifstream in(common::NativePath(gbkPath), std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
  }

  bool Write(const std::string& gbkPath, const std::string& bytes) override {
    const fs::path target(common::NativePath(gbkPath));
    fs::path temp = target;
    temp += ".saving";
    {
      std::ofstream out(temp, std::ios::binary | std::ios::trunc);
      out << bytes;
      out.flush();
      if (!out) {
        std::error_code ec;
        fs::remove(temp, ec);
        return false;
      }
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) fs::remove(temp, ec);
    return !ec;
  }
};

}  // namespace

ProjectStorage& ProjectStorage::Disk() {
  static DiskStorage disk;
  return disk;
}

}  // namespace author
