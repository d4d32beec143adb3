#include "platform/folders.h"

#include <limits.h>
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
    case SpecialFolder::Temp: {
      const char* tmp = std::getenv("TMPDIR");
      return WithoutTrailingSlash(common::Utf8ToGbk(tmp && *tmp ? tmp : "/tmp"));
    }
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

}  // namespace platform
