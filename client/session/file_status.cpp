#include "client/session/file_status.h"

#include <filesystem>

#include "common/gbk.h"

namespace session {

bool FileExistsNonEmpty(std::string_view path) {
  if (path.empty()) return false;
  std::error_code ec;
  auto size = std::filesystem::file_size(common::NativePath(path), ec);
  return !ec && size > 0;
}

}  // namespace session
