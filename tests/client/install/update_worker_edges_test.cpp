// The installation's less travelled paths through the real worker: where
// an item path that starts at the root goes, an archive whose extraction
// stops half way, a configuration archive that cannot be rewritten, the
// run_udbefore hook's place, and the closing boxes (end_win1 / end_win2).

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "client/install/update_stage.h"
#include "client/install/update_worker.h"
#include "codecs/zip_archive.h"
#include "common/gbk.h"
#include "platform/file_operations.h"
#include "tests/support/faulty_file_operations.h"
#include "tests/client/install/install_rig.h"
#include "tests/support/host_capture.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using install_test::InstallRig;
using install_test::PageRecorder;
using platform::FileOp;

void RunWorker(InstallRig& rig, PageRecorder& page, platform::FileOperations& ops) {
  transfer::UpdateTimings timings;
  timings.settle = std::chrono::milliseconds(0);
  transfer::UpdateWorker worker(transfer::InstallEnv{rig.Run(), page, ops, "T"}, timings);
  worker.Run();
}

std::string ZipOf(const std::string& path, const std::vector<std::pair<std::string, std::string>>& members) {
  codecs::ZipArchive zip;
  EXPECT_TRUE(zip.Open(path, codecs::ZipArchive::Mode::Create));
  for (const auto& [name, bytes] : members) EXPECT_TRUE(zip.AddFromMemory(name, bytes));
  EXPECT_TRUE(zip.Commit());
  return InstallRig::Read(path);
}

std::vector<std::string> Utf8(const std::vector<std::string>& gbk) {
  std::vector<std::string> out;
  for (const std::string& s : gbk) out.push_back(common::GbkToUtf8(s));
  return out;
}

size_t IndexOf(const std::vector<std::string>& lines, const std::string& prefix) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind(prefix, 0) == 0) return i;
  }
  return lines.size();
}

// "{appdriver}\x\doc" is "\x\doc" once the empty drive macro is replaced:
// a folder from the root, as is "/x/doc"; only a path without a leading
// separator lies below the application folder.
TEST(UpdateWorkerEdges, ItemPathFromTheRootIsNotPutBelowTheApplicationFolder) {
  testsupport::TempDir dir;
  const std::string root = dir.path().string() + "/abs/doc";
  struct Case {
    std::string path;
    std::string folder;
  } cases[] = {
      {common::GbkReplaceChar(root, '/', '\\'), root + "/"},
      {root, root + "/"},
      {"abs\\doc", dir.path().string() + "/app/abs/doc/"},
  };
  for (const Case& c : cases) {
    fs::remove_all(dir.path() / "abs");
    fs::remove_all(dir.path() / "app");
    fs::remove_all(dir.path() / "work");
    InstallRig rig(dir.path().string());
    rig.WriteArchive("[file0]\r\nver=1.0\r\n");
    rig.File(0).path = c.path;
    rig.File(0).serverVersion = "1.1";
    rig.AddFileDownload(0, "readme.txt", "new");
    PageRecorder page(&rig.Run());
    platform::RealFileOperations ops;
    RunWorker(rig, page, ops);
    EXPECT_EQ(page.finished, 1) << c.path;
    EXPECT_EQ(InstallRig::Read(c.folder + "readme.txt"), "new") << c.path;
    // Nothing under a copy of the absolute path below the application folder.
    EXPECT_FALSE(fs::exists(rig.AppFolder() + dir.path().string().substr(1))) << c.path;
  }
}

// An archive whose extraction stops at its second entry: the entries already
// unpacked are removed, a file an earlier item replaced comes back, the
// archive itself is gone, and everything is undone once. A locked entry is
// named in its own notice before the archive's.
TEST(UpdateWorkerEdges, ExtractionStoppedHalfWayIsUndoneOnce) {
  struct Case {
    const char* what;
    FileOp op;
    const char* part;
    bool entryNotice;
  } cases[] = {
      {"locked entry", FileOp::kOpenReadWrite, "locked.txt", true},
      {"entry not put in place", FileOp::kRename, ".~upgrade-unzip/locked.txt", false},
  };
  for (const Case& c : cases) {
    testsupport::TempDir dir;
    InstallRig rig(dir.path().string());
    const std::string app = rig.AppFolder();
    rig.WriteArchive("[file0]\r\nver=1.0\r\n[file1]\r\nver=1.0\r\n");
    InstallRig::Write(app + "first.txt", "old first");
    InstallRig::Write(app + "locked.txt", "old locked");
    rig.AddFileDownload(0, "first.txt", "new first");
    rig.File(1).uncompress = 1;
    rig.AddFileDownload(1, "pack.zip",
                        ZipOf(dir.file("pack.zip"), {{"a.txt", "a"}, {"locked.txt", "new"}, {"c.txt", "c"}}));
    for (int n : {0, 1}) rig.File(n).serverVersion = "1.1";
    PageRecorder page(&rig.Run());
    platform::RealFileOperations real;
    testsupport::FaultyFileOperations ops(real);
    ops.FailPath(c.op, c.part, platform::FileError::kInUse);
    RunWorker(rig, page, ops);

    EXPECT_EQ(page.ended, 0) << c.what;
    std::vector<std::string> want;
    if (c.entryNotice) want.push_back("文件：" + app + "locked.txt读写违例！");
    want.push_back("文件：" + app + "pack.zip解压失败！");
    EXPECT_EQ(Utf8(page.notices), want) << c.what;
    EXPECT_EQ(InstallRig::Read(app + "first.txt"), "old first") << c.what;
    EXPECT_EQ(InstallRig::Read(app + "locked.txt"), "old locked") << c.what;
    for (const char* gone : {"a.txt", "c.txt", "pack.zip", "first.txt.ebk", "locked.txt.ebk"}) {
      EXPECT_FALSE(fs::exists(app + gone)) << c.what << ": " << gone;
    }
    const auto messages = Utf8(page.messages);
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "正在恢复更新前状态！"), 1) << c.what;
    EXPECT_TRUE(rig.Logged("解压失败！")) << c.what;
    EXPECT_EQ(rig.ArchivedVersion("file1"), "1.0") << c.what;
  }
}

// A configuration archive that cannot be rewritten (damaged since it was
// read): the files are in place, the log says so, and the update still
// counts as a success.
TEST(UpdateWorkerEdges, UnwritableConfigurationIsLoggedAndTheUpdateStillSucceeds) {
  testsupport::TempDir dir;
  InstallRig rig(dir.path().string());
  const std::string app = rig.AppFolder();
  rig.WriteArchive("[file0]\r\nver=1.0\r\n");
  rig.AddFileDownload(0, "a.txt", "new");
  rig.File(0).serverVersion = "1.1";
  testsupport::HostCapture host;
  rig.Host().SetHostWindow(host.endpoint());
  PageRecorder page(&rig.Run());  // reads client.dat
  InstallRig::Write(rig.ArchivePath(), "no longer an archive");
  platform::RealFileOperations ops;
  RunWorker(rig, page, ops);
  EXPECT_EQ(page.finished, 1);
  EXPECT_EQ(InstallRig::Read(app + "a.txt"), "new");
  EXPECT_TRUE(rig.Logged("本地配置文件（upgrade.bin）无法修改！"));
  EXPECT_TRUE(rig.Logged("发“升级成功”消息(1)通知宿主程序。"));
  ASSERT_TRUE(host.WaitFor(1));
  EXPECT_EQ(host.messages().back().wParam, 1);
}

// run_udbefore runs after the programs were closed and before the first
// backup; an empty one is logged as not given.
TEST(UpdateWorkerEdges, UdbeforeRunsAfterClosingAndBeforeBackups) {
  for (const std::string hook : {"/bin/true", ""}) {
    testsupport::TempDir dir;
    InstallRig rig(dir.path().string());
    rig.WriteArchive("[file0]\r\nver=1.0\r\n");
    InstallRig::Write(rig.AppFolder() + "a.txt", "old");
    rig.AddFileDownload(0, "a.txt", "new");
    rig.File(0).serverVersion = "1.1";
    rig.System().runUdbefore = hook;
    PageRecorder page(&rig.Run());
    platform::RealFileOperations ops;
    RunWorker(rig, page, ops);
    EXPECT_EQ(page.finished, 1);
    const auto log = rig.LogTexts();
    const size_t closing = IndexOf(log, "正在关闭相关的应用程序");
    const size_t ran = IndexOf(log, hook.empty() ? "更新前执行程序（没指定）。" : "更新前执行程序：" + hook);
    const size_t backup = IndexOf(log, "备份文件：");
    ASSERT_LT(backup, log.size()) << hook;
    EXPECT_LT(closing, ran) << hook;
    EXPECT_LT(ran, backup) << hook;
    if (!hook.empty()) {
      EXPECT_EQ(log[ran + 1], "执行完毕！");
    }
  }
}

// end_win1 after success: only in an automatic session that shows boxes;
// end_win2 after a failure: only where boxes show and not in a self-update.
TEST(UpdateWorkerEdges, ClosingBoxesFollowTheirSwitchesShowTypeAndMode) {
  struct Case {
    int showType;
    int opMode;
    int endWin;
    bool selfUpdate;
    bool end1;  // end_win1 shown after success
    bool end2;  // end_win2 shown after failure
  } cases[] = {
      {session::kShowNormal, 1, 1, false, true, true},   {session::kShowSemiSilent, 1, 1, false, true, true},
      {session::kShowSilent, 1, 1, false, false, false}, {session::kShowNormal, 0, 1, false, false, true},
      {session::kShowNormal, 1, 0, false, false, false}, {session::kShowNormal, 1, 1, true, true, false},
  };
  for (const Case& c : cases) {
    testsupport::TempDir dir;
    InstallRig rig(dir.path().string());
    rig.WriteArchive("[file0]\r\nver=1.0\r\n");
    rig.AddFileDownload(0, "a.txt", "new");
    rig.File(0).serverVersion = "1.1";
    rig.SetShowType(c.showType);
    rig.SetOpMode(c.opMode);
    rig.Ui().endWin1 = c.endWin;
    rig.Ui().endWin2 = c.endWin;
    rig.Ui().endWin1Msg = common::Gbk("装好了");
    rig.Ui().endWin2Msg = common::Gbk("没装好");
    if (c.selfUpdate) rig.SetRunMode(session::RunMode::SelfUpdate);
    session::RunState& run = rig.Run();
    PageRecorder page(&run);
    platform::RealFileOperations ops;
    RunWorker(rig, page, ops);
    const std::string where = std::to_string(c.showType) + "/" + std::to_string(c.opMode) + "/" +
                              std::to_string(c.endWin) + (c.selfUpdate ? " self-update" : "");
    // end_win1 goes through the page (the worker's thread asks it).
    EXPECT_EQ(Utf8(page.asked), c.end1 ? std::vector<std::string>{"装好了"} : std::vector<std::string>{}) << where;
    // end_win2 is the stage end's own box, through the run's prompter.
    transfer::UpdateStage stage(run, "T", &ops);
    stage.End(page, 0);
    std::vector<std::string> shown;
    for (const session::BoxRequest& box : rig.Prompter().Shown()) shown.push_back(common::GbkToUtf8(box.text));
    EXPECT_EQ(shown, c.end2 ? std::vector<std::string>{"没装好"} : std::vector<std::string>{}) << where;
  }
}

}  // namespace
