// The installed tool and the Debian packages: the build installed under a
// staging prefix (/usr below DESTDIR) and run from there read-only, the two
// .deb files CPack makes, and the desktop entry and project-file type they
// carry.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::RunCommand;
using testsupport::ShellQuote;
using testsupport::TempDir;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// Every entry under a folder, one line each: path, type, mode, size, time.
std::string Listing(const fs::path& root) {
  std::vector<std::string> lines;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    std::ostringstream line;
    line << fs::relative(e.path(), root).string() << ' ' << static_cast<int>(e.symlink_status().type()) << ' '
         << std::oct << static_cast<unsigned>(e.symlink_status().permissions()) << std::dec << ' '
         << (e.is_regular_file() ? e.file_size() : 0) << ' '
         << e.last_write_time().time_since_epoch().count();
    lines.push_back(line.str());
  }
  std::sort(lines.begin(), lines.end());
  std::string all;
  for (const auto& l : lines) all += l + "\n";
  return all;
}

// The regular files (not folders) a package holds, as "/usr/...".
std::set<std::string> PackageFiles(const std::string& deb) {
  std::set<std::string> files;
  std::istringstream in(RunCommand("dpkg-deb --contents " + ShellQuote(deb)).output);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] != '-') continue;
    size_t dot = line.find(" ./");
    if (dot != std::string::npos) files.insert(line.substr(dot + 2));
  }
  return files;
}

// "Field: value" lines of `dpkg-deb --info`.
std::map<std::string, std::string> PackageFields(const std::string& deb) {
  std::map<std::string, std::string> fields;
  std::istringstream in(RunCommand("dpkg-deb --info " + ShellQuote(deb)).output);
  for (std::string line; std::getline(in, line);) {
    size_t colon = line.find(": ");
    if (line.size() > 1 && line[0] == ' ' && line[1] != ' ' && colon != std::string::npos) {
      fields[line.substr(1, colon - 1)] = line.substr(colon + 2);
    }
  }
  return fields;
}

class PackagingTest : public ::testing::Test {
 protected:
  // One installation and one package build for the whole suite.
  static void SetUpTestSuite() {
    work_ = std::make_unique<TempDir>("packaging-test-");
    const std::string build = Env("UPGRADE_BUILD_DIR");
    installExit_ = RunCommand("DESTDIR=" + ShellQuote(Stage().string()) + " cmake --install " + ShellQuote(build) +
                              " --prefix /usr >/dev/null")
                       .exitCode;
    cpackExit_ = RunCommand("cpack -G DEB --config " + ShellQuote(build + "/CPackConfig.cmake") + " -B " +
                            ShellQuote(work_->file("debs")) + " >/dev/null")
                     .exitCode;
    arch_ = RunCommand("dpkg --print-architecture").output;
    while (!arch_.empty() && arch_.back() == '\n') arch_.pop_back();
  }
  static void TearDownTestSuite() {
    RunCommand("chmod -R u+w " + ShellQuote(work_->path().string()));
    work_.reset();
  }

  static fs::path Stage() { return work_->path() / "stage"; }
  static fs::path Prefix() { return Stage() / "usr"; }
  static std::string Deb(const std::string& name) {
    return work_->file("debs/" + name + "_" + Env("UPGRADE_VERSION") + "_" + arch_ + ".deb");
  }

  static std::unique_ptr<TempDir> work_;
  static int installExit_;
  static int cpackExit_;
  static std::string arch_;
};

std::unique_ptr<TempDir> PackagingTest::work_;
int PackagingTest::installExit_ = -1;
int PackagingTest::cpackExit_ = -1;
std::string PackagingTest::arch_;

TEST_F(PackagingTest, InstalledToolRunsFromAReadOnlyPrefixAndWritesOnlyUnderItsDataHome) {
  ASSERT_EQ(installExit_, 0) << "cmake --install into the staging folder failed";
  const fs::path tool = Prefix() / "bin/quillmate";
  ASSERT_TRUE(fs::exists(tool));
  TempDir user("packaging-user-");
  // A project with a server location and one file item, packed output.
  const std::string project = user.write("projects/demo/demo.epj",
                                         "[system]\r\nurls=url0=http://127.0.0.1:9/s.ini\r\ncloselog=0\r\n"
                                         "[project]\r\nlocal_cfgout=1\r\n"
                                         "[file0]\r\nurls=url0=http://127.0.0.1:9/app/readme.txt\r\n"
                                         "path=app\\\r\nlocal_ver=1.0.0\r\nfile_ver=1.1.0\r\n");

  // Root ignores the missing write bits: the listing is what proves it.
  ASSERT_EQ(RunCommand("chmod -R a-w " + ShellQuote(Stage().string())).exitCode, 0);
  const std::string before = Listing(Stage());
  const std::string env = "cd " + ShellQuote(user.file("projects")) + " && HOME=" + ShellQuote(user.file("home")) +
                          " XDG_DATA_HOME=" + ShellQuote(user.file("data")) + " QT_QPA_PLATFORM=offscreen ";

  // Opened from the file manager: the tool starts on the project and stays up.
  EXPECT_EQ(RunCommand(env + "timeout 2 " + ShellQuote(tool.string()) + " " + ShellQuote(project) + " >&2").exitCode,
            124)
      << "the installed tool did not keep running on a project";

  // A headless generation reads the packaged client from the installed data.
  // (A tool without --help takes it for a project and keeps its window up.)
  const std::string help = RunCommand(env + "timeout 5 " + ShellQuote(tool.string()) + " --help 2>&1").output;
  if (help.find("--generate") == std::string::npos) {
    ADD_FAILURE() << "quillmate --help does not list --generate, so the installed tool cannot generate a "
                     "package headlessly; --help said:\n"
                  << help;
  } else {
    const auto run = RunCommand(env + "timeout 60 " + ShellQuote(tool.string()) + " --generate " + ShellQuote(project) +
                                " --output " + ShellQuote(user.file("out")));
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("完成创建！"), std::string::npos) << run.output;
    // Compared, not printed: they are programs.
    EXPECT_TRUE(TempDir::read(user.file("out/update")) == TempDir::read(Prefix() / "lib/quillmate/updateApp/update"))
        << "the generated package does not hold the installed client";
    EXPECT_TRUE(fs::exists(user.file("out/update.bin")));
    // The built-in skin's banners come from the installed pics/.
    const std::string skin = RunCommand("unzip -l " + ShellQuote(user.file("out/ui.bin"))).output;
    EXPECT_NE(skin.find("res\\top.bmp"), std::string::npos) << skin;
  }

  EXPECT_EQ(Listing(Stage()), before) << "something was written under the installed prefix";
  RunCommand("chmod -R u+w " + ShellQuote(Stage().string()));
}

TEST_F(PackagingTest, PackagesHoldTheToolWithItsClientAndTheClientAlone) {
  ASSERT_EQ(cpackExit_, 0) << "cpack -G DEB failed";
  const std::string hicolor = "/usr/share/icons/hicolor/";
  struct Case {
    std::string name, section;
    std::vector<std::string> depends;  // among the libraries dpkg-shlibdeps found
    std::set<std::string> files;
    std::vector<std::string> programs;  // must be stripped
  };
  const std::vector<Case> cases = {
      {"quillmate",
       "devel",
       {"libqt6widgets6", "libcurl4", "libzip4", "libjpeg62-turbo", "libgif7"},
       {"/usr/bin/quillmate", "/usr/lib/quillmate/updateApp/update", "/usr/lib/quillmate/pics/top.bmp",
        "/usr/lib/quillmate/pics/bottom.bmp", "/usr/lib/quillmate/umb/qingshan.umb",
        "/usr/share/applications/quillmate.desktop", "/usr/share/mime/packages/quillmate.xml",
        hicolor + "scalable/apps/quillmate.svg", hicolor + "16x16/apps/quillmate.png",
        hicolor + "24x24/apps/quillmate.png", hicolor + "32x32/apps/quillmate.png",
        hicolor + "48x48/apps/quillmate.png", hicolor + "64x64/apps/quillmate.png",
        hicolor + "128x128/apps/quillmate.png", hicolor + "256x256/apps/quillmate.png"},
       {"/usr/bin/quillmate", "/usr/lib/quillmate/updateApp/update"}},
      {"upgrade", "utils", {"libqt6widgets6", "libcurl4", "libzip4"}, {"/usr/bin/upgrade"}, {"/usr/bin/upgrade"}},
  };
  TempDir unpacked("packaging-deb-");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string deb = Deb(c.name);
    ASSERT_TRUE(fs::exists(deb)) << deb;
    auto fields = PackageFields(deb);
    EXPECT_EQ(fields["Package"], c.name);
    EXPECT_EQ(fields["Version"], Env("UPGRADE_VERSION"));
    EXPECT_EQ(fields["Section"], c.section);
    EXPECT_EQ(fields["Architecture"], arch_);
    EXPECT_FALSE(fields["Description"].empty());
    for (const std::string& lib : c.depends) {
      EXPECT_NE(fields["Depends"].find(lib + " ("), std::string::npos) << lib << " missing in " << fields["Depends"];
    }
    // Exactly these files: the two packages install side by side.
    EXPECT_EQ(PackageFiles(deb), c.files);

    const fs::path root = unpacked.path() / c.name;
    ASSERT_EQ(RunCommand("dpkg-deb -x " + ShellQuote(deb) + " " + ShellQuote(root.string())).exitCode, 0);
    for (const std::string& program : c.programs) {
      const std::string kind = RunCommand("file -b " + ShellQuote((root.string() + program))).output;
      EXPECT_NE(kind.find("ELF"), std::string::npos) << program << ": " << kind;
      EXPECT_NE(kind.find(", stripped"), std::string::npos) << program << ": " << kind;
    }
  }
  // The tool packages the very client the other package ships.
  EXPECT_TRUE(TempDir::read(unpacked.path() / "quillmate/usr/lib/quillmate/updateApp/update") ==
              TempDir::read(unpacked.path() / "upgrade/usr/bin/upgrade"))
      << "updateApp/update differs from the upgrade package's program";
}

TEST_F(PackagingTest, DesktopEntryOpensProjectFilesWithTheInstalledToolAndIcon) {
  ASSERT_EQ(installExit_, 0);
  const fs::path share = Prefix() / "share";
  const std::string entry = (share / "applications/quillmate.desktop").string();
  const auto check = RunCommand("desktop-file-validate " + ShellQuote(entry) + " 2>&1");
  EXPECT_EQ(check.exitCode, 0) << check.output;
  EXPECT_EQ(check.output, "");

  const std::string text = TempDir::read(entry);
  EXPECT_NE(text.find("\nExec=quillmate %f\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nMimeType=application/x-quillmate-project;\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nIcon=quillmate\n"), std::string::npos) << text;
  EXPECT_TRUE(fs::exists(Prefix() / "bin/quillmate"));

  // The shared MIME database built from the installed type maps *.epj to it.
  TempDir mime("packaging-mime-");
  fs::create_directories(mime.path() / "packages");
  fs::copy_file(share / "mime/packages/quillmate.xml", mime.path() / "packages/quillmate.xml");
  ASSERT_EQ(RunCommand("update-mime-database " + ShellQuote(mime.path().string()) + " 2>/dev/null").exitCode, 0);
  EXPECT_NE(TempDir::read(mime.path() / "globs2").find("application/x-quillmate-project:*.epj\n"),
            std::string::npos);

  // Each PNG has the size of the folder it is installed in.
  int pngs = 0;
  for (const auto& e : fs::directory_iterator(share / "icons/hicolor")) {
    const fs::path png = e.path() / "apps/quillmate.png";
    if (!fs::exists(png)) continue;
    ++pngs;
    const std::string bytes = TempDir::read(png);
    ASSERT_GE(bytes.size(), 24u);
    auto be32 = [&](size_t at) {
      return (static_cast<unsigned char>(bytes[at]) << 24) | (static_cast<unsigned char>(bytes[at + 1]) << 16) |
             (static_cast<unsigned char>(bytes[at + 2]) << 8) | static_cast<unsigned char>(bytes[at + 3]);
    };
    const std::string folder = e.path().filename().string();
    EXPECT_EQ(folder, std::to_string(be32(16)) + "x" + std::to_string(be32(20))) << png;
    EXPECT_EQ(bytes.substr(12, 4), "IHDR");
  }
  EXPECT_EQ(pngs, 7);
}

}  // namespace
