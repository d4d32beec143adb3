// Runs of the real `upgrade` from the server configuration to the end: what
// the host hears, which boxes appear, which pages open and in what order the
// hook programs run.

#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "common/gbk.h"
#include "tests/apps/client_sandbox.h"
#include "tests/support/host_capture.h"
#include "tests/support/run_command.h"

namespace apptest {
namespace {

using Lines = std::vector<std::string>;

const std::string kPreLogOn = "[pre]\r\ncloselog=0\r\nclosetray=1\r\n";
const std::string kNotify3 = "发“发现新版本”消息(3)通知宿主程序。";
const std::string kNotify4 = "发“退出升级程序”消息(4)通知宿主程序。";
const std::string kSkipStart = "★ 不开启“下载前窗口”。";
const std::string kOpenDownload = "★ 开启“下载窗口”。";
const std::string kNotifyMinus3 = "发“下载失败退出，或是强制退出下载过程。”消息(-3)通知宿主程序。";
const std::string kDownloadFailed = "下载失败或是强制退出下载过程！";
const std::string kDownloadFailedBox = "信息提示\t下载文件失败，请稍后再试！\tok";
const Lines kCompared = {"★ 版本比较。", "版本比较", "检测自我更新"};

// Four pages of 400 x 300 that the skin lets the session window show.
std::string SkinText() {
  std::string text = "[UI]\r\ntitle=演示\r\n";
  for (int k = 0; k < 4; ++k) {
    text += "[win" + std::to_string(k) + "]\r\nattr=show=1;;clrbk=14215660;;rect=0,0,400,300\r\n" +
            "button0=show=1;;rect=200,260,80,28;;text=下一步(&N)\r\n" +
            "button1=show=1;;rect=300,260,80,28;;text=取消(&X)\r\n";
  }
  return text;
}

Lines Concat(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A client with file0 at 1.0.0 whose server configuration is a local file.
class UpgradeSession : public ::testing::Test {
 protected:
  // server: the text of the server configuration (UTF-8; stored as GBK).
  void Prepare(const std::string& server, bool withSkin = true) {
    std::vector<std::pair<std::string, std::string>> members = {
        {"pre.dat", kPreLogOn},
        {"client.dat", "[system]\r\nurls=url0=file://" + box.Folder() +
                           "/srv/server.ini\r\n[file0]\r\nver=1.0.0\r\n"}};
    if (withSkin) members.push_back({"ui.dat", SkinText()});
    box.WriteArchive(members);
    box.Dir().write("srv/server.ini", common::Utf8ToGbk(server));
  }

  // A newer file0 with the given show type and operation mode, plus more
  // server text.
  void PrepareNewer(int showType, int opMode, const std::string& more = "", bool withSkin = true) {
    Prepare("[file0]\r\nver=1.1.0\r\nurls=url0=http://127.0.0.1:9/app\r\nshow_type=" +
                std::to_string(showType) + "\r\nop_mode=" + std::to_string(opMode) + "\r\n" + more,
            withSkin);
  }

  // A hook script in the sandbox that appends word to hooks.txt after
  // sleeping; its path for the server configuration.
  std::string Hook(const std::string& name, const std::string& word, double sleep = 0) {
    const std::string path = box.Dir().write(
        // It lets go of the output it inherits at once: the test's pipe
        // must not stay open after the client has ended.
        name, "#!/bin/sh\nexec >/dev/null 2>&1\nsleep " + std::to_string(sleep) + "\necho " + word + " >> '" +
                  box.Dir().file("hooks.txt") + "'\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
  }
  std::string Hooks() const { return testsupport::TempDir::read(box.Dir().path() / "hooks.txt"); }

  // The log from the version comparison on (the part this run decides).
  Lines SessionPart() const {
    Lines log = box.LogTexts();
    auto first = std::find(log.begin(), log.end(), kCompared[0]);
    return Lines(first, log.end());
  }

  // The outcome codes the host heard, in order.
  std::vector<int64_t> Codes(size_t count) {
    EXPECT_TRUE(host.WaitFor(count));
    host.Settle(150);
    std::vector<int64_t> codes;
    for (const auto& m : host.messages()) {
      EXPECT_EQ(m.message, 2023);
      codes.push_back(m.wParam);
    }
    return codes;
  }

  // The download stage of file0 from a port where nobody listens: it fails
  // after its only mirror.
  Lines FailedDownload() const {
    return {"开始下载...", "下载前执行程序（没指定）。", "正在下载：app",
            "下载: http://127.0.0.1:9/app-->" + box.WorkFolder() + "/file0/app", "服务器端文件：app不存在！"};
  }
  static Lines AfterFailedDownload(bool host) {
    Lines lines = host ? Lines{kNotifyMinus3, kDownloadFailed} : Lines{kDownloadFailed};
    lines.push_back("下载完成后执行指定程序（没指定）。");
    return lines;
  }

  std::string HostArg() const { return "/HWND:" + std::to_string(host.endpoint()); }

  testsupport::HostCapture host;
  ClientSandbox box;
};

TEST_F(UpgradeSession, CheckVerWithANewVersionReportsItWithoutPromptOrPageAndRunsOnlyRunAfter) {
  PrepareNewer(0, 0,
               "[system]\r\nrun_before=" + Hook("before.sh", "before") + "\r\nrun_after=" +
                   Hook("after.sh", "after") + "\r\nrun_after_pause=1\r\n");
  EXPECT_EQ(box.Run("/OP:CheckVer " + HostArg()).exitCode, 0);
  EXPECT_EQ(Codes(2), (std::vector<int64_t>{3, 4}));
  EXPECT_TRUE(box.Boxes().empty());
  EXPECT_EQ(Hooks(), "after\n");
  EXPECT_EQ(SessionPart(),
            Concat(kCompared, {"发现新版本！", kNotify3, "退出升级程序前执行：" + box.Dir().file("after.sh"),
                               "执行完毕！", "★ 升级结束。", kNotify4}));

  // Without "/HWND:" the same run tells nobody.
  std::filesystem::remove(box.Dir().path() / "upgrade.log");
  box.Run("/OP:CheckVer");
  host.Settle(300);
  EXPECT_EQ(host.messages().size(), 2u);
  EXPECT_EQ(SessionPart(), Concat(kCompared, {"发现新版本！", "退出升级程序前执行：" +
                                                                 box.Dir().file("after.sh"),
                                              "执行完毕！", "★ 升级结束。"}));
}

// What another user of the machine could plant: the work folder's name in
// the shared temporary folder as a link, and a hook that looks for
// descriptors it should not have (the log, the lock, sockets).
TEST_F(UpgradeSession, PlantedWorkFolderIsNotUsedAndHooksInheritNoDescriptor) {
  const std::string fds = box.Dir().file("fds.txt");
  const std::string hook = box.Dir().write(
      "fds.sh", "#!/bin/sh\nfor f in /proc/$$/fd/*; do readlink \"$f\"; done > '" + fds + "'\n");
  std::filesystem::permissions(hook, std::filesystem::perms::owner_all);
  PrepareNewer(0, 0, "[system]\r\nrun_after=" + hook + "\r\nrun_after_pause=1\r\n");
  const std::filesystem::path tmp = box.Dir().path() / "tmp";
  std::filesystem::create_directories(box.Dir().path() / "elsewhere");
  std::filesystem::create_directories(tmp);
  std::filesystem::create_directory_symlink(box.Dir().path() / "elsewhere", tmp / "~qirra_tmp");
  EXPECT_EQ(box.Run("/OP:CheckVer").exitCode, 0);
  const std::filesystem::path own = tmp / ("~qirra_tmp-" + std::to_string(geteuid()));
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::symlink_status(own)));
  EXPECT_EQ(std::filesystem::status(own).permissions(), std::filesystem::perms::owner_all);
  EXPECT_TRUE(std::filesystem::is_empty(box.Dir().path() / "elsewhere"));
  // The shell's own script aside, only standard input, output and error.
  const std::string seen = testsupport::TempDir::read(fds);
  EXPECT_FALSE(seen.empty());
  EXPECT_EQ(seen.find("upgrade.log"), std::string::npos) << seen;
  EXPECT_EQ(seen.find(".lock"), std::string::npos) << seen;
  EXPECT_EQ(seen.find("socket:"), std::string::npos) << seen;
}

// The windows live in a library loaded only when a run shows one, libcurl
// is loaded for the first transfer: a check of a file:// configuration
// without a tray icon starts without either, even where no display exists, and
// a run that needs a window where none can open ends as cancelled instead
// of the toolkit ending the process half way.
TEST_F(UpgradeSession, WindowsLoadOnlyWhenARunShowsOneAndNoDisplayEndsTheRunCleanly) {
  PrepareNewer(0, 0);
  const std::string loaded = box.Dir().file("loaded.txt");
  // display: "" for none at all, else the DISPLAY the run is given.
  auto headless = [&](const std::string& args, bool realBoxes, const std::string& display = "") {
    std::string command = box.Command(args, "", realBoxes);
    const std::string platform = "QT_QPA_PLATFORM=offscreen";
    command.replace(command.find(platform), platform.size(),
                    "-u QT_QPA_PLATFORM -u WAYLAND_DISPLAY" +
                        (display.empty() ? " -u DISPLAY LD_DEBUG=files" : " LD_DEBUG=files DISPLAY=" + display));
    return testsupport::RunCommand(command + " 2>" + testsupport::ShellQuote(loaded)).exitCode;
  };
  EXPECT_EQ(headless("/OP:CheckVer " + HostArg(), false), 0);
  EXPECT_EQ(Codes(2), (std::vector<int64_t>{3, 4}));
  std::string seen = testsupport::TempDir::read(loaded);
  EXPECT_NE(seen.find("file=libc.so.6"), std::string::npos) << "the loader's trace is missing";
  EXPECT_EQ(seen.find("libQt6"), std::string::npos);
  EXPECT_EQ(seen.find("libcurl"), std::string::npos) << "a file:// check needs no libcurl";

  // A normal run must open its pages: without a display it cannot, says so
  // and ends like a cancelled session.
  host.Clear();
  EXPECT_EQ(headless(HostArg(), true), 0);
  EXPECT_EQ(Codes(2), (std::vector<int64_t>{3, 4}));
  seen = testsupport::TempDir::read(loaded);
  EXPECT_NE(seen.find("upgrade: cannot show windows: no display"), std::string::npos) << seen;
  Lines log = box.LogTexts();
  EXPECT_TRUE(std::any_of(log.begin(), log.end(),
                          [](const std::string& line) { return line.rfind("无法显示窗口：no display", 0) == 0; }));
  // A display that is named but cannot be reached (a closed session's).
  host.Clear();
  EXPECT_EQ(headless(HostArg(), true, ":4711"), 0);
  EXPECT_EQ(Codes(2), (std::vector<int64_t>{3, 4}));
  EXPECT_NE(testsupport::TempDir::read(loaded).find("upgrade: cannot show windows: no display"), std::string::npos);

  // With a screen (offscreen here) the same check with a tray icon loads them.
  box.WriteArchive({{"pre.dat", "[pre]\r\ncloselog=0\r\nclosetray=0\r\n"},
                    {"client.dat", "[system]\r\nurls=url0=file://" + box.Folder() +
                                       "/srv/server.ini\r\n[file0]\r\nver=1.0.0\r\n"},
                    {"ui.dat", SkinText()}});
  std::string traced = box.Command("/OP:CheckVer", "");
  traced.replace(traced.find(" env "), 5, " env LD_DEBUG=files ");
  EXPECT_EQ(testsupport::RunCommand(traced + " 2>" + testsupport::ShellQuote(loaded)).exitCode, 0);
  EXPECT_NE(testsupport::TempDir::read(loaded).find("libQt6Widgets"), std::string::npos);
}

TEST_F(UpgradeSession, CheckVerWithoutANewVersionReportsTwoThenFour) {
  Prepare("[file0]\r\nver=1.0.0\r\nurls=url0=http://127.0.0.1:9/app\r\n");
  box.Run("/OP:CheckVer " + HostArg());
  EXPECT_EQ(Codes(2), (std::vector<int64_t>{2, 4}));
  EXPECT_TRUE(box.Boxes().empty());
  EXPECT_EQ(SessionPart(),
            (Lines{"★ 版本比较。", "版本比较", "发“未发现新版本”消息(2)通知宿主程序。", "没有发现新版本！",
                   "退出升级程序前执行（没指定）。", "★ 升级结束。", kNotify4}));
}

TEST_F(UpgradeSession, ArchiveWithoutSkinReportsMinusOneThenFour) {
  PrepareNewer(0, 0, "", /*withSkin=*/false);
  box.Run(HostArg());
  EXPECT_EQ(Codes(2), (std::vector<int64_t>{-1, 4}));
  EXPECT_EQ(box.Boxes(), Lines{"信息提示\t\\n错误：界面配置解析错误！\\n\tok"});
  Lines log = box.LogTexts();
  EXPECT_NE(std::find(log.begin(), log.end(), "发“配置文件解析错误，退出升级程序”消息(-1)通知宿主程序。"),
            log.end());
  EXPECT_EQ(std::count(log.begin(), log.end(), kCompared[0]), 0);

  // A silent session has the same outcome without the box.
  PrepareNewer(2, 1, "", false);
  box.Run();
  EXPECT_EQ(box.Boxes().size(), 1u);
}

TEST_F(UpgradeSession, SilentSessionAsksNothingAndRunsThePagesHidden) {
  PrepareNewer(2, 0, "[UI]\r\nstart_win=1\r\n");
  box.Run(HostArg());
  EXPECT_TRUE(box.Boxes().empty());
  // The download fails (nobody serves file0): the run stops there and
  // nothing is reported as installed.
  EXPECT_EQ(Codes(3), (std::vector<int64_t>{3, -3, 4}));
  EXPECT_EQ(SessionPart(),
            Concat(Concat(Concat(kCompared, {"发现新版本！", kNotify3, "启动升级前执行程序（没指定）。", kSkipStart,
                                             kOpenDownload}),
                          Concat(FailedDownload(), AfterFailedDownload(true))),
                   {"退出升级程序前执行（没指定）。", "★ 升级结束。", kNotify4}));
}

TEST_F(UpgradeSession, SemiSilentSessionAsksFirstAndNoEndsTheRun) {
  PrepareNewer(1, 0,
               "[system]\r\nrun_before=" + Hook("before.sh", "before") + "\r\nrun_before_pause=1\r\n"
               "[UI]\r\nstart_win_msg=要升级吗？\r\n");
  box.Run(HostArg(), "no");
  EXPECT_EQ(box.Boxes(), Lines{"信息提示\t要升级吗？\tyesno"});
  EXPECT_EQ(Codes(2), (std::vector<int64_t>{3, 4}));
  EXPECT_EQ(Hooks(), "");
  EXPECT_EQ(SessionPart(),
            Concat(kCompared, {"发现新版本！", kNotify3, "用户退出升级程序！", "退出升级程序前执行（没指定）。",
                               "★ 升级结束。", kNotify4}));

  // Yes: run_before runs and the pages run hidden (the start page is skipped).
  std::filesystem::remove(box.Dir().path() / "upgrade.log");
  box.Run("", "yes");
  EXPECT_EQ(Hooks(), "before\n");
  EXPECT_EQ(SessionPart(),
            Concat(Concat(Concat(kCompared, {"发现新版本！", "启动升级前执行程序：" + box.Dir().file("before.sh"),
                                             "执行完毕！", kSkipStart, kOpenDownload}),
                          Concat(FailedDownload(), AfterFailedDownload(false))),
                   {"退出升级程序前执行（没指定）。", "★ 升级结束。"}));
}

TEST_F(UpgradeSession, SecondStartOfASelfUpdateIsNotAskedAgain) {
  PrepareNewer(1, 0);
  box.Run("/self_finish:0-1.1.0", "no");
  // Only the box of the failed download (nobody serves file0).
  EXPECT_EQ(box.Boxes(), Lines{kDownloadFailedBox});
  // The marker counts only in that exact spelling.
  box.Run("/SELF_FINISH:0-1.1.0", "no");
  EXPECT_EQ(box.Boxes(), (Lines{kDownloadFailedBox, "信息提示\t发现新版本，现在升级吗？\tyesno"}));
}

TEST_F(UpgradeSession, AutomaticNormalSessionSkipsTheStartPageAndShowsTheDownloadPage) {
  PrepareNewer(0, 1, "[UI]\r\nstart_win=0\r\n");
  box.Run();
  EXPECT_EQ(box.Boxes(), Lines{kDownloadFailedBox});
  Lines log = SessionPart();
  auto skip = std::find(log.begin(), log.end(), kSkipStart);
  ASSERT_NE(skip, log.end());
  ASSERT_NE(skip + 1, log.end());
  EXPECT_EQ(*(skip + 1), kOpenDownload);
}

TEST_F(UpgradeSession, NoUpdateBoxAppearsEvenInASilentSession) {
  // No newer item: the session is silent, yet the publisher's box is shown.
  Prepare("[file0]\r\nver=1.0.0\r\nurls=url0=http://127.0.0.1:9/app\r\nshow_type=2\r\n"
          "[UI]\r\nnoupdate_win=1\r\nnoupdate_win_msg=已是最新版本。\r\n");
  box.Run(HostArg());
  EXPECT_EQ(box.Boxes(), Lines{"信息提示\t已是最新版本。\tok"});
  EXPECT_EQ(Codes(2), (std::vector<int64_t>{2, 4}));

  Prepare("[file0]\r\nver=1.0.0\r\nurls=url0=http://127.0.0.1:9/app\r\n");
  box.Run();
  EXPECT_EQ(box.Boxes().size(), 1u);  // noupdate_win is off by default
}

TEST_F(UpgradeSession, HooksRunInOrderAndAreWaitedForOnlyWhenAsked) {
  PrepareNewer(2, 1,
               "[system]\r\nrun_before=" + Hook("before.sh", "before", 0.8) +
                   "\r\nrun_before_pause=1\r\nrun_after=" + Hook("after.sh", "after") +
                   "\r\nrun_after_pause=1\r\n");
  box.Run();
  EXPECT_EQ(Hooks(), "before\nafter\n");

  // Neither waited for: the client is gone before the slow hooks write.
  std::filesystem::remove(box.Dir().path() / "hooks.txt");
  PrepareNewer(2, 1,
               "[system]\r\nrun_before=" + Hook("before.sh", "before", 1.5) +
                   "\r\nrun_after=" + Hook("after.sh", "after", 1.5) + "\r\n");
  ClientRun run = box.Run();
  EXPECT_EQ(Hooks(), "");
  EXPECT_LT(run.elapsed.count(), 1500);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  const std::string late = Hooks();
  EXPECT_NE(late.find("before\n"), std::string::npos);
  EXPECT_NE(late.find("after\n"), std::string::npos);
}

}  // namespace
}  // namespace apptest
