// The download stage through the real download page (offscreen), the real
// worker and real servers on 127.0.0.1; the host messages through a real
// host listener.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "client/session/client_config.h"
#include "client/session/client_log.h"
#include "client/session/host_notifier.h"
#include "client/session/run_state.h"
#include "client/download/download_stage.h"
#include "client/download/folder_listing.h"
#include "client/stage/transfer_context.h"
#include "formats/default_skin.h"
#include "client/ui/download_window.h"
#include "client/ui/item_list_ctrl.h"
#include "codecs/zip_archive.h"
#include "common/gbk.h"
#include "common/md5_digest.h"
#include "common/ini_document.h"
#include "formats/config_archive.h"
#include "tests/client/ui/qt_test_app.h"
#include "tests/client/ui/test_prompter.h"
#include "tests/support/host_capture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_servers.h"
#include "tests/client/ui/download_stage_rig.h"

namespace fs = std::filesystem;

namespace {

using namespace download_test;

// Two file items and a dir item of four files: the first file item fails
// over from a missing file to its second mirror (MD5 in upper case passes),
// the second from a wrong MD5 (the bad file deleted) to an FTP mirror.
TEST_F(DownloadStageTest, MirrorsMd5AndTheHostsOverallProgress) {
  Put("a.bin", "alpha");
  Put("b.bin", "bravo");
  Put("bad/b.bin", "xxxxx");
  for (int i = 1; i <= 4; ++i) Put("d0/" + std::to_string(i) + ".dat", std::string(100 * i, 'd'));
  files[0] = {};
  files[0].newItem = true;
  files[0].fileName = "a.bin";
  files[0].tryallurl = 1;
  files[0].md5 = Upper(kMd5Alpha);
  AddMirror(files[0].locations, HttpUrl("missing.bin"));
  AddMirror(files[0].locations, HttpUrl("a.bin"));
  AddMirror(files[0].locations, HttpUrl("a.bin"));
  files[4].newItem = true;
  files[4].fileName = "b.bin";
  files[4].tryallurl = 1;
  files[4].md5 = kMd5Bravo;
  AddMirror(files[4].locations, HttpUrl("bad/b.bin"));
  AddFtpMirror(files[4].locations, "b.bin");
  dirs[2].newItem = true;
  AddFtpMirror(dirs[2].locations, "d0");
  system.runDlbefore = "/opt/before";
  system.runDlafters = "/opt/after-ok";
  system.runDlafterf = "/opt/after-failed";

  ASSERT_EQ(RunStage(), 0);
  EXPECT_EQ(Work("file0/a.bin"), "alpha");
  EXPECT_EQ(Work("file4/b.bin"), "bravo");
  EXPECT_EQ(files[0].locations.size(), 1u);  // the third mirror was never needed
  EXPECT_TRUE(files[4].locations.empty());
  ASSERT_EQ(run->FileWork(0).downloads.size(), 1u);
  EXPECT_EQ(run->FileWork(0).downloads[0].tempName, "a.bin");
  const auto& listed = run->DirWork(2).downloads;
  ASSERT_EQ(listed.size(), 4u);
  for (const auto& r : listed) {
    EXPECT_EQ(r.subFolder, "");
    EXPECT_EQ(r.tempName, r.name);
    EXPECT_EQ(Work("dir2/" + r.tempName).size(), static_cast<size_t>(r.size));
  }

  using P = std::pair<int64_t, int64_t>;
  EXPECT_EQ(Host(2022), (std::vector<P>{{300, 100}, {300, 200}, {300, 225}, {300, 250}, {300, 275}, {300, 300}}));
  EXPECT_TRUE(Host(2023).empty());  // no failure told
  EXPECT_EQ(hooks, (std::vector<std::string>{"/opt/before", "/opt/after-ok"}));
  EXPECT_TRUE(Logged("下载前执行程序：/opt/before"));
  EXPECT_TRUE(Logged("MD5验证成功!"));
  EXPECT_TRUE(Logged("下载完成！"));
  EXPECT_TRUE(Logged("下载完成后执行指定程序：/opt/after-ok"));
  EXPECT_TRUE(Logged("ran /opt/after-ok"));
  EXPECT_TRUE(prompter.boxes.empty());
  EXPECT_EQ(page->List()->rowCount(), 3);
  EXPECT_EQ(page->List()->CellText(2, 0), QStringLiteral("<d0>"));
}

// tryallurl off: the first failure ends the stage; the host hears -3, the
// user sees dl_win_msg, the failure hook runs. A wrong MD5 deletes the file.
TEST_F(DownloadStageTest, FailureWithoutTryAllEndsTheStage) {
  Put("a.bin", "alpha");
  files[0].newItem = true;
  files[0].fileName = "a.bin";
  AddMirror(files[0].locations, HttpUrl("missing.bin"));
  AddMirror(files[0].locations, HttpUrl("a.bin"));
  system.runDlafterf = "/opt/after-failed";
  ASSERT_EQ(RunStage(), 1);
  EXPECT_EQ(files[0].locations.size(), 1u);
  EXPECT_TRUE(Logged("Http错误404: 无法找到文件"));
  EXPECT_EQ(Host(2023), (std::vector<std::pair<int64_t, int64_t>>{{-3, 0}}));
  EXPECT_TRUE(Logged("发“下载失败退出，或是强制退出下载过程。”消息(-3)通知宿主程序。"));
  EXPECT_TRUE(Logged("下载失败或是强制退出下载过程！"));
  ASSERT_EQ(prompter.boxes.size(), 1u);
  EXPECT_EQ(prompter.Text(0), "下载文件失败，请稍后再试！");
  EXPECT_EQ(hooks, (std::vector<std::string>{"/opt/after-failed"}));

  // The second mirror serves a file whose MD5 is another: it is deleted.
  files[0].md5 = kMd5Bravo;
  showType = session::kShowSilent;  // no box
  ASSERT_EQ(RunStage(), 1);
  EXPECT_FALSE(fs::exists(work + "file0/a.bin"));
  EXPECT_TRUE(LoggedPrefix("已下载文件：" + work + "file0/a.bin的MD5值为：" + kMd5Alpha));
  EXPECT_TRUE(Logged(std::string("不等于服务器中原始文件的MD5=") + kMd5Bravo + "－－MD5验证错误，退出!"));
  EXPECT_EQ(prompter.boxes.size(), 1u);
}

// sha256 is checked like md5 (any case; both when both are given): a file
// that differs is deleted and the next mirror is tried.
TEST_F(DownloadStageTest, Sha256MismatchDeletesTheFileAndFailsOver) {
  constexpr const char* kSha256Alpha = "8ed3f6ad685b959ead7022518e1af76cd816f8e8ec7ccdda1ed4018e8f2223f8";
  constexpr const char* kSha256Bravo = "f144a6907dc4284d1f9fe6a7d9b9ff53c02c1d07ba68f24d413d7ff7f757a782";
  Put("a.bin", "alpha");
  Put("b.bin", "bravo");
  showType = session::kShowSilent;
  files[0].newItem = true;
  files[0].fileName = "a.bin";
  files[0].tryallurl = 1;
  files[0].sha256 = Upper(kSha256Alpha);
  AddMirror(files[0].locations, HttpUrl("b.bin"));
  AddFtpMirror(files[0].locations, "a.bin");
  ASSERT_EQ(RunStage(), 0);
  // The first mirror's file was refused: the second mirror's stands.
  EXPECT_TRUE(Logged("SHA256验证成功!"));
  EXPECT_EQ(Work("file0/a.bin"), "alpha");

  // The MD5 matches, the SHA-256 does not: refused all the same.
  files[0] = {};
  files[0].newItem = true;
  files[0].fileName = "a.bin";
  files[0].md5 = kMd5Alpha;
  files[0].sha256 = kSha256Bravo;
  AddMirror(files[0].locations, HttpUrl("a.bin"));
  ASSERT_EQ(RunStage(), 1);
  EXPECT_FALSE(fs::exists(work + "file0/a.bin"));
  EXPECT_EQ(Host(2023), (std::vector<std::pair<int64_t, int64_t>>{{-3, 0}}));
  EXPECT_TRUE(Logged("已下载文件：" + work + "file0/a.bin的SHA256值为：" + kSha256Alpha));
  EXPECT_TRUE(Logged(std::string("不等于服务器中原始文件的SHA256=") + kSha256Bravo + "－－SHA256验证错误，退出!"));
}

// A dir item with "*.dll,*.ocx": only those files, at the top or, with
// subfolders, below it too; the same over FTP and file://.
TEST_F(DownloadStageTest, DirItemFilterAndSubfoldersOverFtpAndLocal) {
  for (const char* rel : {"tree/a.dll", "tree/B.OCX", "tree/c.txt", "tree/sub/d.dll", "tree/sub/deeper/e.ocx",
                          "tree/sub/f.exe"})
    Put(rel, rel);
  using R = std::tuple<std::string, std::string, std::string>;  // subFolder, name, tempName
  for (bool local : {false, true}) {
    for (int subdirs : {0, 1}) {
      dirs[3] = {};
      dirs[3].newItem = true;
      dirs[3].filter = " *.dll , *.ocx ";
      dirs[3].isIncSubdir = subdirs;
      std::string root = local ? srv + "/tree" : "/tree";
      if (local) {
        AddMirror(dirs[3].locations, "file://" + root);
      } else {
        AddFtpMirror(dirs[3].locations, "tree");
      }
      ASSERT_EQ(RunStage(), 0) << local << subdirs;
      // The work folder holds the listed tree as it is.
      std::vector<R> want{{"", "B.OCX", "B.OCX"}, {"", "a.dll", "a.dll"}};
      if (subdirs) {
        want.push_back({"sub", "d.dll", "sub/d.dll"});
        want.push_back({"sub/deeper", "e.ocx", "sub/deeper/e.ocx"});
      }
      std::vector<R> got;
      for (const auto& r : run->DirWork(3).downloads) {
        got.emplace_back(r.subFolder, r.name, r.tempName);
        EXPECT_EQ(Work("dir3/" + r.tempName), "tree/" + (r.subFolder.empty() ? "" : r.subFolder + "/") + r.name);
      }
      std::sort(got.begin(), got.end());
      std::sort(want.begin(), want.end());
      EXPECT_EQ(got, want) << local << subdirs;
      fs::remove_all(work);
    }
  }
}

// A dir item retried with the next mirror starts from an empty list; a
// listed name that would leave the folder fails the item unwritten.
TEST_F(DownloadStageTest, DirRetryStartsAfreshAndUnsafeNamesAreRefused) {
  Put("one/a.dll", "a");
  Put("one/b.dll", "b");
  fs::create_symlink(srv + "/one/nowhere.dll", srv + "/one/c.dll");  // listed, cannot be read
  Put("two/a.dll", "a2");
  dirs[0].newItem = true;
  dirs[0].tryallurl = 1;
  AddMirror(dirs[0].locations, "file://" + srv + "/one");
  AddFtpMirror(dirs[0].locations, "two");
  ASSERT_EQ(RunStage(), 0);
  ASSERT_EQ(run->DirWork(0).downloads.size(), 1u);
  EXPECT_EQ(run->DirWork(0).downloads[0].tempName, "a.dll");

  Put("evil/ok.dll", "ok");
  Put("evil/..\\..\\x.dll", "bad");  // one name on this server, a path on the client's side
  dirs[0] = {};
  dirs[0].newItem = true;
  AddFtpMirror(dirs[0].locations, "evil");
  fs::remove_all(work);
  ASSERT_EQ(RunStage(), 1);
  EXPECT_TRUE(LoggedPrefix("拒绝列表中不安全的名称：/evil/"));
  EXPECT_TRUE(Logged("没有找到文件!"));
  EXPECT_FALSE(fs::exists(work + "dir0/..\\..\\x.dll"));
  EXPECT_FALSE(fs::exists(work + "x.dll"));

  // A file item whose name would climb out of its folder is refused too.
  dirs[0] = {};
  files[1].newItem = true;
  files[1].fileName = "../x.dll";
  AddMirror(files[1].locations, HttpUrl("evil/ok.dll"));
  ASSERT_EQ(RunStage(), 1);
  EXPECT_FALSE(fs::exists(work + "x.dll"));
  EXPECT_TRUE(Logged("拒绝不安全的文件名：../x.dll"));
}

TEST_F(DownloadStageTest, HttpDirItemCompletesAtOnceAndNothingNewEndsTheStage) {
  dirs[1].newItem = true;
  AddMirror(dirs[1].locations, HttpUrl("folder/"));
  ASSERT_EQ(RunStage(), 0);
  EXPECT_TRUE(run->DirWork(1).downloads.empty());
  EXPECT_EQ(page->List()->CellText(0, 0), QStringLiteral("<>"));  // the URL ends in "/"
  EXPECT_TRUE(page->List()->IsChecked(0));

  dirs[1] = {};
  ASSERT_EQ(RunStage(), 1);
  EXPECT_TRUE(Logged("没有新版本的文件需要下载！"));
  EXPECT_TRUE(Logged("下载完成后执行指定程序（没指定）。"));
}

// Cancel while paused, answered No: the transfer stays held. Yes: the stage
// ends with -3 and the failure hook, without the failure box.
TEST_F(DownloadStageTest, CancelWhilePausedNoStaysHeldYesEnds) {
  Put("slow.bin", std::string(400000, 's'));
  files[0].newItem = true;
  files[0].fileName = "slow.bin";
  AddMirror(files[0].locations, HttpUrl("slow.bin?chunk=2000&delay=0.02"));
  system.runDlafterf = "/opt/after-failed";
  // The bytes arrive in the partial file beside the file's name.
  const std::string dest = work + "file0/slow.bin.part";
  auto size = [&] {
    std::error_code ec;
    auto s = fs::file_size(dest, ec);
    return ec ? uintmax_t{0} : s;
  };
  int result = RunStage([&](ui::DownloadWindow& p) {
    ASSERT_TRUE(uitest::WaitUntil([&] { return size() > 0; }, 5000));
    QTest::mouseClick(p.Button(0), Qt::LeftButton);
    EXPECT_EQ(p.Button(0)->text(), QStringLiteral("继续(&C)"));
    QTest::qWait(300);
    prompter.answers = {false};
    p.HandleCommand(ui::kIdCancel);
    EXPECT_TRUE(p.Control()->IsPaused());
    const auto held = size();
    QTest::qWait(400);
    EXPECT_EQ(size(), held);
    EXPECT_LT(held, 400000u);
    prompter.answers = {true};
    p.HandleCommand(ui::kIdCancel);
  });
  ASSERT_EQ(result, 1);
  EXPECT_EQ(Host(2023), (std::vector<std::pair<int64_t, int64_t>>{{-3, 0}}));
  EXPECT_EQ(hooks, (std::vector<std::string>{"/opt/after-failed"}));
  EXPECT_EQ(prompter.boxes.size(), 2u);  // the two questions, no failure box
  EXPECT_EQ(page->Control()->Context()->OpenFileCount(), 0u);
}

// The self-update download: the program beside the running one, the
// archive's new version recorded in the downloaded archive, which then
// replaces the configuration archive. A wrong MD5 leaves the archive as it was.
TEST_F(DownloadStageTest, SelfUpdateFetchesProgramAndReplacesTheArchive) {
  auto makeArchive = [](const std::string& path, const std::string& clientDat) {
    codecs::ZipArchive zip;
    fs::create_directories(fs::path(path).parent_path());
    ASSERT_TRUE(zip.Open(path, codecs::ZipArchive::Mode::Create));
    zip.SetPassword(session::ArchivePassword());
    ASSERT_TRUE(zip.AddFromMemory("client.dat", clientDat));
    ASSERT_TRUE(zip.AddFromMemory("pre.dat", "[pre]\r\nclosetray=1\r\n"));
    ASSERT_TRUE(zip.Commit());
  };
  const std::string archive = dir.file("app/upgrade.bin");
  makeArchive(archive, "[file5]\r\nver=1.0.0\r\n");
  makeArchive(srv + "/new.bin", "[file5]\r\nver=1.0.0\r\n[system]\r\nurls=x\r\n");
  // The new program must be one this machine can run: a small real one.
  const std::string newProgram = testsupport::TempDir::read("/bin/true");
  Put("upgrade", newProgram);
  common::Md5Digest md5;
  md5.DigestFile("/bin/true");
  const std::string programMd5 = md5.GetDigest().value_or("");
  const std::string oldArchive = testsupport::TempDir::read(archive);

  mode = session::RunMode::SelfUpdate;
  decision.selfUpdateExeIndex = 3;
  decision.selfUpdateArchiveIndex = 5;
  files[3].newItem = true;
  files[3].fileName = "upgrade";
  files[3].md5 = programMd5;
  AddFtpMirror(files[3].locations, "upgrade");
  files[5].newItem = true;
  files[5].fileName = "upgrade.bin";
  files[5].serverVersion = "2.0.0";
  files[5].md5 = "00000000000000000000000000000000";
  AddMirror(files[5].locations, HttpUrl("new.bin"));
  system.runDlafters = "/opt/never";
  ASSERT_EQ(RunStage(), 1);
  EXPECT_EQ(testsupport::TempDir::read(archive), oldArchive);
  EXPECT_FALSE(fs::exists(archive + ".ubk"));
  EXPECT_EQ(Host(2023), (std::vector<std::pair<int64_t, int64_t>>{{-3, 0}}));
  EXPECT_TRUE(LoggedPrefix("已下载文件的MD5值为："));
  ASSERT_EQ(prompter.boxes.size(), 1u);  // the notice, not dl_win_msg
  EXPECT_NE(prompter.Text(0).find("－－MD5验证错误，升级失败!"), std::string::npos);

  files[5].md5.clear();
  AddMirror(files[5].locations, HttpUrl("new.bin"));
  AddFtpMirror(files[3].locations, "upgrade");
  ASSERT_EQ(RunStage(), 0);
  EXPECT_EQ(testsupport::TempDir::read(dir.file("app/upgrade.new")), newProgram);
  EXPECT_NE(fs::status(dir.file("app/upgrade.new")).permissions() & fs::perms::owner_exec, fs::perms::none);
  EXPECT_FALSE(fs::exists(archive + ".ubk"));
  auto client = formats::ReadArchiveMember(archive, "client.dat", session::ArchivePassword());
  ASSERT_TRUE(client);
  common::IniDocument doc;
  ASSERT_TRUE(doc.SetText(session::MemberText(*client)));
  EXPECT_EQ(doc.GetString("file5", "ver", ""), "2.0.0");
  EXPECT_EQ(doc.GetString("system", "urls", ""), "x");
  EXPECT_TRUE(formats::ReadArchiveMember(archive, "pre.dat", session::ArchivePassword()));
  EXPECT_TRUE(hooks.empty());  // no download hooks in a self-update run
}

}  // namespace
