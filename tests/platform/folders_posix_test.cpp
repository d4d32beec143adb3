#include "platform/folders.h"

#include "common/gbk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/support/temp_dir.h"

namespace platform {
namespace {

TEST(Folders, TempFollowsTmpdirWithoutTrailingSlash) {
  const char* old = std::getenv("TMPDIR");
  std::string saved = old ? old : "";
  setenv("TMPDIR", "/var/tmp/", 1);
  EXPECT_EQ(SpecialFolderPath(SpecialFolder::Temp), "/var/tmp");
  unsetenv("TMPDIR");
  EXPECT_EQ(SpecialFolderPath(SpecialFolder::Temp), "/tmp");
  if (old) setenv("TMPDIR", saved.c_str(), 1);
}

// A TMPDIR that names no folder (gone with the session that made it, or a
// file) is passed over for /tmp, and the caller learns which one it was.
TEST(Folders, TempPassesOverATmpdirThatIsNoFolder) {
  const char* old = std::getenv("TMPDIR");
  std::string saved = old ? old : "";
  testsupport::TempDir dir;
  struct Case {
    std::string tmpdir;
    std::string folder;
    std::string passedOver;
  };
  const Case cases[] = {
      {dir.path().string(), dir.path().string(), ""},
      {dir.file("gone"), "/tmp", dir.file("gone")},
      {dir.write("file", "x"), "/tmp", dir.file("file")},
      {"", "/tmp", ""},
  };
  for (const Case& c : cases) {
    setenv("TMPDIR", c.tmpdir.c_str(), 1);
    std::string passedOver = "stale";
    EXPECT_EQ(TempFolder(&passedOver), c.folder) << c.tmpdir;
    EXPECT_EQ(passedOver, c.passedOver) << c.tmpdir;
    EXPECT_EQ(SpecialFolderPath(SpecialFolder::Temp), c.folder) << c.tmpdir;
  }
  if (old) setenv("TMPDIR", saved.c_str(), 1);
  else unsetenv("TMPDIR");
}

// Sets an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

TEST(Folders, DesktopAndDocumentsFollowTheUserDirsFile) {
  testsupport::TempDir dir;
  const std::string home = dir.path().string() + "/家";  // UTF-8 on disk, GBK in the program
  std::filesystem::create_directories(home + "/.config");
  ScopedEnv homeEnv("HOME", home + "/");
  ScopedEnv configEnv("XDG_CONFIG_HOME", "");  // unset or relative: ~/.config
  const std::string gbkHome = common::Utf8ToGbk(home);

  // No file: the folders the desktop assumes.
  EXPECT_EQ(SpecialFolderPath(SpecialFolder::Desktop), gbkHome + "/Desktop");
  EXPECT_EQ(SpecialFolderPath(SpecialFolder::Documents), gbkHome + "/Documents");
  EXPECT_EQ(SpecialFolderPath(SpecialFolder::Fonts), gbkHome + "/.local/share/fonts");

  std::ofstream(home + "/.config/user-dirs.dirs")
      << "# written by xdg-user-dirs-update\n"
      << "XDG_DESKTOP_DIR=\"$HOME/桌面/\"\n"
      << "XDG_DOCUMENTS_DIR=\"relative/ignored\"\n"
      << "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n";
  EXPECT_EQ(SpecialFolderPath(SpecialFolder::Desktop), gbkHome + common::Utf8ToGbk("/桌面"));
  EXPECT_EQ(SpecialFolderPath(SpecialFolder::Documents), gbkHome + "/Documents");

  // An absolute value, in a configuration folder of its own; "$HOME" alone is home.
  std::filesystem::create_directories(dir.path() / "conf");
  ScopedEnv ownConfig("XDG_CONFIG_HOME", dir.file("conf"));
  std::ofstream(dir.file("conf/user-dirs.dirs"))
      << "XDG_DOCUMENTS_DIR=\"/srv/docs\"\nXDG_DESKTOP_DIR=\"$HOME\"\n";
  EXPECT_EQ(SpecialFolderPath(SpecialFolder::Documents), "/srv/docs");
  EXPECT_EQ(SpecialFolderPath(SpecialFolder::Desktop), gbkHome);
}

}  // namespace
}  // namespace platform
