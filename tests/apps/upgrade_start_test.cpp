// Runs of the real `upgrade` program: start-up, configuration archive, log,
// command line, message boxes and the single-instance guard.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "common/gbk.h"
#include "tests/apps/client_sandbox.h"
#include "tests/support/host_capture.h"
#include "tests/support/run_command.h"

namespace apptest {
namespace {

using testsupport::RunCommand;
using testsupport::ShellQuote;
using Lines = std::vector<std::string>;

const std::string kPreLogOn = "[pre]\r\ncloselog=0\r\nclosetray=1\r\n";
const std::string kExitLines[] = {"退出升级程序前执行（没指定）。", "★ 升级结束。"};
const std::string kNoServerConfig = "错误：下载配置文件失败，可能是配置文件不存在，或解析错误，或网络不通！";
const std::string kNoNetworkHook = "无网络时执行程序（没指定）。";

Lines Concat(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Lines ExitLines() { return {kExitLines[0], kExitLines[1]}; }

TEST(UpgradeStart, LogsBannerFolderValuesServerLocationsAndOnlyRecordedVersions) {
  ClientSandbox box;
  box.WriteArchive({{"pre.dat", kPreLogOn},
                    {"client.dat",
                     "[system]\r\n"
                     "urls=url0=http://127.0.0.1:9/s.ini;;url1=server1/s.ini;;url2={temp}\r\n"
                     "randomsel=1\r\n"
                     "[file0]\r\nver=1.0.0\r\n"
                     "[file1]\r\nver=0.0.0\r\n"
                     "[file19]\r\nver=2.1\r\n"
                     "[file20]\r\nver=9.9.9\r\n"
                     "[dir0]\r\nver=0.0.0\r\n"
                     "[dir9]\r\nver=3.0.0\r\n"},
                    {"ui.dat", "[win0]\r\n"}});
  ClientRun run = box.Run();
  EXPECT_EQ(run.exitCode, 0);
  Lines expected = Concat(BannerLines(box, "upgrade.bin"),
                          {"urls=url0=http://127.0.0.1:9/s.ini;;url1=server1/s.ini;;url2={temp}",
                           "randomsel=1",
                           "tryallurl=0",
                           "★★★ 以下只列出已经有过升级记录的[fileX]和[dirX]项，没有升级记录的（即版本号为0）"
                           "的项不再列出。",
                           "【file0】",
                           "ver=1.0.0",
                           "【file19】",
                           "ver=2.1",
                           "[dir9]",
                           "ver=3.0.0",
                           // Nothing listens on port 9: the check fails without a message.
                           "★ 下载服务器端配置文件：http://127.0.0.1:9/s.ini",
                           "",
                           kNoServerConfig,
                           kNoNetworkHook});
  EXPECT_EQ(box.LogTexts(), Concat(expected, ExitLines()));
  EXPECT_TRUE(box.Boxes().empty());
}

TEST(UpgradeStart, LogIsAppendedRunAfterRunAndNamedAfterTheProgram) {
  ClientSandbox box("update");
  box.WriteArchive({{"pre.dat", kPreLogOn}, {"client.dat", "[system]\r\nurls=\r\n"}});
  box.Dir().write("update.log", "12:00:00    earlier run\r\n");
  box.Dir().write("upgrade.log", "12:00:00    another program's\r\n");
  ASSERT_EQ(box.Run().exitCode, 0);
  ASSERT_EQ(box.Run().exitCode, 0);
  EXPECT_EQ(testsupport::TempDir::read(box.Dir().path() / "upgrade.log"), "12:00:00    another program's\r\n");
  Lines one = Concat(BannerLines(box, "update.bin"),
                     {"urls=", "randomsel=0", "tryallurl=0",
                      "★★★ 以下只列出已经有过升级记录的[fileX]和[dirX]项，没有升级记录的（即版本号为0）"
                      "的项不再列出。",
                      kNoServerConfig, kNoNetworkHook});
  one = Concat(one, ExitLines());
  EXPECT_EQ(box.LogTexts(), Concat(Concat({"earlier run"}, one), one));
}

TEST(UpgradeStart, WithoutLogSwitchNoLogIsLeftNotEvenAnOldOne) {
  for (const std::string pre : {"[pre]\r\ncloselog=1\r\n", "[system]\r\ncloselog=0\r\n",
                                "[pre]\r\ncloselog=2\r\nclosetray=0\r\n"}) {
    ClientSandbox box;
    box.WriteArchive({{"pre.dat", pre}, {"client.dat", "[file0]\r\nver=1.0.0\r\n"}});
    box.Dir().write("upgrade.log", "12:00:00    stale\r\n");
    EXPECT_EQ(box.Run().exitCode, 0);
    EXPECT_FALSE(box.LogExists()) << pre;
    EXPECT_TRUE(box.Boxes().empty());
  }
}

TEST(UpgradeStart, MissingOrEmptyArchiveShowsTheStartupBoxAndLeavesNoLog) {
  ClientSandbox missing;
  missing.Dir().write("upgrade.log", "stale\r\n");
  EXPECT_EQ(missing.Run("/HWND:12").exitCode, 0);
  EXPECT_EQ(missing.Boxes(), Lines{"upgrade\t错误：没有找到客户端配置文件:upgrade.bin\tok"});
  EXPECT_FALSE(missing.LogExists());

  // An empty file counts as missing.
  ClientSandbox empty("tool.exe");
  empty.Dir().write("tool.bin", "");
  EXPECT_EQ(empty.Run().exitCode, 0);
  EXPECT_EQ(empty.Boxes(), Lines{"tool\t错误：没有找到客户端配置文件:tool.bin\tok"});
}

TEST(UpgradeStart, UnreadablePreSettingsShowTheirBox) {
  const std::string box = "upgrade\t错误：pre配置解析错误！\tok";
  ClientSandbox noPre;
  noPre.WriteArchive({{"client.dat", "[file0]\r\nver=1.0.0\r\n"}});
  noPre.Run();
  EXPECT_EQ(noPre.Boxes(), Lines{box});

  ClientSandbox emptyPre;
  emptyPre.WriteArchive({{"pre.dat", ""}, {"client.dat", "[file0]\r\nver=1.0.0\r\n"}});
  emptyPre.Run();
  EXPECT_EQ(emptyPre.Boxes(), Lines{box});

  ClientSandbox notZip;
  notZip.Dir().write("upgrade.bin", "[pre]\r\ncloselog=0\r\n");
  notZip.Run();
  EXPECT_EQ(notZip.Boxes(), Lines{box});
  EXPECT_FALSE(notZip.LogExists());
}

TEST(UpgradeStart, UnreadableClientConfigurationShowsTheInformationBoxAndTakesTheNoConfigurationPath) {
  ClientSandbox box;
  box.WriteArchive({{"pre.dat", kPreLogOn}, {"ui.dat", "[win0]\r\n"}});
  EXPECT_EQ(box.Run("/HWND:4242 /Log").exitCode, 0);
  EXPECT_EQ(box.Boxes(), Lines{"信息提示\t\\n错误：客户端配置文件:upgrade.bin解析错误！\\n\tok"});
  EXPECT_EQ(box.LogTexts(), (Lines{"无网络时执行程序（没指定）。",
                                   "发“无网络，退出升级程序”消息(-5)通知宿主程序。", kExitLines[0],
                                   kExitLines[1], "发“退出升级程序”消息(4)通知宿主程序。"}));
}

TEST(UpgradeStart, HostWindowIsTakenOnlyAsDecimal) {
  ClientSandbox box;
  box.WriteArchive({{"pre.dat", kPreLogOn}});
  box.Run("/HWND:0x10");
  EXPECT_EQ(box.LogTexts(), (Lines{"无网络时执行程序（没指定）。", kExitLines[0], kExitLines[1]}));
  std::filesystem::remove(box.Dir().path() / "upgrade.log");
  box.Run("/op:checkver /hwnd:77");
  EXPECT_EQ(box.LogTexts().back(), "发“退出升级程序”消息(4)通知宿主程序。");
}

TEST(UpgradeStart, HostHearsTheNoConfigurationCodeThenTheExitCode) {
  testsupport::HostCapture host;
  ASSERT_NE(host.endpoint(), 0);
  ClientSandbox box;
  box.WriteArchive({{"pre.dat", "[pre]\r\n"}});  // no client.dat, no log
  box.Run("/HWND:" + std::to_string(host.endpoint()));
  ASSERT_TRUE(host.WaitFor(2));
  host.Settle();
  ASSERT_EQ(host.messages().size(), 2u);
  EXPECT_EQ(host.messages()[0].message, 2023);
  EXPECT_EQ(host.messages()[0].wParam, -5);
  EXPECT_EQ(host.messages()[1].message, 2023);
  EXPECT_EQ(host.messages()[1].wParam, 4);
  EXPECT_EQ(host.messages()[1].lParam, 0);

  // Read before the command line, a missing archive leaves the host unknown.
  ClientSandbox missing;
  missing.Run("/HWND:" + std::to_string(host.endpoint()));
  host.Settle(300);
  EXPECT_EQ(host.messages().size(), 2u);
}

TEST(UpgradeStart, PreviewReadsNoConfigurationButNeedsTheSkin) {
  ClientSandbox box;
  box.WriteArchive({{"pre.dat", kPreLogOn}});  // no client.dat: nothing complains
  EXPECT_EQ(box.Run("/OP:Preview /Tray").exitCode, 0);
  EXPECT_EQ(box.Boxes(), Lines{"信息提示\t\\n错误：界面配置解析错误！\\n\tok"});
  EXPECT_EQ(box.LogTexts(), ExitLines());
}

TEST(UpgradeStart, SelfUpdateRequestsRunWithoutALog) {
  // The relaunch request ends the run at the command line; the completion
  // request goes on (and so meets the missing client configuration).
  ClientSandbox relaunch;
  relaunch.WriteArchive({{"pre.dat", kPreLogOn}});
  relaunch.Run("/HWND:5 /self_update:3-1.2.0");
  EXPECT_FALSE(relaunch.LogExists());
  EXPECT_TRUE(relaunch.Boxes().empty());

  ClientSandbox finish;
  finish.WriteArchive({{"pre.dat", kPreLogOn}});
  finish.Dir().write("upgrade.log", "stale\r\n");
  finish.Run("/hwnd:5 /SELF_FINISH:3-1.2.0");
  EXPECT_FALSE(finish.LogExists());
  EXPECT_EQ(finish.Boxes().size(), 1u);
}

// --- single-instance guard -------------------------------------------------

// Holds the program copy's lock from another process (flock(1)) for seconds.
void HoldLock(const ClientSandbox& box, double seconds) {
  ASSERT_EQ(RunCommand("flock -n " + ShellQuote(box.LockFile()) + " sleep " +
                       std::to_string(seconds) + " </dev/null >/dev/null 2>&1 & sleep 0.3")
                .exitCode,
            0);
}

TEST(UpgradeInstances, SecondRunWaitsForTheLockAndThenRuns) {
  ClientSandbox box;
  box.WriteArchive({{"pre.dat", kPreLogOn}, {"client.dat", "[file0]\r\nver=1.0.0\r\n"}});
  HoldLock(box, 2.7);
  ClientRun run = box.Run();
  EXPECT_GE(run.elapsed, std::chrono::milliseconds(2000));
  EXPECT_LT(run.elapsed, std::chrono::milliseconds(5500));
  ASSERT_TRUE(box.LogExists());
  EXPECT_EQ(box.LogTexts().back(), "★ 升级结束。");
}

TEST(UpgradeInstances, RunGivesUpSilentlyWhenTheLockStaysTaken) {
  ClientSandbox box;
  box.WriteArchive({{"pre.dat", kPreLogOn}});  // would show a box if it ran
  HoldLock(box, 9.5);
  ClientRun run = box.Run("/HWND:6");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_GE(run.elapsed, std::chrono::milliseconds(6500));
  EXPECT_LT(run.elapsed, std::chrono::milliseconds(8800));
  EXPECT_FALSE(box.LogExists());
  EXPECT_TRUE(box.Boxes().empty());
}

// The sandbox's command with one environment setting changed.
std::string WithSetting(std::string command, const std::string& name, const std::string& quotedOld,
                        const std::string& value) {
  const std::string old = " " + name + "=" + quotedOld;
  const size_t at = command.find(old);
  EXPECT_NE(at, std::string::npos) << command;
  if (at != std::string::npos) command.replace(at, old.size(), " " + name + "=" + ShellQuote(value));
  return command;
}

// A TMPDIR naming a folder that is gone (removed with the session that made
// it): the run takes /tmp for its lock and work folder, says so in its log,
// and goes on to the end.
TEST(UpgradeInstances, GoneTmpdirFallsBackToTmpAndTheLogSaysSo) {
  testsupport::HostCapture host;
  ClientSandbox box;
  box.WriteArchive({{"pre.dat", kPreLogOn}});
  const bool hadWorkFolder = std::filesystem::exists("/tmp/~qirra_tmp");
  std::string command = box.Command("/HWND:" + std::to_string(host.endpoint()));
  command = WithSetting(command, "TMPDIR", ShellQuote(box.Dir().file("tmp")), box.Dir().file("gone"));
  command = WithSetting(command, "XDG_RUNTIME_DIR", ShellQuote(box.Dir().file("run")), "");
  EXPECT_EQ(RunCommand(command).exitCode, 0);
  const Lines log = box.LogTexts();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "临时文件夹（" + box.Dir().file("gone") + "）不存在或不可写，改用：/tmp");
  EXPECT_EQ(log.back(), "发“退出升级程序”消息(4)通知宿主程序。");  // the run went to its end
  ASSERT_TRUE(host.WaitFor(2));
  EXPECT_EQ(host.messages().back().wParam, 4);
  // What the run left in the machine's /tmp: its lock file, and the work
  // folder when it made it.
  std::filesystem::remove("/tmp/upgrade-" + std::to_string(geteuid()) + "/" +
                          std::filesystem::path(box.LockFile()).filename().string());
  if (!hadWorkFolder) {
    std::error_code ec;
    std::filesystem::remove("/tmp/~qirra_tmp", ec);  // only when empty
  }
}

// No private folder for the lock at all (the runtime folder the session
// names is missing): the run ends at once with a failure status and a line
// on stderr, and a host waiting for the end still hears code 4.
TEST(UpgradeInstances, NoLockFolderAtAllEndsWithAFailureAndTheHostHearsTheEnd) {
  testsupport::HostCapture host;
  ClientSandbox box;
  box.WriteArchive({{"pre.dat", kPreLogOn}});
  std::string command = box.Command("/HWND:" + std::to_string(host.endpoint()));
  command = WithSetting(command, "XDG_RUNTIME_DIR", ShellQuote(box.Dir().file("run")),
                        box.Dir().file("missing/deeper"));
  const auto result = RunCommand("(" + command + ") 2>&1");
  EXPECT_NE(result.exitCode, 0);
  EXPECT_NE(result.output.find("upgrade: not running: no private folder for the instance lock"),
            std::string::npos)
      << result.output;
  ASSERT_TRUE(host.WaitFor(1));
  host.Settle(200);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].message, 2023);
  EXPECT_EQ(host.messages()[0].wParam, 4);
  EXPECT_FALSE(box.LogExists());
  EXPECT_TRUE(box.Boxes().empty());
}

// Starts the program copy in the background with real message boxes (no
// scripted prompter); offscreen nobody answers them, so a run that shows
// one keeps its lock until it is killed. Returns its process id.
std::string StartWithRealBoxes(const ClientSandbox& box) {
  auto result = RunCommand("(" + box.Command("", "", true) + ") >/dev/null 2>&1 & echo $!");
  return common::Trim(result.output);
}

// Running and not a zombie (an orphan may wait a while to be reaped).
bool Alive(const std::string& pid) {
  return RunCommand("ps -o stat= -p " + pid + " | grep -qv Z").exitCode == 0;
}

TEST(UpgradeInstances, SecondRunOfTheSameCopyWaitsUntilTheFirstHasEnded) {
  ClientSandbox box;  // no archive: each run stops at its message box
  std::string first = StartWithRealBoxes(box);
  ASSERT_FALSE(first.empty());
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  ASSERT_TRUE(Alive(first));  // held by its unanswered box
  ASSERT_EQ(RunCommand("(" + box.Command() + ") >/dev/null 2>&1 &").exitCode, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_TRUE(box.Boxes().empty()) << "the second run did not wait";
  RunCommand("kill " + first);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
  while (box.Boxes().empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(box.Boxes(), Lines{"upgrade\t错误：没有找到客户端配置文件:upgrade.bin\tok"});
}

TEST(UpgradeInstances, CopiesInOtherFoldersRunAtOnce) {
  ClientSandbox held, other;
  other.WriteArchive({{"pre.dat", kPreLogOn}, {"client.dat", "[file0]\r\nver=1.0.0\r\n"}});
  HoldLock(held, 3);
  ClientRun run = other.Run();
  EXPECT_LT(run.elapsed, std::chrono::milliseconds(1500));
  ASSERT_TRUE(other.LogExists());
  EXPECT_EQ(other.LogTexts().back(), "★ 升级结束。");
}

}  // namespace
}  // namespace apptest
