#include "client/download/local_path.h"

#include "common/gbk.h"

namespace transfer {

std::string FolderOf(std::string_view gbkPath) {
  size_t back = common::GbkFindLast(gbkPath, '\\');
  size_t slash = gbkPath.rfind('/');  // 0x2F is never a trail byte
  size_t cut = back;
  if (cut == std::string_view::npos || (slash != std::string_view::npos && slash > cut)) cut = slash;
  if (cut == std::string_view::npos) return {};
  return std::string(gbkPath.substr(0, cut));
}

}  // namespace transfer
