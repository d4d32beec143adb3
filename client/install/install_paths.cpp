#include "client/install/install_paths.h"

#include "common/gbk.h"

namespace transfer {

std::string InstallFolderOf(std::string_view itemPath, std::string_view appFolder,
                            std::string_view subFolder) {
  std::string path = common::Trim(itemPath);
  std::string folder;
  if (path.empty()) {
    folder = std::string(appFolder);
  } else if (path.front() == '/' || path.front() == '\\' || common::GbkFind(path, ':') != std::string::npos) {
    // A path that starts at the root, in either spelling: "{appdriver}\data"
    // names "/data" once the empty drive macro is replaced. (A lead byte is
    // never "\", so the first byte is a character of its own.)
    folder = common::GbkReplaceChar(path, '\\', '/');
  } else {
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

}  // namespace transfer
