#include "client/install/process_closer.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "client/install/update_worker.h"
#include "platform/file_operations.h"
#include "platform/processes.h"
#include "tests/client/install/install_rig.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xvfb_tray.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using install_test::InstallRig;
using install_test::PageRecorder;

// A child of the test; its exit status is collected by Wait.
class Child {
 public:
  explicit Child(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid_ = 0;
  }
  ~Child() {
    if (pid_ > 0 && status_ < 0) {
      kill(pid_, SIGKILL);
      Wait();
    }
  }
  int pid() const { return pid_; }
  /// The signal that ended it (0 when it exited by itself).
  int Wait() {
    int status = 0;
    if (status_ < 0 && waitpid(pid_, &status, 0) == pid_) status_ = status;
    return WIFSIGNALED(status_) ? WTERMSIG(status_) : 0;
  }

 private:
  pid_t pid_ = 0;
  int status_ = -1;
};

// Waits until the child runs `program` (after its exec).
bool RunsProgram(int pid, const std::string& program) {
  for (int i = 0; i < 250; ++i) {
    auto users = platform::ProcessesUsingFile(program);
    if (std::find(users.begin(), users.end(), pid) != users.end()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

void RunWorker(InstallRig& rig, PageRecorder& page) {
  platform::RealFileOperations ops;
  transfer::UpdateTimings timings;
  timings.settle = std::chrono::milliseconds(0);
  transfer::UpdateWorker worker(transfer::InstallEnv{rig.Run(), page, ops, ""}, timings);
  worker.Run();
}

// The closer alone on a run, acting on processes through control.
bool Close(InstallRig& rig, PageRecorder& page, transfer::ProcessControl* control) {
  platform::RealFileOperations ops;
  transfer::InstallEnv env{rig.Run(), page, ops, ""};
  transfer::ProcessCloser closer(env);
  closer.SetQuitWait(std::chrono::milliseconds(50));
  closer.SetProcessControl(control);
  return closer.CloseRelatedPrograms();
}

// The platform's calls, except those a case makes fail: the quit request is
// not sent (the program "ignores" it), SIGKILL fails while killFailures
// lasts, and the process cannot be opened from the openFailsFrom-th look on.
class FailingControl : public transfer::ProcessControl {
 public:
  int killFailures = 0;
  int openFailsFrom = 1000;
  int kills = 0;
  int opens = 0;

  bool CanOpen(int pid) override { return ++opens < openFailsFrom && ProcessControl::CanOpen(pid); }
  platform::SignalResult SendQuit(int) override { return platform::SignalResult::kSent; }
  platform::SignalResult Terminate(int pid) override {
    if (kills++ < killFailures) return platform::SignalResult::kAccessDenied;
    return ProcessControl::Terminate(pid);
  }
};

// A program started from an item's target is found because it executes
// the file, asked to quit (SIGTERM), and its file is replaced; the user is
// warned once. One that ignores the request is ended by force after 5 s.
TEST(ProcessCloser, ProgramRunningFromATargetIsEndedAndReplaced) {
  for (bool ignoresQuit : {false, true}) {
    testsupport::TempDir dir;
    InstallRig rig(dir.path().string());
    const std::string app = rig.AppFolder();
    rig.WriteArchive("[dir0]\r\nver=1.0\r\n");
    fs::copy_file("/bin/sleep", app + "held");
    rig.AddDirDownload(0, "", "held", "#!/bin/sh\necho new\n");
    rig.AddDirDownload(0, "", "other.txt", "other");
    // An ignored signal stays ignored across exec.
    Child child = ignoresQuit ? Child({"/bin/sh", "-c", "trap '' TERM; exec \"$0\" 30", app + "held"})
                              : Child({app + "held", "30"});
    ASSERT_GT(child.pid(), 0);
    ASSERT_TRUE(RunsProgram(child.pid(), app + "held"));

    PageRecorder page(&rig.Run());
    const auto start = Clock::now();
    RunWorker(rig, page);
    const auto took = Clock::now() - start;
    EXPECT_EQ(page.finished, 1);
    EXPECT_EQ(child.Wait(), ignoresQuit ? SIGKILL : SIGTERM);
    if (ignoresQuit) {
      EXPECT_GE(took, std::chrono::seconds(5));
    } else {
      EXPECT_LT(took, std::chrono::seconds(5));
    }
    EXPECT_EQ(InstallRig::Read(app + "held"), "#!/bin/sh\necho new\n");
    EXPECT_EQ(page.notices, std::vector<std::string>{rig.Ui().closeWinMsg});
    EXPECT_TRUE(rig.Logged("结束应用程序（模块）：held"));
    EXPECT_TRUE(page.Said("正在关闭相关的应用程序"));
  }
}

// A program named in close_proc2 (by its window's title) that this run may
// not end (another user's: the installation runs as nobody): a silent run
// stops the stage at once, before anything is backed up or replaced.
TEST(ProcessCloser, ProgramThatCannotBeEndedStopsASilentRunWithNothingChanged) {
  if (geteuid() != 0 || !fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "needs root and setpriv";
  testsupport::XvfbTray x;
  if (!x.Ok()) GTEST_SKIP() << x.Error();
  testsupport::TempDir dir;
  fs::permissions(dir.path(), fs::perms::all);
  const std::string app = dir.path().string() + "/app/";
  InstallRig rig(dir.path().string());
  rig.WriteArchive("[dir0]\r\nver=1.0\r\n");
  InstallRig::Write(app + "f000.txt", "old 0");
  InstallRig::Write(dir.file("work/dir0/f000.txt"), "new 0");
  testsupport::RunCommand("chown -R nobody " + testsupport::ShellQuote(dir.path().string()));
  setenv("DISPLAY", x.Display().c_str(), 1);
  const std::string window = testsupport::BinDir() + "/test_window";
  Child root({window, "RootHeld", "held", "Held"});
  ASSERT_TRUE(RunsProgram(root.pid(), window));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // mapped

  const auto result = testsupport::RunCommand(
      "DISPLAY=" + x.Display() + " /usr/bin/setpriv --reuid=nobody --regid=nogroup --clear-groups " + testsupport::BinDir() +
      "/install_run " + testsupport::ShellQuote(dir.path().string()) + " " + testsupport::ShellQuote(app) +
      " 1 RootHeld");
  unsetenv("DISPLAY");
  EXPECT_EQ(result.exitCode, 1) << result.output;
  EXPECT_NE(result.output.find("操作失败，此应用程序（模块）无法终止！"), std::string::npos) << result.output;
  EXPECT_EQ(result.output.find("开始更新..."), std::string::npos) << result.output;
  EXPECT_EQ(InstallRig::Read(app + "f000.txt"), "old 0");
  EXPECT_FALSE(fs::exists(app + "f000.txt.ebk"));
  EXPECT_FALSE(fs::exists(app + "upgrade.bin.journal"));
  EXPECT_TRUE(platform::IsProcessAlive(root.pid()));
}

// Installs go in by rename: a program that only maps a file being replaced
// (a data file, a library) keeps the old one and is left running; nothing
// is asked or logged about it.
TEST(ProcessCloser, ProgramThatOnlyMapsADataFileOrALibraryKeepsRunning) {
  testsupport::TempDir dir;
  InstallRig rig(dir.path().string());
  const std::string app = rig.AppFolder();
  rig.WriteArchive("[dir0]\r\nver=1.0\r\n");
  InstallRig::Write(app + "data.bin", std::string(8192, 'd'));
  fs::copy_file("/lib/x86_64-linux-gnu/libz.so.1", app + "libzz.so");
  rig.AddDirDownload(0, "", "data.bin", "new data");
  rig.AddDirDownload(0, "", "libzz.so", "new library");
  rig.Decision().closeProcesses = true;
  Child mapper({testsupport::kPython, "-c",
                "import mmap,sys,time\n"
                "f=open(sys.argv[1],'rb'); m=mmap.mmap(f.fileno(),0,access=mmap.ACCESS_READ)\n"
                "time.sleep(30)",
                app + "data.bin"});
  Child loader({testsupport::kPython, "-c", "import ctypes,sys,time; ctypes.CDLL(sys.argv[1]); time.sleep(30)",
                app + "libzz.so"});
  for (const auto& [child, file] : {std::pair{&mapper, "data.bin"}, std::pair{&loader, "libzz.so"}}) {
    ASSERT_TRUE(RunsProgram(child->pid(), app + file)) << file;  // mapped by now
  }

  PageRecorder page(&rig.Run());
  RunWorker(rig, page);
  EXPECT_EQ(page.finished, 1);
  EXPECT_TRUE(platform::IsProcessAlive(mapper.pid()));
  EXPECT_TRUE(platform::IsProcessAlive(loader.pid()));
  EXPECT_EQ(InstallRig::Read(app + "data.bin"), "new data");
  EXPECT_EQ(InstallRig::Read(app + "libzz.so"), "new library");
  EXPECT_TRUE(page.notices.empty());
  for (const std::string& line : rig.LogTexts()) EXPECT_EQ(line.find("结束应用程序"), std::string::npos) << line;
}

// close_proc1 by executable name: a copy of sleep under a name of its own
// is ended. A name no program has but one of the client's own modules ends
// with finds the client itself, which is never ended.
TEST(ProcessCloser, CloseProc1EndsByNameButNeverTheClientItself) {
  testsupport::TempDir dir;
  InstallRig rig(dir.path().string());
  const std::string program = dir.file("helper-daemon");
  fs::copy_file("/bin/sleep", program);
  Child child({program, "30"});
  ASSERT_TRUE(RunsProgram(child.pid(), program));
  const std::string ownModule = "LIBC.SO.6";
  EXPECT_EQ(transfer::ProcessCloser::FindProcessByName("HELPER-DAEMON"), child.pid());
  EXPECT_EQ(transfer::ProcessCloser::FindProcessByName(ownModule), platform::OwnProcessId());
  EXPECT_EQ(transfer::ProcessCloser::FindProcessByName("no-such-program-here"), 0);
  rig.System().closeProc1 = {ownModule, "helper-daemon"};
  rig.Decision().closeProcesses = true;
  PageRecorder page(&rig.Run());
  EXPECT_TRUE(Close(rig, page, nullptr));
  EXPECT_EQ(child.Wait(), SIGTERM);
  EXPECT_FALSE(rig.Logged("结束应用程序（模块）：" + ownModule));
  EXPECT_TRUE(rig.Logged("结束应用程序（模块）：helper-daemon"));
  // Without the close flag the lists are not looked at.
  Child second({program, "30"});
  ASSERT_TRUE(RunsProgram(second.pid(), program));
  rig.Decision().closeProcesses = false;
  EXPECT_TRUE(Close(rig, page, nullptr));
  EXPECT_TRUE(platform::IsProcessAlive(second.pid()));
}

// close_proc3 names a window class: the program that owns the first window
// of that class is ended.
TEST(ProcessCloser, CloseProc3EndsTheOwnerOfAWindowOfThatClass) {
  testsupport::XvfbTray x;
  if (!x.Ok()) GTEST_SKIP() << x.Error();
  setenv("DISPLAY", x.Display().c_str(), 1);
  testsupport::TempDir dir;
  InstallRig rig(dir.path().string());
  const std::string window = testsupport::BinDir() + "/test_window";
  Child owner({window, "Some Title", "inst", "FieldEditorClass"});
  ASSERT_TRUE(RunsProgram(owner.pid(), window));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // mapped
  rig.System().closeProc3 = {"NoSuchClass", "FieldEditorClass"};
  rig.Decision().closeProcesses = true;
  PageRecorder page(&rig.Run());
  const bool closed = Close(rig, page, nullptr);
  unsetenv("DISPLAY");
  EXPECT_TRUE(closed);
  EXPECT_EQ(owner.Wait(), SIGTERM);
  EXPECT_TRUE(rig.Logged("结束应用程序（模块）：FieldEditorClass"));
  EXPECT_FALSE(rig.Logged("结束应用程序（模块）：NoSuchClass"));
}

// The loop after the quit request went unheeded: a failed SIGKILL asks
// Retry/Cancel (a silent run answers Cancel at once, without a box), Retry
// tries again; a process that cannot be opened (another user's) is not
// ended, with the access notice.
TEST(ProcessCloser, RetryLoopAndAccessFailure) {
  const std::string resist = "此应用程序（模块）暂时无法终止！";
  const std::string cannotEnd = "操作失败，此应用程序（模块）无法终止！";
  const std::string denied = "操作失败，可能是访问权限不够！";
  struct Case {
    const char* what;
    int killFailures;
    int openFailsFrom;
    bool retry;
    bool ok;
    std::vector<std::string> notices;  // after the close warning
    int kills;
  } cases[] = {
      {"kill fails once, Retry", 1, 1000, true, true, {resist}, 2},
      {"kill fails, Cancel or silent", 1000, 1000, false, false, {resist}, 1},
      {"kill fails, then cannot be opened", 1000, 2, true, false, {}, 1},
      {"cannot be opened at all", 0, 1, true, false, {denied}, 0},
  };
  for (const Case& c : cases) {
    testsupport::TempDir dir;
    InstallRig rig(dir.path().string());
    const std::string program = dir.file("stubborn-closer-test");
    fs::copy_file("/bin/sleep", program);
    Child child({program, "30"});
    ASSERT_TRUE(RunsProgram(child.pid(), program));
    rig.System().closeProc1 = {"stubborn-closer-test"};
    rig.Decision().closeProcesses = true;
    PageRecorder page(&rig.Run());
    page.retryAnswer = c.retry;
    FailingControl control;
    control.killFailures = c.killFailures;
    control.openFailsFrom = c.openFailsFrom;
    EXPECT_EQ(Close(rig, page, &control), c.ok) << c.what;
    std::vector<std::string> notices;
    for (size_t i = 1; i < page.notices.size(); ++i) notices.push_back(common::GbkToUtf8(page.notices[i]));
    ASSERT_FALSE(page.notices.empty()) << c.what;
    EXPECT_EQ(page.notices[0], rig.Ui().closeWinMsg) << c.what;
    EXPECT_EQ(notices, c.notices) << c.what;
    EXPECT_EQ(control.kills, c.kills) << c.what;
    EXPECT_EQ(page.Said(cannotEnd), !c.ok) << c.what;
    if (c.ok) {
      EXPECT_EQ(child.Wait(), SIGKILL) << c.what;
    } else {
      EXPECT_TRUE(platform::IsProcessAlive(child.pid())) << c.what;
    }
  }
}

}  // namespace
