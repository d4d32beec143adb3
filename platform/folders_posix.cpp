#include "platform/folders.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QStandardPaths>
#include <cstdlib>
#include <vector>

#include "common/gbk.h"

namespace platform {

namespace {

std::string WithoutTrailingSlash(std::string path) {
  while (!path.empty() && path.back() == '/') path.pop_back();
  return path;
}

std::string FromQt(const QString& path) {
  return WithoutTrailingSlash(common::Utf8ToGbk(path.toUtf8().toStdString()));
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
      const char* home = std::getenv("HOME");
      if (!home || !*home) return "";
      return WithoutTrailingSlash(common::Utf8ToGbk(home)) + "/.local/share/fonts";
    }
    case SpecialFolder::Documents:
      return FromQt(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    case SpecialFolder::Desktop:
      return FromQt(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
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
