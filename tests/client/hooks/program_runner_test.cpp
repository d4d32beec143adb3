#include "client/hooks/program_runner.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "common/gbk.h"
#include "tests/support/temp_dir.h"

namespace {

using transfer::CommandParts;
using transfer::RunProgram;
using transfer::SplitCommandLine;
using transfer::SplitParameters;
using testsupport::TempDir;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kDone = "执行完毕！";
const std::string kNoFile = "指定文件不存在";
const std::string kNoPath = "指定路径不存在";
const std::string kNoAssociation = "没有与制定文件名扩展对应的应用程序";

void ExpectParts(const CommandParts& p, const std::string& folder, const std::string& program,
                 const std::string& parameters) {
  EXPECT_EQ(p.folder, folder);
  EXPECT_EQ(p.program, program);
  EXPECT_EQ(p.parameters, parameters);
}

TEST(ProgramRunnerSplit, ExtensionFollowedByBlankEndsTheProgram) {
  ExpectParts(SplitCommandLine("C:\\Tools\\setup.exe /quiet /norestart"), "C:\\Tools\\",
              "setup.exe", "/quiet /norestart");
  // The blank inside the folder name does not split the line.
  ExpectParts(SplitCommandLine("C:\\Program Files\\App\\app.exe -x"), "C:\\Program Files\\App\\",
              "app.exe", "-x");
  // Any case; the first position wins over a later extension.
  ExpectParts(SplitCommandLine("D:\\run.BaT x.exe y"), "D:\\", "run.BaT", "x.exe y");
  ExpectParts(SplitCommandLine("D:\\a.exe.d\\b.Com  two"), "D:\\a.exe.d\\", "b.Com", " two");
}

TEST(ProgramRunnerSplit, WithoutBlankOrMatchTheWholeLineIsTheProgram) {
  ExpectParts(SplitCommandLine("C:\\Tools\\setup.exe"), "C:\\Tools\\", "setup.exe", "");
  ExpectParts(SplitCommandLine(" setup.exe -q"), "", " setup.exe -q", "");
  ExpectParts(SplitCommandLine("/nowhere/My Tools/setup -x"), "/nowhere/My Tools/", "setup -x", "");
  ExpectParts(SplitCommandLine("notes"), "", "notes", "");
}

TEST(ProgramRunnerSplit, FolderSplitSkipsTrailBytesThatLookLikeBackslash) {
  // 乗 is 81 5C in GBK: its second byte must not end the folder.
  ExpectParts(SplitCommandLine(common::Gbk("C:\\工具\\乗.exe p")), common::Gbk("C:\\工具\\"),
              common::Gbk("乗.exe"), "p");
  ExpectParts(SplitCommandLine(common::Gbk("C:\\乗 x")), common::Gbk("C:\\"), common::Gbk("乗 x"), "");
}

TEST(ProgramRunnerSplit, ExistingFileWithoutExtensionEndsTheProgram) {
  TempDir dir("upgrade runner-");
  dir.write("My Tools/setup", "#!/bin/sh\n");
  dir.write("My Tools/setup -x", "");  // not reached: the first blank that names a file wins
  const std::string folder = dir.path().string() + "/My Tools/";
  ExpectParts(SplitCommandLine(folder + "setup -x --y"), folder, "setup", "-x --y");
  // A folder is not a program: "/tmp/upgrade runner-..." alone must not split.
  ExpectParts(SplitCommandLine(folder + "absent -x"), folder, "absent -x", "");
}

TEST(ProgramRunnerSplit, ParametersSplitOnBlanksAndDoubleQuotes) {
  EXPECT_EQ(SplitParameters("  -a   \"b c\" \"\" d\te"),
            (std::vector<std::string>{"-a", "b c", "", "d", "e"}));
  EXPECT_EQ(SplitParameters("x\"y z\"w C:\\dir\\"), (std::vector<std::string>{"xy zw", "C:\\dir\\"}));
  EXPECT_TRUE(SplitParameters("   ").empty());
}

// Real child processes: shell scripts written into a folder whose name has
// a blank; the PATH of the test process decides which helper tools exist.
class ProgramRunner : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* path = std::getenv("PATH");
    savedPath_ = path ? path : "";
    tools_ = dir_.path().string() + "/tools";
    fs::create_directories(tools_);
    setenv("PATH", tools_.c_str(), 1);  // no xdg-open, regedit or regsvr32 unless a test adds one
  }
  void TearDown() override { setenv("PATH", savedPath_.c_str(), 1); }

  std::string Script(const std::string& relative, const std::string& body, bool runnable = true) {
    const std::string file = dir_.write(relative, "#!/bin/sh\n" + body);
    chmod(file.c_str(), runnable ? 0755 : 0644);
    return file;
  }
  std::string Run(const std::string& utf8CommandLine, bool wait) {
    return common::GbkToUtf8(RunProgram(common::Gbk(utf8CommandLine), wait));
  }
  std::string Read(const std::string& relative) { return TempDir::read(dir_.file(relative)); }
  // Waits up to 5 s for a file the child writes last.
  bool AppearsSoon(const std::string& relative) {
    for (int i = 0; i < 500 && !fs::exists(dir_.file(relative)); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return fs::exists(dir_.file(relative));
  }

  TempDir dir_{"upgrade runner-"};
  std::string tools_;
  std::string savedPath_;
};

// Records working folder and arguments, one per line in brackets.
const char* kReport =
    "out=\"$(/usr/bin/dirname \"$0\")/seen.tmp\"\n"
    "{ pwd; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; } > \"$out\"\n"
    "/usr/bin/mv \"$out\" \"$(/usr/bin/dirname \"$0\")/seen.txt\"\n";

TEST_F(ProgramRunner, ChildSeesItsFolderAndParameters) {
  const std::string program = Script("My Apps/report", kReport);
  EXPECT_EQ(Run(program + " -a \"b c\" 中文   \t", true), kDone);
  EXPECT_EQ(Read("My Apps/seen.txt"), dir_.path().string() + "/My Apps\n[-a]\n[b c]\n[中文]\n");
}

TEST_F(ProgramRunner, ExtensionRuleAndBackslashesWorkOnLinuxPaths) {
  Script("My Apps/setup.exe", kReport);
  const std::string windowsStyle = dir_.path().string() + "\\My Apps\\setup.exe /quiet /norestart";
  EXPECT_EQ(Run(windowsStyle, true), kDone);
  EXPECT_EQ(Read("My Apps/seen.txt"), dir_.path().string() + "/My Apps\n[/quiet]\n[/norestart]\n");
}

TEST_F(ProgramRunner, ScriptWithoutInterpreterLineRunsWithTheShell) {
  const std::string file = dir_.write("plain", "echo ran > \"$(/usr/bin/dirname \"$0\")/ran.txt\"\n");
  chmod(file.c_str(), 0755);
  EXPECT_EQ(Run(file, true), kDone);
  EXPECT_EQ(Read("ran.txt"), "ran\n");
}

TEST_F(ProgramRunner, WaitReturnsAfterTheChildNoWaitBefore) {
  const std::string program =
      Script("slow", "echo $$ > \"$(/usr/bin/dirname \"$0\")/pid.txt\"\n/usr/bin/sleep 0.6\n"
                     "echo end > \"$(/usr/bin/dirname \"$0\")/end.txt\"\n");
  auto start = Clock::now();
  EXPECT_EQ(Run(program, true), kDone);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(600));
  EXPECT_TRUE(fs::exists(dir_.file("end.txt")));

  fs::remove(dir_.file("end.txt"));
  fs::remove(dir_.file("pid.txt"));
  start = Clock::now();
  EXPECT_EQ(Run(program, false), kDone);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_FALSE(fs::exists(dir_.file("end.txt")));
  ASSERT_TRUE(AppearsSoon("end.txt"));
  // The child that nobody waited for must be reaped, not left a zombie.
  ASSERT_TRUE(AppearsSoon("pid.txt"));
  const std::string proc = "/proc/" + std::to_string(std::atoi(Read("pid.txt").c_str()));
  for (int i = 0; i < 300 && fs::exists(proc); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_FALSE(fs::exists(proc)) << "child still in the process table";
}

TEST_F(ProgramRunner, MissingProgramOrFolderGiveTheirTexts) {
  fs::create_directories(dir_.file("Empty Dir"));
  EXPECT_EQ(Run(dir_.file("Empty Dir") + "/absent -x", true), kNoFile);
  EXPECT_EQ(Run(dir_.file("No Such Dir") + "/tool -x", true), kNoPath);
  EXPECT_EQ(Run(dir_.file("No Such Dir") + "\\setup.exe /q", false), kNoPath);
  // A folder part that is a file is a path error too.
  Script("afile", "");
  EXPECT_EQ(Run(dir_.file("afile") + "/tool", true), kNoPath);
  EXPECT_EQ(Run("tool-nobody-has", true), kNoFile);
}

TEST_F(ProgramRunner, ProgramStillBeingWrittenIsASharingViolation) {
  fs::create_directories(dir_.file("bin"));
  fs::copy_file("/bin/true", dir_.file("bin/tool"));
  std::ofstream writer(dir_.file("bin/tool"), std::ios::binary | std::ios::app);
  ASSERT_TRUE(writer.is_open());
  EXPECT_EQ(Run(dir_.file("bin") + "/tool -x", true), "共享违规发生了");
  writer.close();
  EXPECT_EQ(Run(dir_.file("bin") + "/tool -x", true), kDone);
}

TEST_F(ProgramRunner, DocumentWithoutOpenerHasNoAssociation) {
  dir_.write("My Docs/notes.txt", "hello\n");
  EXPECT_EQ(Run(dir_.file("My Docs") + "/notes.txt", false), kNoAssociation);
  Script("My Docs/tool", "exit 0\n", false);  // no run bit: a document too
  EXPECT_EQ(Run(dir_.file("My Docs") + "/tool", true), kNoAssociation);
}

TEST_F(ProgramRunner, DocumentGoesToTheOpenerFoundAlongPath) {
  Script("tools/xdg-open",
         "{ pwd; printf '[%s]\\n' \"$@\"; } > \"" + tools_ + "/opened.txt\"\n"
         "case \"$1\" in *.odd) exit 3;; esac\n");
  dir_.write("My Docs/notes.txt", "hello\n");
  EXPECT_EQ(Run(dir_.file("My Docs") + "\\notes.txt", true), kDone);
  EXPECT_EQ(Read("tools/opened.txt"),
            dir_.file("My Docs") + "\n[" + dir_.file("My Docs") + "/notes.txt]\n");
  dir_.write("My Docs/data.odd", "?");
  EXPECT_EQ(Run(dir_.file("My Docs") + "/data.odd", false), kNoAssociation);
}

TEST_F(ProgramRunner, RegistryFileNeedsRegedit) {
  dir_.write("My Docs/settings.REG", "REGEDIT4\n");
  const std::string file = dir_.file("My Docs") + "/settings.REG";
  EXPECT_EQ(Run(file, true), kNoAssociation);
  // With a regedit along PATH: "/s" + the file as one argument, hidden.
  Script("tools/regedit",
         "{ printf '[%s]\\n' \"$@\"; /usr/bin/readlink /proc/$$/fd/0; pwd; } > \"" + tools_ +
             "/regedit.txt\"\n");
  const std::string before = fs::current_path().string();
  EXPECT_EQ(Run(file + " ignored params", true), kDone);
  EXPECT_EQ(Read("tools/regedit.txt"), "[/s]\n[" + file + "]\n/dev/null\n" + before + "\n");
}

TEST_F(ProgramRunner, ComServerIsUnregisteredThenRegistered) {
  dir_.write("My Libs/Control.ocx", "MZ");
  const std::string file = dir_.file("My Libs") + "/Control.ocx";
  EXPECT_EQ(Run(file, true), kNoAssociation);
  Script("tools/regsvr32", "echo \"$*\" >> \"" + tools_ + "/regsvr32.txt\"\n");
  EXPECT_EQ(Run(file, true), kDone);
  // The unregistration is not waited for: give it a moment to write.
  for (int i = 0; i < 300 && Read("tools/regsvr32.txt").size() < 2 * file.size() + 10; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::vector<std::string> lines;
  std::string log = Read("tools/regsvr32.txt");
  for (size_t at = 0, end; (end = log.find('\n', at)) != std::string::npos; at = end + 1) {
    lines.push_back(log.substr(at, end - at));
  }
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (std::vector<std::string>{"/s " + file, "/u /s " + file})) << log;
}

}  // namespace
