#include "author/project/project_identity.h"

#include <filesystem>
#include <system_error>

#include "common/gbk.h"

namespace author {

namespace {

size_t NameStart(std::string_view path) {
  size_t slash = common::GbkFindLast(path, '\\');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

}  // namespace

std::string ProjectNameOf(std::string_view projectFile) {
  std::string_view file = projectFile.substr(NameStart(projectFile));
  if (file.size() <= 4) return "";
  return std::string(file.substr(0, file.size() - 4));
}

void ProjectIdentity::SetPath(std::string_view projectFile) {
  path = std::string(projectFile);
  folder = path.substr(0, NameStart(path));
  name = ProjectNameOf(path);
}

void ProjectIdentity::Clear() {
  name.clear();
  folder.clear();
  outputFolder.clear();
}

bool FileHasContent(std::string_view storedPath) {
  std::error_code ec;
  std::filesystem::path p(common::NativePath(storedPath));
  if (!std::filesystem::is_regular_file(p, ec)) return false;
  auto size = std::filesystem::file_size(p, ec);
  return !ec && size > 0;
}

bool HasProjectExtension(std::string_view storedPath) {
  return common::EndsWithNoCase(storedPath, ".prj") || common::EndsWithNoCase(storedPath, ".epj");
}

}  // namespace author
