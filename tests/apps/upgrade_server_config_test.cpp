// Runs of the real `upgrade` that read a server configuration from a local
// file or an HTTP server: the log of the configuration part and what the
// host hears when no location answers.

#include <gtest/gtest.h>

#include <algorithm>

#include "common/gbk.h"
#include "tests/apps/client_sandbox.h"
#include "tests/support/host_capture.h"
#include "tests/support/test_servers.h"

namespace apptest {
namespace {

using Lines = std::vector<std::string>;

const std::string kPreLogOn = "[pre]\r\ncloselog=0\r\nclosetray=1\r\n";
const std::string kRule = "≡≡≡≡≡≡≡≡≡≡≡";

// The log from the first server-configuration line on, count lines long.
Lines ServerPart(const ClientSandbox& box, size_t count) {
  Lines log = box.LogTexts();
  auto first = std::find_if(log.begin(), log.end(),
                            [](const std::string& l) { return l.rfind("★ 下载服务器端配置文件：", 0) == 0; });
  Lines part(first, log.end());
  if (part.size() > count) part.resize(count);
  return part;
}

Lines SystemAndUiDefaults(const std::string& closeProc1, const std::string& startWinMsg) {
  return {"【system】", "run_before=", "run_before_pause=0", "run_after=", "run_after_pause=0",
          "run_nonetwork=", "run_udbefore=", "run_udafters=", "run_udafterf=", "run_dlbefore=",
          "run_dlafters=", "run_dlafterf=", "close_proc1=" + closeProc1, "close_proc2=", "close_proc3=",
          "close_items=", "【UI】", "noupdate_win=0", "noupdate_win_msg=没有发现新版本！", "start_win=1",
          "start_win_msg=" + startWinMsg, "close_win=1",
          "close_win_msg=本次升级将会关闭一些相关的进程，请保存好数据后继续！", "dl_win=1",
          "dl_win_msg=下载文件失败，请稍后再试！", "end_win1=1", "end_win2=1", "end_win1_msg=升级完成！",
          "end_win2_msg=升级失败！", "start_win=1", "★ 服务器端配置文件解析完毕!",
          "★★★ 共用关键字策略分析结果："};
}

Lines Concat(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(UpgradeServerConfig, ReadsALocalFileAfterAMissingOneAndLogsEveryKey) {
  ClientSandbox box;
  const std::string srv = "file://" + box.Folder() + "/srv/";
  box.WriteArchive({{"pre.dat", kPreLogOn},
                    {"client.dat", "[system]\r\nurls=url0=" + srv + "missing.ini;;url1=" + srv +
                                       "server.ini\r\ntryallurl=1\r\n[file0]\r\nver=1.0.0\r\n"},
                    {"ui.dat", "[UI]\r\n"}});  // the skin is read right after
  box.Dir().write("srv/server.ini",
                  common::Utf8ToGbk("[system]\r\nclose_proc1=app.exe, helper.exe\r\n"
                                    "[file0]\r\nver=1.1.0\r\n"
                                    "urls=url0=http://mirror1/dl/app.exe;;url1=ftp://mirror2/app.exe,,anna,,pw\r\n"
                                    "path={parent}\\bin\r\nmd5=0123456789abcdef0123456789abcdef\r\n"
                                    "show_type=1\r\nop_mode=1\r\ndescribe=主程序\r\n"
                                    "[file1]\r\nver=2.0\r\nurls=\r\n"
                                    "[dir0]\r\nver=1.0\r\nurls=url0=http://mirror1/data/\r\nfilter=*.dat\r\n"
                                    "show_type=2\r\n"
                                    "[UI]\r\nstart_win_msg=现在升级吗？\r\n"));
  EXPECT_EQ(box.Run("/OP:CheckVer").exitCode, 0);

  const std::string folder = box.Folder();
  const std::string parent = folder.substr(0, folder.rfind('/'));
  Lines expected = {"★ 下载服务器端配置文件：" + srv + "missing.ini",
                    "下载文件失败！",
                    "★ 下载服务器端配置文件：" + srv + "server.ini",
                    kRule + "【解析服务器端配置文件】" + kRule,
                    "★★★ 以下只列出有效的[fileX]和[dirX]项（即版本号>0，且文件或目录列表框内不为空。）",
                    "【file0】",
                    "urls=url0=http://mirror1/dl/app.exe;;url1=ftp://mirror2/app.exe,,anna,,***",  // no password in the log
                    "ver=1.1.0",
                    "＞＞＞＞＞与客户端比较后发现新版本！",
                    "randomsel=0", "tryallurl=0", "path=" + parent + "\\bin", "modify_ver=1", "show_type=1",
                    "op_mode=1", "uncompress=0", "runme=0", "runme_pause=0", "runme_param=",
                    "md5=0123456789abcdef0123456789abcdef", "rename=", "describe=主程序",
                    "【dir0】", "urls=url0=http://mirror1/data/", "ver=1.0",
                    "＞＞＞＞＞与客户端比较后发现新版本！",
                    "randomsel=0", "tryallurl=0", "path=", "filter=*.dat", "modify_ver=1", "show_type=2",
                    "op_mode=0", "is_inc_subdir=0", "describe=",
                    "★ 共发现 2 个有效的[fileX]或[dirx]项"};
  expected = Concat(expected, SystemAndUiDefaults("app.exe, helper.exe", "现在升级吗？"));
  expected = Concat(expected, {"操作方式：手动", "显示类型：半静默"});
  EXPECT_EQ(ServerPart(box, expected.size()), expected);
  EXPECT_TRUE(box.Boxes().empty());
}

TEST(UpgradeServerConfig, FallsThroughToTheHttpLocationThatAnswers) {
  testsupport::TempDir files("srv-files-");
  files.write("server.ini", "[file3]\r\nver=1.0\r\nurls=url0=http://h/x.exe\r\n");
  testsupport::TempDir logs("srv-log-");
  testsupport::HttpServerOptions options;
  options.logFile = logs.file("requests.log");
  testsupport::HttpTestServer http;
  ASSERT_TRUE(http.Start(files.path().string(), options));
  const std::string none = http.BaseUrl() + "/files/none.ini";
  const std::string good = http.BaseUrl() + "/files/server.ini";

  ClientSandbox box;
  box.WriteArchive({{"pre.dat", kPreLogOn},
                    {"client.dat", "[system]\r\nurls=url0=" + none + ";;url1=" + good + "\r\ntryallurl=1\r\n"}});
  EXPECT_EQ(box.Run("/OP:CheckVer").exitCode, 0);
  Lines expected = {"★ 下载服务器端配置文件：" + none, "Http错误404: 无法找到文件", "下载文件失败！",
                    "★ 下载服务器端配置文件：" + good, kRule + "【解析服务器端配置文件】" + kRule,
                    "★★★ 以下只列出有效的[fileX]和[dirX]项（即版本号>0，且文件或目录列表框内不为空。）",
                    "【file3】", "urls=url0=http://h/x.exe", "ver=1.0", "＞＞＞＞＞与客户端比较后发现新版本！",
                    "randomsel=0", "tryallurl=0", "path=", "modify_ver=1", "show_type=0", "op_mode=0",
                    "uncompress=0", "runme=0", "runme_pause=0", "runme_param=", "md5=", "rename=", "describe=",
                    "★ 共发现 1 个有效的[fileX]或[dirx]项"};
  expected = Concat(expected, SystemAndUiDefaults("", "发现新版本，现在升级吗？"));
  expected = Concat(expected, {"操作方式：手动", "显示类型：常规"});
  EXPECT_EQ(ServerPart(box, expected.size()), expected);
  EXPECT_EQ(testsupport::TempDir::read(logs.file("requests.log")),
            "HEAD /files/none.ini\nHEAD /files/server.ini\nGET /files/server.ini\n");
}

TEST(UpgradeServerConfig, WhenNoLocationAnswersTheHostHearsNoNetworkThenExit) {
  testsupport::TempDir files("srv-files-");
  testsupport::HttpTestServer http;
  ASSERT_TRUE(http.Start(files.path().string()));
  testsupport::HostCapture host;
  ASSERT_NE(host.endpoint(), 0);

  ClientSandbox box;
  const std::string a = http.BaseUrl() + "/files/a.ini";
  const std::string b = http.BaseUrl() + "/files/b.ini";
  box.WriteArchive({{"pre.dat", kPreLogOn},
                    {"client.dat", "[system]\r\nurls=url0=" + a + ";;url1=" + b + "\r\nrandomsel=1\r\ntryallurl=1\r\n"}});
  EXPECT_EQ(box.Run("/OP:CheckVer /HWND:" + std::to_string(host.endpoint())).exitCode, 0);
  ASSERT_TRUE(host.WaitFor(2));
  host.Settle();
  ASSERT_EQ(host.messages().size(), 2u);
  EXPECT_EQ(host.messages()[0].wParam, -5);
  EXPECT_EQ(host.messages()[1].wParam, 4);

  Lines part = ServerPart(box, 7);
  ASSERT_EQ(part.size(), 7u);
  // Random order: each location once, whichever came first.
  Lines tried = {part[0], part[3]};
  std::sort(tried.begin(), tried.end());
  EXPECT_EQ(tried, (Lines{"★ 下载服务器端配置文件：" + a, "★ 下载服务器端配置文件：" + b}));
  EXPECT_EQ(part[1], "Http错误404: 无法找到文件");
  EXPECT_EQ(part[2], "下载文件失败！");
  EXPECT_EQ(part[5], "下载文件失败！");
  EXPECT_EQ(part[6], "错误：下载配置文件失败，可能是配置文件不存在，或解析错误，或网络不通！");
  Lines log = box.LogTexts();
  auto fail = std::find(log.begin(), log.end(), part[6]);
  ASSERT_NE(fail, log.end());
  ASSERT_NE(fail + 1, log.end());
  EXPECT_EQ(*(fail + 1), "无网络时执行程序（没指定）。");
}

}  // namespace
}  // namespace apptest
