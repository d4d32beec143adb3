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

namespace {

bool IsAbsolute(std::string_view stored) {
  return !stored.empty() && (stored.front() == '\\' || stored.front() == '/' ||
                             common::GbkFind(stored, ':') != std::string::npos);
}

}  // namespace

std::string StoredOutputFolder(std::string_view outputFolder, std::string_view projectFolder) {
  // The project folder itself stays absolute: an empty value would read
  // back as the default folder.
  if (!projectFolder.empty() && outputFolder.size() > projectFolder.size() &&
      outputFolder.substr(0, projectFolder.size()) == projectFolder) {
    std::string_view rest = outputFolder.substr(projectFolder.size());
    if (!IsAbsolute(rest) && rest.find("..") == std::string_view::npos) return std::string(rest);
  }
  return std::string(outputFolder);
}

std::string ResolveOutputFolder(std::string_view stored, std::string_view projectFolder) {
  if (common::Trim(stored).empty()) return std::string(projectFolder) + "output\\";
  if (IsAbsolute(stored)) return std::string(stored);
  return std::string(projectFolder) + std::string(stored);
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
