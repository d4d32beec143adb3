#include "platform/processes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/gbk.h"
#include "platform/folders.h"
#include "tests/platform/child_process.h"
#include "tests/support/run_command.h"

namespace platform {
namespace {

using namespace std::chrono_literals;

bool Has(const std::vector<int>& pids, int pid) {
  return std::find(pids.begin(), pids.end(), pid) != pids.end();
}

const ProcessInfo* Listed(const std::vector<ProcessInfo>& list, int pid) {
  for (const ProcessInfo& p : list) {
    if (p.pid == pid) return &p;
  }
  return nullptr;
}

// A copy of `sleep` under a Chinese name longer than the 15 characters the
// kernel keeps as a process's short name: the closer matches the full name.
TEST(Processes, ChildIsListedByItsFullExecutableNameAndEndsOnQuit) {
  testsupport::TempDir dir;
  const std::string program = dir.file("升级助手-long-program-name");
  std::filesystem::copy_file("/bin/sleep", program);
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  ChildProcess child({program, "30"});
  ASSERT_GT(child.pid(), 0);

  ASSERT_TRUE(ChildProcess::Eventually([&] { return Has(ProcessesUsingFile(program), child.pid()); }));
  EXPECT_TRUE(Has(ProcessesRunningFiles({dir.file("missing"), program})[1], child.pid()));
  const auto list = ListProcesses();
  const ProcessInfo* info = Listed(list, child.pid());
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->name, common::Gbk("升级助手-long-program-name"));
  EXPECT_EQ(info->path, common::Utf8ToGbk(program));
  EXPECT_TRUE(IsProcessAlive(child.pid()));
  EXPECT_TRUE(CanOpen(child.pid()));

  // Ended counts once it has exited, before anyone collects its status.
  EXPECT_EQ(SendQuit(child.pid()), SignalResult::kSent);
  EXPECT_EQ(WaitForEnd(child.pid(), 5s), WaitResult::kEnded);
  EXPECT_FALSE(IsProcessAlive(child.pid()));
  EXPECT_FALSE(Has(ProcessesUsingFile(program), child.pid()));
  child.Reap();
  EXPECT_EQ(SendQuit(child.pid()), SignalResult::kNoProcess);
  EXPECT_EQ(WaitForEnd(child.pid(), 1s), WaitResult::kEnded);
  EXPECT_FALSE(CanOpen(child.pid()));
}

TEST(Processes, ProgramThatIgnoresQuitOutlastsTheWaitAndIsTerminated) {
  testsupport::TempDir dir;
  const std::string marker = dir.file("trapped");
  ChildProcess child({"/bin/sh", "-c", "trap '' TERM; : > '" + marker + "'; while :; do sleep 0.05; done"});
  ASSERT_TRUE(ChildProcess::Eventually([&] { return std::filesystem::exists(marker); }));

  ASSERT_EQ(SendQuit(child.pid()), SignalResult::kSent);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForEnd(child.pid(), 300ms), WaitResult::kTimedOut);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
  EXPECT_TRUE(IsProcessAlive(child.pid()));

  EXPECT_EQ(Terminate(child.pid()), SignalResult::kSent);
  EXPECT_EQ(WaitForEnd(child.pid(), 5s), WaitResult::kEnded);
}

// A process holding an older file that has since been replaced at the path
// does not hold the new one.
TEST(Processes, MappedFileNamesTheProcessesThatMapIt) {
  testsupport::TempDir dir;
  const std::string data = dir.write("数据.bin", std::string(8192, 'x'));
  ChildProcess child({testsupport::kPython, "-c",
                      "import mmap,sys,time\n"
                      "f=open(sys.argv[1],'rb'); m=mmap.mmap(f.fileno(),0,access=mmap.ACCESS_READ)\n"
                      "f.close(); time.sleep(30)",
                      data});
  ASSERT_TRUE(ChildProcess::Eventually([&] { return Has(ProcessesUsingFile(data), child.pid()); }));
  EXPECT_FALSE(Has(ProcessesUsingFile(data), OwnProcessId()));
  // Mapping a file is not running it.
  EXPECT_TRUE(ProcessesRunningFiles({data})[0].empty());

  dir.write("new.bin", "y");
  std::filesystem::rename(dir.file("new.bin"), data);
  EXPECT_FALSE(Has(ProcessesUsingFile(data), child.pid()));
  EXPECT_TRUE(ProcessesUsingFile(dir.file("missing")).empty());
}

TEST(Processes, OwnMappedFilesStartWithThisProgramAndHoldItsLibraries) {
  const auto files = OwnMappedFiles();
  ASSERT_FALSE(files.empty());
  EXPECT_EQ(files.front(), ModulePath());
  EXPECT_TRUE(std::any_of(files.begin(), files.end(),
                          [](const std::string& f) { return f.find("/libc.so") != std::string::npos; }));
  EXPECT_EQ(std::count(files.begin(), files.end(), files.front()), 1);
}

// kill() with 0 or a negative id would reach a whole process group,
// this test run's included.
TEST(Processes, IdsThatNameNoSingleProcessAreLeftAlone) {
  for (int pid : {0, -1, -OwnProcessId()}) {
    EXPECT_EQ(SendQuit(pid), SignalResult::kNoProcess) << pid;
    EXPECT_EQ(Terminate(pid), SignalResult::kNoProcess) << pid;
    EXPECT_FALSE(IsProcessAlive(pid));
    EXPECT_FALSE(CanOpen(pid));
    EXPECT_EQ(WaitForEnd(pid, 1s), WaitResult::kEnded);
  }
  EXPECT_TRUE(IsProcessAlive(OwnProcessId()));
}

}  // namespace
}  // namespace platform
