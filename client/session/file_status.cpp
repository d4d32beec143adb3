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

bool RealPathInside(const std::string& nativePath, const std::string& realRoot) {
  if (realRoot.empty()) return false;
  std::error_code ec;
  const std::filesystem::path real = std::filesystem::weakly_canonical(nativePath, ec);
  if (ec) return false;
  const std::filesystem::path root(realRoot);
  auto q = real.begin();
  for (auto r = root.begin(); r != root.end(); ++r) {
    if (r->empty()) continue;  // the empty last element of a root ending in "/"
    if (q == real.end() || *q != *r) return false;
    ++q;
  }
  return true;
}

}  // namespace session
