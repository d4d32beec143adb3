#include "client/install/install_paths.h"

#include "common/gbk.h"

namespace transfer {

std::string InstallFolderOf(std::string_view itemPath, std::string_view appFolder,
                            std::string_view subFolder) {
  std::string path = common::Trim(itemPath);
  std::string folder;
  if (path.empty()) {
    folder = std::string(appFolder);
  } else if (path.front() == '/' || common::GbkFind(path, ':') != std::string::npos) {
    folder = common::GbkReplaceChar(path, '\\', '/');
  } else {
    if (path.front() == '\\') path.erase(0, 1);
    folder = std::string(appFolder) + common::GbkReplaceChar(path, '\\', '/');
  }
  // After the replacement a "\" can only be the trail byte of a character.
  if (!folder.empty() && folder.back() != '/') folder += '/';
  if (!subFolder.empty()) {
    folder += common::GbkReplaceChar(subFolder, '\\', '/');
    if (folder.back() != '/') folder += '/';
  }
  return folder;
}

bool IsProgramName(std::string_view name) {
  if (name.size() < 4) return false;
  const std::string tail = common::GbkToLowerAscii(name.substr(name.size() - 4));
  return tail == ".exe" || tail == ".dll";
}

}  // namespace transfer
