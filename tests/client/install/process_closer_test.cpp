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

}  // namespace
