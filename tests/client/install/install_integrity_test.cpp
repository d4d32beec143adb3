// The installation against what it must never do: lose an empty file or a
// link on rollback, take a mode or a link from an archive or a server, or
// follow a link in the application folder to somewhere else.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "client/install/update_worker.h"
#include "common/gbk.h"
#include "platform/file_operations.h"
#include "tests/client/install/install_rig.h"
#include "tests/support/faulty_file_operations.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_peer.h"

namespace {

namespace fs = std::filesystem;
using install_test::InstallRig;
using install_test::PageRecorder;
using platform::FileOp;

uint32_t ModeOf(const std::string& path) {
  struct stat st {};
  lstat(path.c_str(), &st);
  return st.st_mode & 07777;
}

void RunWorker(InstallRig& rig, PageRecorder& page, platform::FileOperations& ops) {
  transfer::UpdateTimings quick;
  quick.settle = std::chrono::milliseconds(0);
  transfer::UpdateWorker worker(transfer::InstallEnv{rig.Run(), page, ops, "T"}, quick);
  worker.Run();
}

bool Logged(const InstallRig& rig, const std::string& utf8) {
  return InstallRig::Read(rig.LogPath()).find(common::Gbk(utf8)) != std::string::npos;
}

struct Member {
  std::string name;
  std::string mode;  // octal, type bits included
  std::string bytes;
};

// An archive written by Python's zipfile with Unix modes stored.
std::string ZipWithModes(const std::string& path, const std::vector<Member>& members) {
  std::string cmd = testsupport::ZipToolCommand() + " write-modes " + testsupport::ShellQuote(path);
  for (const Member& m : members) cmd += " " + testsupport::Hex(m.name) + ":" + m.mode + "=" + testsupport::Hex(m.bytes);
  EXPECT_EQ(testsupport::RunCommand(cmd).exitCode, 0);
  return InstallRig::Read(path);
}

// An empty file and a relative link are replaced, then the run fails: both
// come back exactly as they were (the link as a link), no backup is left.
TEST(InstallIntegrity, EmptyFileAndLinkAreBackedUpAndRestoredExactly) {
  testsupport::TempDir dir;
  InstallRig rig(dir.path().string());
  const std::string app = rig.AppFolder();
  InstallRig::Write(app + "empty.txt", "");
  InstallRig::Write(app + "real.txt", "real");
  fs::create_symlink("real.txt", app + "link.txt");
  rig.AddDirDownload(0, "", "empty.txt", "now full");
  rig.AddDirDownload(0, "", "link.txt", "now a file");
  rig.AddDirDownload(0, "", "z.txt", "fails");
  platform::RealFileOperations real;
  testsupport::FaultyFileOperations ops(real);
  ops.FailPath(FileOp::kCopy, "z.txt");
  PageRecorder page(&rig.Run());
  RunWorker(rig, page, ops);

  EXPECT_EQ(page.ended, 0);
  ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(app + "empty.txt")));
  EXPECT_EQ(InstallRig::Read(app + "empty.txt"), "");
  ASSERT_TRUE(fs::is_symlink(fs::symlink_status(app + "link.txt")));
  EXPECT_EQ(fs::read_symlink(app + "link.txt"), "real.txt");
  EXPECT_EQ(InstallRig::Read(app + "real.txt"), "real");
  EXPECT_FALSE(fs::exists(fs::symlink_status(app + "empty.txt.ebk")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(app + "link.txt.ebk")));
}

// Modes come from neither the archive nor the download: a new file is 0644,
// a new program 0755, a replaced file keeps its mode; a link member is
// refused and logged, whatever it points at.
TEST(InstallIntegrity, ArchiveAndDownloadModesAndLinkMembersAreNeverTaken) {
  testsupport::TempDir dir;
  InstallRig rig(dir.path().string());
  const std::string app = rig.AppFolder();
  InstallRig::Write(app + "kept.txt", "old");
  fs::permissions(app + "kept.txt", static_cast<fs::perms>(0600));
  rig.File(0).uncompress = 1;
  rig.AddFileDownload(0, "pack.zip",
                      ZipWithModes(dir.file("pack.zip"), {{"world.txt", "100777", "w"},
                                                          {"shared.txt", "100666", "s"},
                                                          {"setuid", "104755", "#!/bin/sh\necho x\n"},
                                                          {"script", "100644", "#!/bin/sh\necho y\n"},
                                                          {"kept.txt", "100777", "new"},
                                                          {"link", "120777", "/etc/passwd"}}));
  rig.AddFileDownload(1, "served.txt", "served");
  fs::permissions(rig.WorkFolder() + "file1/served.txt", static_cast<fs::perms>(0666));
  rig.AddFileDownload(2, "served.sh", "#!/bin/sh\n");
  fs::permissions(rig.WorkFolder() + "file2/served.sh", static_cast<fs::perms>(06777));
  platform::RealFileOperations ops;
  PageRecorder page(&rig.Run());
  RunWorker(rig, page, ops);

  ASSERT_EQ(page.finished, 1);
  const std::pair<const char*, uint32_t> modes[] = {
      {"world.txt", 0644}, {"shared.txt", 0644}, {"setuid", 0755}, {"script", 0755},
      {"kept.txt", 0600},  {"served.txt", 0644}, {"served.sh", 0755},
  };
  for (const auto& [name, mode] : modes) EXPECT_EQ(ModeOf(app + name), mode) << name;
  EXPECT_EQ(InstallRig::Read(app + "kept.txt"), "new");
  EXPECT_FALSE(fs::exists(fs::symlink_status(app + "link")));
  EXPECT_TRUE(Logged(rig, "拒绝压缩包中的链接：link"));
}

// A link in the application folder that leads out of it carries no file
// there: neither an item path through it nor an archive member under it.
// Nothing outside changes and the run fails before anything is replaced.
TEST(InstallIntegrity, LinksOutOfTheApplicationFolderAreNotFollowed) {
  for (bool throughArchive : {false, true}) {
    testsupport::TempDir dir;
    InstallRig rig(dir.path().string());
    const std::string app = rig.AppFolder();
    const std::string outside = dir.file("outside");
    fs::create_directories(outside);
    fs::create_directory_symlink(outside, app + "plugins");
    InstallRig::Write(app + "a.txt", "old a");
    rig.AddFileDownload(0, "a.txt", "new a");
    if (throughArchive) {
      rig.File(1).uncompress = 1;
      rig.AddFileDownload(1, "pack.zip", ZipWithModes(dir.file("pack.zip"), {{"ok.txt", "100644", "ok"},
                                                                             {"plugins/evil.so", "100644", "x"}}));
    } else {
      rig.File(1).path = "plugins\\sub";
      rig.AddFileDownload(1, "evil.so", "x");
    }
    platform::RealFileOperations ops;
    PageRecorder page(&rig.Run());
    RunWorker(rig, page, ops);

    EXPECT_EQ(page.ended, 0) << throughArchive;
    EXPECT_TRUE(fs::is_empty(outside)) << throughArchive;
    EXPECT_EQ(InstallRig::Read(app + "a.txt"), "old a") << throughArchive;
    EXPECT_FALSE(fs::exists(app + "ok.txt")) << throughArchive;
  }
  // A link that stays inside the folder is fine.
  testsupport::TempDir dir;
  InstallRig rig(dir.path().string());
  fs::create_directories(rig.AppFolder() + "real");
  fs::create_directory_symlink("real", rig.AppFolder() + "alias");
  rig.File(0).path = "alias";
  rig.AddFileDownload(0, "in.txt", "in");
  platform::RealFileOperations ops;
  PageRecorder page(&rig.Run());
  RunWorker(rig, page, ops);
  EXPECT_EQ(page.finished, 1);
  EXPECT_EQ(InstallRig::Read(rig.AppFolder() + "real/in.txt"), "in");
}

}  // namespace
