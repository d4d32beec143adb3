// The client replacing its own program and configuration archive: the real
// program in a temporary application folder, its new version served over
// HTTP on 127.0.0.1. Every process of the chain appends its command line to
// a file (UPGRADE_COMMAND_LOG), and the host hears each one's outcome.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "common/gbk.h"
#include "tests/apps/client_sandbox.h"
#include "tests/support/host_capture.h"
#include "tests/support/run_command.h"
#include "tests/support/test_servers.h"

namespace apptest {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using testsupport::ShellQuote;

const std::string kPreLogOn = "[pre]\r\ncloselog=0\r\nclosetray=1\r\n";
const std::string kFound = "★ 发现系统内部程序（或数据）新版本，将启动自我升级过程";

std::string SkinText() {
  std::string text = "[UI]\r\ntitle=演示\r\n";
  for (int k = 0; k < 4; ++k) {
    text += "[win" + std::to_string(k) + "]\r\nattr=show=1;;clrbk=14215660;;rect=0,0,400,300\r\n";
  }
  return text;
}

Lines SplitLines(const std::string& text) {
  Lines lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return lines;
}

class UpgradeSelfUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Start(box.Dir().file("srv")));
    // The served program is the client itself with a tail of its own, so
    // that the replaced file can be told from the old one.
    served = testsupport::TempDir::read(fs::path(testsupport::BinDir()) / "upgrade_testable") + "\nserved-build\n";
    box.Dir().write("srv/upgrade", served);
  }

  std::string ServerIni(const std::string& name) const { return "file://" + box.Dir().file("srv/" + name); }
  std::string Served(const std::string& name) const { return server.BaseUrl() + "/files/" + name; }

  // The client's archive: log on, [file3] and [file4] at their old
  // versions, the server configuration from srv/server.ini.
  void PrepareClient(const std::string& serverText) {
    box.WriteArchive({{"pre.dat", kPreLogOn},
                      {"client.dat", "[system]\r\nurls=url0=" + ServerIni("server.ini") +
                                         "\r\n[file3]\r\nver=1.0.0\r\n[file4]\r\nver=1.0.0\r\n"},
                      {"ui.dat", SkinText()}});
    box.Dir().write("srv/server.ini", common::Utf8ToGbk(serverText));
  }

  // The program item in slot 3 (silent, automatic).
  std::string ProgramItem(const std::string& version) const {
    return "[file3]\r\nver=" + version + "\r\nurls=url0=" + Served("upgrade") + "\r\nshow_type=2\r\nop_mode=1\r\n";
  }
  // The archive item in slot 4; the new archive reads server2.ini, which
  // offers nothing newer.
  std::string ArchiveItem() {
    box.WriteArchive({{"pre.dat", kPreLogOn},
                      {"client.dat", "[system]\r\nurls=url0=" + ServerIni("server2.ini") +
                                         "\r\n[file3]\r\nver=1.0.0\r\n[file4]\r\nver=1.0.0\r\n"},
                      {"ui.dat", SkinText()}},
                     "srv/upgrade.bin");
    return "[file4]\r\nver=2.0.0\r\nurls=url0=" + Served("upgrade.bin") + "\r\nshow_type=2\r\nop_mode=1\r\n";
  }

  // Runs the client (from folder, default its own) with the command log on,
  // while the host keeps reading: a host that stops reading misses outcomes
  // once the progress messages have filled its queue.
  int RunClient(const std::string& args, const std::string& folder = "") {
    return RunReading(ClientCommand(args, folder));
  }

  int RunReading(const std::string& command) {
    int exitCode = -1;
    std::atomic<bool> done{false};
    std::thread run([&] {
      exitCode = testsupport::RunCommand(command).exitCode;
      done = true;
    });
    while (!done) host.WaitFor(host.messages().size() + 1, 50);
    run.join();
    return exitCode;
  }

  std::string ClientCommand(const std::string& args, const std::string& folder = "") const {
    std::string cmd = box.Command(args);
    cmd.replace(cmd.find(" env "), 5, " env UPGRADE_COMMAND_LOG=" + ShellQuote(box.Dir().file("commands.txt")) + " ");
    if (!folder.empty()) {
      cmd.replace(0, cmd.find(" && "), "cd " + ShellQuote(folder));
      cmd.replace(cmd.find(" ./" + box.Program()), 3 + box.Program().size(),
                  " " + ShellQuote(box.Dir().file(box.Program())));
    }
    return cmd;
  }

  Lines Commands() const { return SplitLines(testsupport::TempDir::read(box.Dir().path() / "commands.txt")); }

  // The outcome codes heard, once `count` of them arrived (the processes of
  // a chain end one after another).
  std::vector<int64_t> Outcomes(size_t count) {
    std::vector<int64_t> codes;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(40);
    while (std::chrono::steady_clock::now() < deadline) {
      codes.clear();
      for (const auto& m : host.messages()) {
        if (m.message == 2023) codes.push_back(m.wParam);
      }
      if (codes.size() >= count) break;
      host.WaitFor(host.messages().size() + 1, 500);
    }
    host.Settle(300);
    codes.clear();
    for (const auto& m : host.messages()) {
      if (m.message == 2023) codes.push_back(m.wParam);
    }
    return codes;
  }

  // A member of the client's archive, as UTF-8.
  std::string Member(const std::string& member) const {
    auto r = testsupport::RunCommand("unzip -p " + ShellQuote(box.Dir().file("upgrade.bin")) + " " + member);
    return common::GbkToUtf8(r.output);
  }

  std::string Host() const { return "/HWND:" + std::to_string(host.endpoint()); }
  std::string Lower() const { return "/hwnd:" + std::to_string(host.endpoint()); }
  bool Exists(const std::string& name) const { return fs::exists(box.Dir().path() / name); }

  testsupport::HostCapture host;
  ClientSandbox box;
  testsupport::HttpTestServer server;
  std::string served;
};

TEST_F(UpgradeSelfUpdate, ProgramItemIsReplacedThroughThreeProcessesThenTheOrdinaryRunFollows) {
  PrepareClient(ProgramItem("1.2.0"));
  EXPECT_EQ(RunClient(Host()), 0);
  // Process 1 ends (4), the temporary program ends (4), the replaced
  // program finds nothing newer (2) and ends (4).
  EXPECT_EQ(Outcomes(4), (std::vector<int64_t>{4, 4, 2, 4}));
  const Lines commands = Commands();
  EXPECT_EQ(commands, (Lines{Host(), Host() + " /self_update:3-1.2.0", Lower() + " /self_finish:3-1.2.0"}));
  for (const std::string& line : commands) std::printf("[command line] %s\n", line.c_str());

  EXPECT_EQ(testsupport::TempDir::read(box.Dir().path() / "upgrade"), served);
  EXPECT_NE(fs::status(box.Dir().path() / "upgrade").permissions() & fs::perms::owner_exec, fs::perms::none);
  EXPECT_FALSE(Exists("upgrade.new"));
  EXPECT_NE(Member("client.dat").find("[file3]\r\nver=1.2.0\r\n"), std::string::npos) << Member("client.dat");
  // Every process after the first runs without a log, and leaves none.
  EXPECT_FALSE(box.LogExists());
  // The progress of the download reached the host from process 1 (progress
  // datagrams are dropped while the host's queue is full, so not every one).
  EXPECT_TRUE(std::any_of(host.messages().begin(), host.messages().end(),
                          [](const auto& m) { return m.message == 2021 || m.message == 2020; }));
}

// A version that is not dotted decimal would go into the next process's
// command line ("2.0 /OP:Preview /HWND:1" would be three switches): the
// self-update is skipped with a log line and the run has nothing to do.
TEST_F(UpgradeSelfUpdate, VersionThatIsNotDottedDecimalNeverStartsTheNextProcess) {
  PrepareClient(ProgramItem("2.0 /OP:Preview /HWND:1"));
  const std::string old = testsupport::TempDir::read(box.Dir().path() / "upgrade");
  RunClient(Host());
  EXPECT_EQ(Outcomes(2), (std::vector<int64_t>{2, 4}));
  EXPECT_EQ(Commands(), Lines{Host()});
  EXPECT_EQ(testsupport::TempDir::read(box.Dir().path() / "upgrade"), old);
  EXPECT_NE(Member("client.dat").find("[file3]\r\nver=1.0.0\r\n"), std::string::npos);
  EXPECT_FALSE(Exists("upgrade.new"));
  const Lines log = box.LogTexts();
  EXPECT_NE(std::find(log.begin(), log.end(), "★ 新程序的版本号不是数字版本号，本次不自我升级：2.0 /OP:Preview /HWND:1"),
            log.end());
}

TEST_F(UpgradeSelfUpdate, ArchiveItemAloneIsReplacedAndASecondPassReadsTheNewArchive) {
  PrepareClient(ArchiveItem());
  box.Dir().write("srv/server2.ini", common::Utf8ToGbk("[file4]\r\nver=2.0.0\r\nurls=url0=" + Served("upgrade.bin") +
                                                       "\r\n[system]\r\nrun_after=second-pass-hook\r\n"));
  RunClient(Host());
  // No second process; no 3 from the self-update, the second pass finds
  // nothing newer.
  EXPECT_EQ(Outcomes(2), (std::vector<int64_t>{2, 4}));
  EXPECT_EQ(Commands(), Lines{Host()});
  EXPECT_NE(Member("client.dat").find("server2.ini"), std::string::npos);
  EXPECT_NE(Member("client.dat").find("[file4]\r\nver=2.0.0\r\n"), std::string::npos);
  EXPECT_FALSE(Exists("upgrade.bin.ubk"));
  // The log is the second pass's alone, read from the new archive.
  const Lines log = box.LogTexts();
  EXPECT_EQ(std::count(log.begin(), log.end(), "★ 版本比较。"), 1);
  EXPECT_NE(std::find(log.begin(), log.end(), "urls=url0=" + ServerIni("server2.ini")), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "ver=2.0.0"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "退出升级程序前执行：second-pass-hook"), log.end());
  EXPECT_EQ(std::find(log.begin(), log.end(), kFound), log.end());
}

TEST_F(UpgradeSelfUpdate, ProgramAndArchiveTogetherFromAnotherWorkingFolder) {
  PrepareClient(ProgramItem("1.2.0") + ArchiveItem());
  box.Dir().write("srv/server2.ini", common::Utf8ToGbk(ProgramItem("1.2.0") + ArchiveItem()));
  // Started from elsewhere, as a host application starts it: the files are
  // still found beside the program.
  RunClient(Host(), box.Dir().file("home"));
  EXPECT_EQ(Outcomes(4), (std::vector<int64_t>{4, 4, 2, 4}));
  EXPECT_EQ(Commands().size(), 3u);
  EXPECT_EQ(testsupport::TempDir::read(box.Dir().path() / "upgrade"), served);
  // The download page replaced the archive; the temporary program recorded
  // the program's version in that new archive.
  const std::string client = Member("client.dat");
  EXPECT_NE(client.find("server2.ini"), std::string::npos);
  EXPECT_NE(client.find("[file3]\r\nver=1.2.0\r\n"), std::string::npos) << client;
  EXPECT_NE(client.find("[file4]\r\nver=2.0.0\r\n"), std::string::npos) << client;
  EXPECT_FALSE(Exists("upgrade.new"));
  EXPECT_FALSE(Exists("upgrade.bin.ubk"));
}

TEST_F(UpgradeSelfUpdate, FailedCopyRecordsNothingStartsNothingAndTheNextRunSaysSo) {
  PrepareClient(ProgramItem("1.0.0"));
  // The old program's place is taken by a folder: the copy cannot go there.
  fs::rename(box.Dir().path() / "upgrade", box.Dir().path() / "upgrade.new");
  box.Dir().write("upgrade/keep", "x");
  const std::string archive = testsupport::TempDir::read(box.Dir().path() / "upgrade.bin");
  std::string cmd = ClientCommand(Host() + " /self_update:3-1.2.0");
  cmd.replace(cmd.find(" ./upgrade "), 11, " ./upgrade.new ");
  RunReading(cmd);
  EXPECT_EQ(Outcomes(1), (std::vector<int64_t>{4}));
  EXPECT_EQ(Commands().size(), 1u);
  EXPECT_TRUE(Exists("upgrade.new"));
  EXPECT_EQ(testsupport::TempDir::read(box.Dir().path() / "upgrade.bin"), archive);

  // The next ordinary run of the program tells of it.
  fs::remove_all(box.Dir().path() / "upgrade");
  fs::copy_file(box.Dir().path() / "upgrade.new", box.Dir().path() / "upgrade");
  fs::permissions(box.Dir().path() / "upgrade", fs::perms::owner_all);
  RunClient("/OP:CheckVer");
  const Lines log = box.LogTexts();
  EXPECT_NE(std::find(log.begin(), log.end(), "★ 上次的自我升级没有完成，新程序仍在：" + box.Dir().file("upgrade.new")),
            log.end());
}

// Self-update files that cannot be used: the old program and archive stay,
// the host hears the download failure, nothing is left behind, the
// ordinary item of the same configuration is installed, and the next run
// does not fetch the same version again until the configuration changes.
class UpgradeUnusableSelfUpdate : public UpgradeSelfUpdate {
 protected:
  // serve writes the item's file under srv/ once the client is prepared.
  void Check(bool programItem, const std::function<void()>& serve) {
    box.Dir().write("srv/app.txt", "new app data");
    const std::string item = programItem ? ProgramItem("1.2.0")
                                         : "[file4]\r\nver=2.0.0\r\nurls=url0=" + Served("upgrade.bin") +
                                               "\r\nshow_type=2\r\nop_mode=1\r\n";
    const std::string ordinary = "[file0]\r\nver=1.1.0\r\nurls=url0=" + Served("app.txt") +
                                 "\r\npath=data\r\nshow_type=2\r\nop_mode=1\r\n";
    PrepareClient(item + ordinary);
    serve();
    const std::string program = testsupport::TempDir::read(box.Dir().path() / "upgrade");
    RunClient(Host());
    // One process: -3 for the self-update, then the ordinary run.
    EXPECT_EQ(Outcomes(4), (std::vector<int64_t>{-3, 3, 1, 4}));
    EXPECT_EQ(Commands(), Lines{Host()});
    EXPECT_EQ(testsupport::TempDir::read(box.Dir().path() / "upgrade"), program);
    EXPECT_FALSE(Exists("upgrade.new"));
    EXPECT_FALSE(Exists("upgrade.bin.ubk"));
    EXPECT_EQ(testsupport::TempDir::read(box.Dir().path() / "data/app.txt"), "new app data");
    const std::string client = Member("client.dat");
    EXPECT_NE(client.find("[file0]\r\nver=1.1.0\r\n"), std::string::npos) << client;
    const Lines log = box.LogTexts();
    EXPECT_NE(std::find(log.begin(), log.end(), "★ 继续升级其他项目。"), log.end());

    // The same configuration again: the refused version is skipped.
    RunClient(Host());
    EXPECT_EQ(Outcomes(6), (std::vector<int64_t>{-3, 3, 1, 4, 2, 4}));
    const Lines again = box.LogTexts();
    EXPECT_EQ(std::count(again.begin(), again.end(), kFound), 1);
    EXPECT_FALSE(Exists("upgrade.new"));
    EXPECT_FALSE(Exists("upgrade.bin.ubk"));
    EXPECT_EQ(testsupport::TempDir::read(box.Dir().path() / "upgrade"), program);
    EXPECT_EQ(Member("client.dat"), client);

    // A changed configuration offers it again (and it fails again).
    box.Dir().write("srv/server.ini", common::Utf8ToGbk(item + ordinary + "[system]\r\nrun_after=x\r\n"));
    RunClient(Host());
    EXPECT_EQ(Outcomes(8), (std::vector<int64_t>{-3, 3, 1, 4, 2, 4, -3, 4}));
    EXPECT_FALSE(Exists("upgrade.new"));
  }
};

TEST_F(UpgradeUnusableSelfUpdate, ProgramCutShort) {
  Check(true, [&] { box.Dir().write("srv/upgrade", served.substr(0, served.size() / 2)); });
}

TEST_F(UpgradeUnusableSelfUpdate, ProgramThatIsAZip) {
  Check(true, [&] { box.Dir().write("srv/upgrade", testsupport::TempDir::read(box.Dir().path() / "upgrade.bin")); });
}

TEST_F(UpgradeUnusableSelfUpdate, ArchiveOfGarbage) {
  Check(false, [&] { box.Dir().write("srv/upgrade.bin", std::string(3000, 'x')); });
}

TEST_F(UpgradeUnusableSelfUpdate, ArchiveWithoutClientDat) {
  Check(false, [&] { box.WriteArchive({{"ui.dat", SkinText()}}, "srv/upgrade.bin"); });
}

}  // namespace
}  // namespace apptest
