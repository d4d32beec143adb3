#pragma once
// The fixed item slots of a session: 20 file items ([file0]-[file19]) and
// 10 dir items ([dir0]-[dir9]). Item numbers are slots, not a list: a slot
// whose versions are "0.0.0" is simply unused. The client configuration
// fills the local versions; the server configuration fills the rest.

#include <array>
#include <string>

#include "formats/value_syntax.h"

namespace session {

inline constexpr int kFileItemCount = 20;
inline constexpr int kDirItemCount = 10;
inline constexpr const char* kNoVersion = "0.0.0";

struct FileItem {
  bool newItem = false;  // marked for this update by the version comparison
  int modifyVer = 0;
  int uncompress = 0;
  int runme = 0;
  int runmePause = 0;
  int randomsel = 0;
  int tryallurl = 0;
  formats::UrlList locations;  // mirrors, used up as they are tried
  std::string localVersion = kNoVersion;
  std::string serverVersion = kNoVersion;
  std::string path;  // target folder, ends in "\" when not empty
  std::string md5;   // 32 hexadecimal digits or ""
  std::string fileName;
  std::string runmeParam;
  std::string describe;
};

struct DirItem {
  bool newItem = false;
  int modifyVer = 0;
  int isIncSubdir = 0;
  int randomsel = 0;
  int tryallurl = 0;
  formats::UrlList locations;
  std::string localVersion = kNoVersion;
  std::string serverVersion = kNoVersion;
  std::string path;
  std::string filter;
  std::string describe;
};

using FileItems = std::array<FileItem, kFileItemCount>;
using DirItems = std::array<DirItem, kDirItemCount>;

}  // namespace session
