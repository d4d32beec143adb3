#include "client/install/update_worker.h"

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "client/install/install_paths.h"
#include "client/install/update_stage.h"
#include "codecs/zip_archive.h"
#include "platform/file_operations.h"
#include "tests/client/install/install_rig.h"
#include "tests/support/faulty_file_operations.h"
#include "tests/support/host_capture.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using install_test::InstallRig;
using install_test::PageRecorder;
using platform::FileOp;

std::string MakeZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& members) {
  codecs::ZipArchive zip;
  EXPECT_TRUE(zip.Open(path, codecs::ZipArchive::Mode::Create));
  for (const auto& [name, bytes] : members) EXPECT_TRUE(zip.AddFromMemory(name, bytes));
  EXPECT_TRUE(zip.Commit());
  return InstallRig::Read(path);
}

uint32_t ModeOf(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

// Everything the run may leave behind besides the installed files.
std::vector<std::string> Leftovers(const std::string& folder) {
  std::vector<std::string> found;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (name.ends_with(".ebk") || name.ends_with(".journal") || name.find(".~upgrade") != std::string::npos) {
      found.push_back(e.path().string());
    }
  }
  return found;
}

transfer::UpdateTimings Quick() {
  transfer::UpdateTimings t;
  t.settle = std::chrono::milliseconds(0);
  return t;
}

void RunWorker(InstallRig& rig, PageRecorder& page, platform::FileOperations& ops) {
  transfer::UpdateWorker worker(transfer::InstallEnv{rig.Run(), page, ops, "T"}, Quick());
  worker.Run();
}

bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 200 && !fs::exists(path); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return fs::exists(path);
}

TEST(InstallFolder, RelativeAbsoluteAndEmptyItemPaths) {
  struct Case {
    const char* path;
    const char* sub;
    const char* folder;
  } cases[] = {
      {"", "", "/opt/app/"},
      {"  ", "lib", "/opt/app/lib/"},
      {"sub\\bin\\", "", "/opt/app/sub/bin/"},
      {"\\srv\\bin", "x\\y", "/srv/bin/x/y/"},  // "{appdriver}\srv\bin": from the root
      {"/srv/data", "", "/srv/data/"},
      {"D:\\Data\\", "", "D:/Data/"},
      {"data/", "a/b", "/opt/app/data/a/b/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(transfer::InstallFolderOf(c.path, "/opt/app/", c.sub), c.folder) << c.path << " + " << c.sub;
  }
}

// A file item, a ZIP item with uncompress, a dir item with a sub-folder and
// a file item with modify_ver off: every file replaced or added, the
// versions in the archive the run read, nothing left behind, code 1 sent.
TEST(UpdateWorker, FullInstallReplacesFilesAndRecordsVersions) {
  testsupport::TempDir dir;
  InstallRig rig(dir.path().string());
  const std::string app = rig.AppFolder();
  rig.WriteArchive("[file0]\r\nver=1.0\r\n[file1]\r\nver=1.0\r\n[file2]\r\nver=1.0\r\n[dir0]\r\nver=1.0\r\n");
  InstallRig::Write(app + "bin/tool.sh", "#!/bin/sh\necho old\n");
  fs::permissions(app + "bin/tool.sh", static_cast<fs::perms>(0750));
  InstallRig::Write(app + "data/old.txt", "old data");
  InstallRig::Write(app + "a.txt", "old a");

  rig.File(0).path = "bin\\";
  rig.AddFileDownload(0, "tool.sh", "#!/bin/sh\necho new\n");
  rig.File(1).path = "data";
  rig.File(1).uncompress = 1;
  const std::string zipBytes = MakeZip(dir.file("pack.zip"), {{"old.txt", "new data"}, {"new.txt", "added"},
                                                              {"sub\\deep.txt", "deep"}});
  rig.AddFileDownload(1, "pack.zip", zipBytes);
  rig.AddFileDownload(2, "notes.txt", "notes v2");
  rig.File(2).modifyVer = 0;
  rig.AddDirDownload(0, "", "a.txt", "new a");
  rig.AddDirDownload(0, "lib", "b.txt", "new b");
  for (int n : {0, 1}) rig.File(n).modifyVer = 1;
  rig.Dir(0).modifyVer = 1;
  for (int n : {0, 1, 2}) rig.File(n).serverVersion = "1.1";
  rig.Dir(0).serverVersion = "1.1";
  testsupport::HostCapture host;
  rig.Host().SetHostWindow(host.endpoint());

  PageRecorder page(&rig.Run());
  platform::RealFileOperations ops;
  RunWorker(rig, page, ops);

  EXPECT_EQ(page.finished, 1);
  EXPECT_EQ(page.ended, -1);
  EXPECT_FALSE(page.waitedForUser);  // automatic session
  EXPECT_EQ(InstallRig::Read(app + "bin/tool.sh"), "#!/bin/sh\necho new\n");
  EXPECT_EQ(ModeOf(app + "bin/tool.sh"), 0750u);  // a replaced file keeps its mode
  EXPECT_EQ(InstallRig::Read(app + "data/old.txt"), "new data");
  EXPECT_EQ(InstallRig::Read(app + "data/new.txt"), "added");
  EXPECT_EQ(InstallRig::Read(app + "data/sub/deep.txt"), "deep");
  EXPECT_FALSE(fs::exists(app + "data/pack.zip"));  // the archive itself goes
  EXPECT_EQ(InstallRig::Read(app + "notes.txt"), "notes v2");
  EXPECT_EQ(InstallRig::Read(app + "a.txt"), "new a");
  EXPECT_EQ(InstallRig::Read(app + "lib/b.txt"), "new b");
  EXPECT_TRUE(Leftovers(dir.path().string()).empty()) << Leftovers(dir.path().string()).front();
  EXPECT_FALSE(fs::exists(app + "data/.~upgrade-unzip"));

  EXPECT_EQ(rig.ArchivedVersion("file0"), "1.1");
  EXPECT_EQ(rig.ArchivedVersion("file1"), "1.1");
  EXPECT_EQ(rig.ArchivedVersion("file2"), "1.0");
  EXPECT_EQ(rig.ArchivedVersion("dir0"), "1.1");
  EXPECT_TRUE(rig.Logged("将[file0]项中ver的值置为1.1"));
  EXPECT_TRUE(rig.Logged("[file2]项中ver的值不修改"));
  EXPECT_TRUE(rig.Logged("将文件：" + app + "a.txt 备份为 " + app + "a.txt.ebk"));
  EXPECT_TRUE(rig.Logged("将文件：" + app + "data/old.txt备份为" + app + "data/old.txt.ebk"));
  EXPECT_TRUE(rig.Logged("备份文件：" + app + "data/old.txt.ebk删除成功！"));
  EXPECT_TRUE(rig.Logged("发“升级成功”消息(1)通知宿主程序。"));
  EXPECT_TRUE(page.Said("更新完成！"));
  EXPECT_TRUE(rig.Run().UpdateSucceeded());

  // The bar: backups of file items at their slot, dir items at 20 + slot,
  // installs at 30 + slot and 50 + slot, 60 for the configuration.
  EXPECT_EQ(page.barMaximum, 60);
  EXPECT_EQ(page.bar, (std::vector<int>{0, 1, 2, 20, 30, 31, 32, 50, 60}));
  ASSERT_TRUE(host.WaitFor(1));
  EXPECT_EQ(host.messages().back().message, 2023);
  EXPECT_EQ(host.messages().back().wParam, 1);
}

// An install failing half way (a copy failure injected) rolls back every
// file: replaced ones come back, the ones a ZIP extraction overwrote too,
// files that did not exist are deleted; the versions stay; the stage end
// after the failure runs run_udafterf and keeps the downloads.
TEST(UpdateWorker, FailureHalfWayRollsEverythingBack) {
  testsupport::TempDir dir;
  InstallRig rig(dir.path().string());
  const std::string app = rig.AppFolder();
  rig.WriteArchive("[file0]\r\nver=1.0\r\n[dir0]\r\nver=1.0\r\n");
  InstallRig::Write(app + "x.txt", "old x");
  InstallRig::Write(app + "data/old.txt", "old data");
  rig.AddFileDownload(0, "x.txt", "new x");
  rig.File(1).path = "data";
  rig.File(1).uncompress = 1;
  rig.AddFileDownload(1, "pack.zip", MakeZip(dir.file("pack.zip"), {{"old.txt", "new data"}, {"new.txt", "added"}}));
  rig.AddDirDownload(0, "", "fresh.txt", "fresh");
  rig.AddDirDownload(0, "", "later.txt", "later");
  for (int n : {0, 1}) rig.File(n).modifyVer = 1, rig.File(n).serverVersion = "2.0";
  rig.Dir(0).modifyVer = 1;
  rig.Dir(0).serverVersion = "2.0";
  const std::string marker = dir.file("udafterf.ran");
  InstallRig::Write(dir.file("after_fail.sh"), "#!/bin/sh\necho ran > " + marker + "\n");
  fs::permissions(dir.file("after_fail.sh"), static_cast<fs::perms>(0755));
  rig.System().runUdafterf = dir.file("after_fail.sh");

  platform::RealFileOperations real;
  testsupport::FaultyFileOperations ops(real);
  ops.FailPath(FileOp::kCopy, "later.txt");
  PageRecorder page(&rig.Run());
  RunWorker(rig, page, ops);

  EXPECT_EQ(page.ended, 0);
  EXPECT_EQ(page.finished, -1);
  EXPECT_EQ(page.notices, std::vector<std::string>{common::Gbk("文件：" + app + "later.txt更新失败！")});
  EXPECT_EQ(InstallRig::Read(app + "x.txt"), "old x");
  EXPECT_EQ(InstallRig::Read(app + "data/old.txt"), "old data");
  EXPECT_FALSE(fs::exists(app + "data/new.txt"));
  EXPECT_FALSE(fs::exists(app + "fresh.txt"));
  EXPECT_FALSE(fs::exists(app + "later.txt"));
  EXPECT_TRUE(Leftovers(dir.path().string()).empty()) << Leftovers(dir.path().string()).front();
  EXPECT_EQ(rig.ArchivedVersion("file0"), "1.0");
  EXPECT_TRUE(rig.Logged("新文件：" + app + "fresh.txt删除成功！"));
  EXPECT_TRUE(rig.Logged("文件：" + app + "data/old.txt恢复成功！"));
  EXPECT_TRUE(page.Said("正在恢复更新前状态！"));
  EXPECT_FALSE(rig.Run().UpdateSucceeded());

  transfer::UpdateStage stage(rig.Run(), "T", &ops);
  stage.End(page, 0);
  EXPECT_TRUE(WaitForFile(marker));
  EXPECT_TRUE(page.Said("更新完成后执行指定程序：" + dir.file("after_fail.sh")));
  EXPECT_TRUE(page.Said("更新结束"));
  EXPECT_TRUE(fs::exists(rig.WorkFolder() + "dir0/later.txt"));  // downloads stay after a failure
}

// A backup that cannot be put back is the only copy of the old file: it is
// kept, logged and named to the user, never deleted with the others.
TEST(UpdateWorker, BackupWhoseRestoreFailsIsKeptAndReported) {
  testsupport::TempDir dir;
  InstallRig rig(dir.path().string());
  const std::string app = rig.AppFolder();
  rig.WriteArchive("[dir0]\r\nver=1.0\r\n");
  InstallRig::Write(app + "keep.txt", "old keep");
  InstallRig::Write(app + "other.txt", "old other");
  rig.AddDirDownload(0, "", "keep.txt", "new keep");
  rig.AddDirDownload(0, "", "other.txt", "new other");
  rig.AddDirDownload(0, "", "boom.txt", "boom");
  platform::RealFileOperations real;
  testsupport::FaultyFileOperations ops(real);
  ops.FailPath(FileOp::kCopy, "boom.txt");
  PageRecorder page(&rig.Run());
  page.onNotice = [&](const std::string&) {
    // From the failure on, nothing may be written over keep.txt.
    ops.FailPath(FileOp::kLink, "keep.txt");
    ops.FailPath(FileOp::kCopy, "keep.txt");
    ops.FailPath(FileOp::kRename, "keep.txt");
  };
  RunWorker(rig, page, ops);

  EXPECT_EQ(page.ended, 0);
  EXPECT_EQ(InstallRig::Read(app + "other.txt"), "old other");
  EXPECT_FALSE(fs::exists(app + "other.txt.ebk"));
  EXPECT_EQ(InstallRig::Read(app + "keep.txt.ebk"), "old keep");
  EXPECT_TRUE(rig.Logged("文件：" + app + "keep.txt恢复失败！"));
  EXPECT_TRUE(rig.Logged("备份文件：" + app + "keep.txt.ebk保留（旧文件的唯一副本）！"));
  ASSERT_EQ(page.notices.size(), 2u);
  EXPECT_EQ(page.notices[1], common::Gbk("文件：" + app + "keep.txt恢复失败！旧文件保存在" + app + "keep.txt.ebk"));
}

// A backup that fails stops the stage before anything is replaced; a file
// that cannot be opened for writing stops it with the "读写违例" text.
TEST(UpdateWorker, BackupFailuresStopBeforeAnyFileIsReplaced) {
  for (FileOp failing : {FileOp::kLink, FileOp::kOpenReadWrite}) {
    testsupport::TempDir dir;
    InstallRig rig(dir.path().string());
    const std::string app = rig.AppFolder();
    rig.WriteArchive("[dir0]\r\nver=1.0\r\n");
    InstallRig::Write(app + "a.txt", "old a");
    InstallRig::Write(app + "b.txt", "old b");
    rig.AddDirDownload(0, "", "a.txt", "new a");
    rig.AddDirDownload(0, "", "b.txt", "new b");
    platform::RealFileOperations real;
    testsupport::FaultyFileOperations ops(real);
    ops.FailPath(failing, "b.txt");
    if (failing == FileOp::kLink) ops.FailPath(FileOp::kCopy, "b.txt");  // no copy fallback either
    PageRecorder page(&rig.Run());
    RunWorker(rig, page, ops);
    EXPECT_EQ(page.ended, 0);
    EXPECT_EQ(InstallRig::Read(app + "a.txt"), "old a");
    EXPECT_EQ(InstallRig::Read(app + "b.txt"), "old b");
    EXPECT_TRUE(Leftovers(dir.path().string()).empty());
    const std::string text = failing == FileOp::kLink ? "备份失败！" : "读写违例！";
    EXPECT_EQ(page.notices, std::vector<std::string>{common::Gbk("文件：" + app + "b.txt" + text)});
  }
}

// New files that are programs get the run bits, so runme can start a
// freshly installed script; manual sessions wait for "完成(&O)"; the stage
// end after success removes the work folder and runs runme with its
// parameters, then run_udafters.
TEST(UpdateWorker, NewScriptRunsThroughRunmeAfterAManualFinish) {
  testsupport::TempDir dir;
  InstallRig rig(dir.path().string());
  const std::string app = rig.AppFolder();
  rig.WriteArchive("[file0]\r\nver=1.0\r\n");
  const std::string marker = dir.file("runme.out");
  rig.AddFileDownload(0, "start.sh", "#!/bin/sh\necho \"$1 $2\" > " + marker + "\n");
  rig.AddFileDownload(1, "plain.txt", "just text");
  rig.File(0).runme = 1;
  rig.File(0).runmePause = 1;
  rig.File(0).runmeParam = "one two";
  rig.SetOpMode(0);
  PageRecorder page(&rig.Run());
  platform::RealFileOperations ops;
  RunWorker(rig, page, ops);
  EXPECT_EQ(page.finished, 1);
  EXPECT_TRUE(page.waitedForUser);
  EXPECT_NE(ModeOf(app + "start.sh") & 0100, 0u);
  EXPECT_EQ(ModeOf(app + "plain.txt") & 0111, 0u);
  EXPECT_EQ(rig.Run().FileWork(0).runmePath, app + "start.sh");

  transfer::UpdateStage stage(rig.Run(), "T", &ops);
  stage.End(page, 1);  // what "完成(&O)" does with the success flag
  EXPECT_EQ(InstallRig::Read(marker), "one two\n");
  EXPECT_TRUE(rig.Logged("执行本文件：" + app + "start.sh"));
  EXPECT_TRUE(page.Said("删除临时文件！"));
  EXPECT_FALSE(fs::exists(rig.WorkFolder()));
  EXPECT_TRUE(page.Said("更新完成后执行指定程序（没指定）。"));
  EXPECT_TRUE(rig.Run().FileWork(0).runmePath.empty());
}

}  // namespace
