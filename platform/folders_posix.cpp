#include "platform/folders.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string_view>
#include <vector>

#include "common/gbk.h"

namespace platform {

namespace {

std::string WithoutTrailingSlash(std::string path) {
  while (!path.empty() && path.back() == '/') path.pop_back();
  return path;
}

std::string Home() {
  const char* home = std::getenv("HOME");
  return home && *home ? WithoutTrailingSlash(home) : "";
}

// A user folder the desktop names in $XDG_CONFIG_HOME/user-dirs.dirs
// (XDG_DESKTOP_DIR="$HOME/Desktop"): a value is "$HOME/..." or an absolute
// path, in double quotes; anything else is not a folder and is ignored. A
// folder the file does not name is $HOME/<fallback>, as the desktop itself
// assumes.
std::string XdgUserFolder(std::string_view key, const char* fallback) {
  const std::string home = Home();
  if (home.empty()) return "";
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  const std::string config = configHome && configHome[0] == '/' ? configHome : home + "/.config";
  std::ifstream in(config + "/user-dirs.dirs");
  std::string found;
  for (std::string line; std::getline(in, line);) {
    if (line.compare(0, key.size(), key) != 0 || line.compare(key.size(), 2, "=\"") != 0) continue;
    const size_t open = key.size() + 2;
    const size_t close = line.find('"', open);
    if (close == std::string::npos) continue;
    std::string value = line.substr(open, close - open);
    if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/')) {
      found = home + value.substr(5);
    } else if (!value.empty() && value.front() == '/') {
      found = value;
    }  // the last line of a key wins, as when the file is sourced by a shell
  }
  if (found.empty()) found = home + "/" + fallback;
  found = WithoutTrailingSlash(found);
  return common::Utf8ToGbk(found.empty() ? "/" : found);
}

bool IsUsableFolder(const char* path) {
  struct stat st {};
  return stat(path, &st) == 0 && S_ISDIR(st.st_mode) && access(path, W_OK | X_OK) == 0;
}

}  // namespace

std::string ModulePath() {
  // /proc/self/exe is a link to the program file with symbolic links
  // already resolved; readlink does not terminate the text.
  std::vector<char> buf(PATH_MAX + 1);
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return "";
  return common::Utf8ToGbk(std::string_view(buf.data(), static_cast<size_t>(n)));
}

std::string SpecialFolderPath(SpecialFolder folder) {
  switch (folder) {
    case SpecialFolder::Windows:
      return "/etc";
    case SpecialFolder::System:
      return "/usr/lib";
    case SpecialFolder::Temp:
      return TempFolder();
    case SpecialFolder::ProgramFiles:
      return "/opt";
    case SpecialFolder::Fonts: {
      const std::string home = Home();
      return home.empty() ? "" : common::Utf8ToGbk(home) + "/.local/share/fonts";
    }
    case SpecialFolder::Documents:
      return XdgUserFolder("XDG_DOCUMENTS_DIR", "Documents");
    case SpecialFolder::Desktop:
      return XdgUserFolder("XDG_DESKTOP_DIR", "Desktop");
  }
  return "";
}

std::string TempFolder(std::string* passedOver) {
  if (passedOver) passedOver->clear();
  // A TMPDIR naming a folder that is gone (a session's private temporary
  // folder, removed when the session ended) must not leave the run without
  // a place for its lock and its downloads.
  const char* tmp = std::getenv("TMPDIR");
  if (tmp && *tmp) {
    if (IsUsableFolder(tmp)) return WithoutTrailingSlash(common::Utf8ToGbk(tmp));
    if (passedOver) *passedOver = common::Utf8ToGbk(tmp);
  }
  for (const char* fallback : {"/tmp", "/var/tmp"}) {
    if (IsUsableFolder(fallback)) return fallback;
  }
  return "/tmp";
}

}  // namespace platform
