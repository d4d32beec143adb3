#include "author/project/project_storage.h"

#include <fstream>
#include <iterator>

#include "common/gbk.h"
#include "platform/file_operations.h"

namespace author {

namespace {

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
    // Through a temporary file: a failed save leaves the old file whole.
    platform::RealFileOperations ops;
    return platform::WriteFileReplacing(ops, common::NativePath(gbkPath), bytes, false).ok();
  }
};

}  // namespace

ProjectStorage& ProjectStorage::Disk() {
  static DiskStorage disk;
  return disk;
}

}  // namespace author
