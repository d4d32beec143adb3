#include "client/session/server_config.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "client/session/client_log.h"
#include "common/gbk.h"
#include "tests/support/temp_dir.h"

namespace session {
namespace {

using Lines = std::vector<std::string>;

TEST(SplitList, TrimsPiecesAndDropsEmptyOnes) {
  EXPECT_EQ(SplitList("  a.exe , ,b.exe,,  c d ,"), (Lines{"a.exe", "b.exe", "c d"}));
  EXPECT_EQ(SplitList(" , ,, "), Lines{});
  EXPECT_EQ(SplitList(""), Lines{});
  EXPECT_EQ(SplitList("file3"), Lines{"file3"});
}

TEST(ItemValues, PathMd5AndFileNameRules) {
  EXPECT_EQ(NormaliseItemPath(""), "");
  EXPECT_EQ(NormaliseItemPath("  /opt/app "), "/opt/app\\");
  EXPECT_EQ(NormaliseItemPath("/opt/app\\"), "/opt/app\\");
  EXPECT_EQ(NormaliseItemPath("/opt/app/"), "/opt/app/");
  // The last byte of 乗 is 0x5C but it is no separator.
  const std::string trail = common::Utf8ToGbk("/opt/乗");
  EXPECT_EQ(NormaliseItemPath(trail), trail + "\\");

  EXPECT_EQ(KeepMd5(std::string(32, 'a')), std::string(32, 'a'));
  // A malformed value is kept, so that the download can refuse the item.
  EXPECT_EQ(KeepMd5(" " + std::string(31, 'a') + " "), std::string(31, 'a'));
  EXPECT_EQ(KeepMd5(std::string(33, 'a')), std::string(33, 'a'));

  formats::UrlList list;
  formats::AppendUrlList("url0=http://h/dl/new.exe;;url1=ftp://h/other.exe", list);
  EXPECT_EQ(ItemFileName("", list), "new.exe");
  EXPECT_EQ(ItemFileName("app.exe", list), "app.exe");
  EXPECT_EQ(ItemFileName("", formats::UrlList{}), "");
}

// Reads server configurations into slots with the log open in a temporary
// working folder, and gives the logged texts back as UTF-8.
class ServerConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
    ASSERT_TRUE(log_.Open());
    folders_ = {"", "/home", "/etc", "/usr/lib", "/tmp/t", "/opt", "/f", "/d", "/k"};
  }
  void TearDown() override {
    log_.Close();
    std::filesystem::current_path(previous_);
  }

  SharedKeyPolicy Read(const std::string& utf8) {
    return ReadServerConfiguration(common::Utf8ToGbk(utf8), folders_, log_,
                                   ServerConfigTarget{files_, dirs_, system_, ui_});
  }

  Lines TakeLog() {
    log_.Close();
    std::string text = testsupport::TempDir::read(dir_.file(kLogFileName));
    std::filesystem::remove(dir_.file(kLogFileName));
    EXPECT_TRUE(log_.Open());
    Lines lines;
    for (size_t pos = 0; pos < text.size();) {
      size_t end = text.find("\r\n", pos);
      lines.push_back(common::GbkToUtf8(text.substr(pos + 12, end - pos - 12)));
      pos = end + 2;
    }
    return lines;
  }

  testsupport::TempDir dir_;
  std::filesystem::path previous_;
  ClientLog log_;
  formats::FolderValues folders_;
  FileItems files_;
  DirItems dirs_;
  SystemSettings system_;
  UiSettings ui_ = UiSettings::Defaults();
};

TEST_F(ServerConfigTest, LogsValidItemsAndEveryKeyInOrder) {
  files_[0].localVersion = "1.0.0";
  files_[1].localVersion = "2.0";
  const std::string md5(32, 'f');
  SharedKeyPolicy policy = Read(
      "[file0]\r\nver=1.1.0\r\nurls=url0=http://h/a/b.exe;;url1=ftp://h/b.exe,,anna,,pw\r\n"
      "path={temp}bin\r\nmd5=" + md5 + "\r\nshow_type=1\r\nop_mode=1\r\nrunme=1\r\n"
      "[file1]\r\nver=2.0\r\nurls=url0=http://h/c.dll\r\nshow_type=0\r\n"
      "[file2]\r\nver=0.0.0\r\nurls=url0=http://h/d.dll\r\n"
      "[file3]\r\nver=3.0\r\nurls=\r\n"
      "[dir0]\r\nver=1.0\r\nurls=url0=http://h/dir/\r\npath={temp}\r\nfilter=*.dll\r\nshow_type=2\r\n"
      "op_mode=1\r\nis_inc_subdir=1\r\n"
      "[system]\r\nrun_before={parent}\\pre.sh\r\nclose_proc1= a.exe, b.exe ,,\r\nclose_items=file0\r\n"
      "[UI]\r\nstart_win=0\r\nend_win1_msg=好了\r\n");
  EXPECT_EQ(policy.newItemCount, 2);
  EXPECT_EQ(policy.showType, 1);
  EXPECT_EQ(policy.opMode, 1);

  const std::string rule = "≡≡≡≡≡≡≡≡≡≡≡";
  Lines expected = {
      rule + "【解析服务器端配置文件】" + rule,
      "★★★ 以下只列出有效的[fileX]和[dirX]项（即版本号>0，且文件或目录列表框内不为空。）",
      "【file0】", "urls=url0=http://h/a/b.exe;;url1=ftp://h/b.exe,,anna,,***", "ver=1.1.0",
      "＞＞＞＞＞与客户端比较后发现新版本！",
      "randomsel=0", "tryallurl=0", "path=/tmp/t\\bin", "modify_ver=1", "show_type=1", "op_mode=1",
      "uncompress=0", "runme=1", "runme_pause=0", "runme_param=", "md5=" + md5, "rename=", "describe=",
      "【file1】", "urls=url0=http://h/c.dll", "ver=2.0",
      "【dir0】", "urls=url0=http://h/dir/", "ver=1.0",
      "＞＞＞＞＞与客户端比较后发现新版本！",
      "randomsel=0", "tryallurl=0", "path=/tmp/t\\", "filter=*.dll", "modify_ver=1", "show_type=2",
      "op_mode=1", "is_inc_subdir=1", "describe=",
      "★ 共发现 2 个有效的[fileX]或[dirx]项",
      "【system】",
      "run_before=/home\\pre.sh", "run_before_pause=0", "run_after=", "run_after_pause=0",
      "run_nonetwork=", "run_udbefore=", "run_udafters=", "run_udafterf=", "run_dlbefore=",
      "run_dlafters=", "run_dlafterf=", "close_proc1=a.exe, b.exe ,,", "close_proc2=", "close_proc3=",
      "close_items=file0",
      "【UI】",
      "noupdate_win=0", "noupdate_win_msg=没有发现新版本！", "start_win=0",
      "start_win_msg=发现新版本，现在升级吗？", "close_win=1",
      "close_win_msg=本次升级将会关闭一些相关的进程，请保存好数据后继续！", "dl_win=1",
      "dl_win_msg=下载文件失败，请稍后再试！", "end_win1=1", "end_win2=1", "end_win1_msg=好了",
      "end_win2_msg=升级失败！", "start_win=0",
      "★ 服务器端配置文件解析完毕!",
      "★★★ 共用关键字策略分析结果：",
      "操作方式：自动",
      "显示类型：半静默"};
  EXPECT_EQ(TakeLog(), expected);

  const FileItem& f0 = files_[0];
  EXPECT_EQ(f0.serverVersion, "1.1.0");
  EXPECT_EQ(f0.locations.urls, (Lines{"http://h/a/b.exe", "ftp://h/b.exe"}));
  EXPECT_EQ(f0.locations.users, (Lines{"", "anna"}));
  EXPECT_EQ(f0.locations.passwords, (Lines{"", "pw"}));
  EXPECT_EQ(f0.path, "/tmp/t\\bin\\");
  EXPECT_EQ(f0.md5, md5);
  EXPECT_EQ(f0.fileName, "b.exe");
  EXPECT_EQ(f0.runme, 1);
  EXPECT_EQ(f0.modifyVer, 1);
  // Not newer, disabled or without locations: versions are taken, nothing else.
  EXPECT_EQ(files_[1].serverVersion, "2.0");
  EXPECT_TRUE(files_[1].locations.empty());
  EXPECT_TRUE(files_[2].locations.empty());
  EXPECT_EQ(files_[3].serverVersion, "3.0");
  EXPECT_TRUE(files_[3].locations.empty());
  const DirItem& d0 = dirs_[0];
  EXPECT_EQ(d0.path, "/tmp/t\\");  // a dir item's path is used as read
  EXPECT_EQ(d0.filter, "*.dll");
  EXPECT_EQ(d0.isIncSubdir, 1);
  EXPECT_EQ(system_.runBefore, "/home\\pre.sh");
  EXPECT_EQ(system_.closeProc1, (Lines{"a.exe", "b.exe"}));
  EXPECT_EQ(system_.closeItems, Lines{"file0"});
  EXPECT_TRUE(system_.closeProc2.empty());
  EXPECT_EQ(ui_.startWin, 0);
  EXPECT_EQ(ui_.endWin1Msg, common::Utf8ToGbk("好了"));
  EXPECT_EQ(ui_.dlWinMsg, common::Utf8ToGbk("下载文件失败，请稍后再试！"));
}

TEST_F(ServerConfigTest, SharedKeyPolicyCountsOnlyNewerItems) {
  // Three new items with show_type 2, 1, 2: the smallest wins; all automatic.
  SharedKeyPolicy p = Read(
      "[file0]\r\nver=1.0\r\nurls=url0=http://h/a\r\nshow_type=2\r\nop_mode=1\r\n"
      "[file5]\r\nver=1.0\r\nurls=url0=http://h/b\r\nshow_type=1\r\nop_mode=1\r\n"
      "[dir3]\r\nver=1.0\r\nurls=url0=http://h/c/\r\nshow_type=2\r\nop_mode=1\r\n"
      // Same version as installed (0.0.0 everywhere here): does not count.
      "[file6]\r\nver=0.0.0\r\nurls=url0=http://h/d\r\nshow_type=0\r\nop_mode=0\r\n");
  EXPECT_EQ(p.newItemCount, 3);
  EXPECT_EQ(p.showType, 1);
  EXPECT_EQ(p.opMode, 1);
  EXPECT_EQ(TakeLog().back(), "显示类型：半静默");

  // One manual item among automatic ones makes the session manual; op_mode
  // defaults to manual.
  p = Read("[file0]\r\nver=2.0\r\nurls=url0=http://h/a\r\nshow_type=2\r\nop_mode=1\r\n"
           "[dir0]\r\nver=1.0\r\nurls=url0=http://h/c/\r\nshow_type=2\r\n");
  EXPECT_EQ(p.showType, 2);
  EXPECT_EQ(p.opMode, 0);
  Lines log = TakeLog();
  EXPECT_EQ(log[log.size() - 2], "操作方式：手动");
  EXPECT_EQ(log.back(), "显示类型：静默");

  // Nothing new: silent and automatic.
  p = Read("[file0]\r\nver=0.0.0\r\nurls=url0=http://h/a\r\n[UI]\r\n");
  EXPECT_EQ(p.newItemCount, 0);
  EXPECT_EQ(p.showType, 2);
  EXPECT_EQ(p.opMode, 1);
  log = TakeLog();
  EXPECT_EQ(log[2], "★ 共发现 0 个有效的[fileX]或[dirx]项");  // file0 not even listed
}

TEST_F(ServerConfigTest, SecondPassAppendsLocationsAndKeepsWhatItDoesNotRead) {
  Read("[file0]\r\nver=1.0\r\nurls=url0=http://h/one/a.exe\r\ndescribe=first\r\n"
       "[file1]\r\nver=1.0\r\nurls=url0=http://h/b.exe\r\nrename=keep.exe\r\n"
       "[system]\r\nrun_nonetwork=offline.sh\r\n");
  Read("[file0]\r\nver=1.1\r\nurls=url0=http://h/two/x.exe\r\n");
  EXPECT_EQ(files_[0].locations.urls, (Lines{"http://h/one/a.exe", "http://h/two/x.exe"}));
  EXPECT_EQ(files_[0].serverVersion, "1.1");
  EXPECT_EQ(files_[0].describe, "");  // read again, default
  EXPECT_EQ(files_[0].fileName, "a.exe");  // still the first location's name
  // file1 is not in the second text: its version is read as "0.0.0", the
  // rest stays from the first pass.
  EXPECT_EQ(files_[1].serverVersion, "0.0.0");
  EXPECT_EQ(files_[1].fileName, "keep.exe");
  EXPECT_EQ(files_[1].locations.size(), 1u);
  // [system] is read again on every pass that got a text.
  EXPECT_EQ(system_.runNonetwork, "");
}

}  // namespace
}  // namespace session
