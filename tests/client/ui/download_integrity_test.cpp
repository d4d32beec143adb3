// The download stage against unlucky and hostile sources, through the real
// page, worker and servers: files that must never be mixed up, trusted
// from an earlier run, copied from outside their folder or left behind.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <map>

#include "client/download/item_fetch.h"
#include "tests/client/ui/download_stage_rig.h"

namespace {

using namespace download_test;

std::string Md5Of(const std::string& bytes, testsupport::TempDir& dir) {
  return transfer::ItemFetch::FileMd5(common::Utf8ToGbk(dir.write("md5-input", bytes)));
}

// a/b/c.dat and a_b/c.dat are two files: each keeps its own bytes in the
// work folder, over FTP and from a local folder alike.
TEST_F(DownloadStageTest, DirFilesOfSimilarPathsNeverShareATemporaryName) {
  Put("tree/a/b/c.dat", "deep");
  Put("tree/a_b/c.dat", "flat");
  Put("tree/a.b.c.dat", "dots");
  for (bool local : {false, true}) {
    dirs[0] = {};
    dirs[0].newItem = true;
    dirs[0].isIncSubdir = 1;
    if (local) {
      AddMirror(dirs[0].locations, "file://" + srv + "/tree");
    } else {
      AddFtpMirror(dirs[0].locations, "tree");
    }
    ASSERT_EQ(RunStage(), 0) << local;
    std::map<std::string, std::string> got;
    for (const auto& r : run->DirWork(0).downloads) {
      got[(r.subFolder.empty() ? "" : r.subFolder + "/") + r.name] = Work("dir0/" + r.tempName);
    }
    EXPECT_EQ(got, (std::map<std::string, std::string>{{"a/b/c.dat", "deep"}, {"a_b/c.dat", "flat"},
                                                        {"a.b.c.dat", "dots"}}))
        << local;
    fs::remove_all(work);
  }
}

// A fixture that also counts log lines.
class DownloadIntegrity : public DownloadStageTest {
 protected:
  long CountLogged(const std::string& utf8) {
    auto lines = LogLines();
    return std::count(lines.begin(), lines.end(), utf8);
  }
};

// A file of the right length left in the work folder by an earlier run is
// taken only when the item's digest proves it; else it is fetched again.
TEST_F(DownloadIntegrity, FileLeftByAnEarlierRunIsTakenOnlyWhenItsDigestMatches) {
  Put("app.bin", "version 2.1");
  const std::string stale = "version 2.0";  // same length, other bytes
  struct Case {
    std::string md5;
    std::string expected;
    bool skipped;
  } cases[] = {
      {"", "version 2.1", false},                       // no digest: fetched again
      {Md5Of("version 2.1", dir), "version 2.1", false},  // digest of the new file
      {Md5Of(stale, dir), stale, true},                  // digest proves the old file
  };
  const std::string skipLine = "此文件以前下载过，不用再下载了。";
  for (const Case& c : cases) {
    fs::create_directories(work + "file0");
    std::ofstream(work + "file0/app.bin", std::ios::binary) << stale;
    const auto before = CountLogged(skipLine);
    files[0] = {};
    files[0].newItem = true;
    files[0].fileName = "app.bin";
    files[0].md5 = c.md5;
    AddMirror(files[0].locations, HttpUrl("app.bin"));
    ASSERT_EQ(RunStage(), 0) << c.md5;
    EXPECT_EQ(Work("file0/app.bin"), c.expected) << c.md5;
    EXPECT_EQ(CountLogged(skipLine) - before, c.skipped ? 1 : 0) << c.md5;
    fs::remove_all(work);
  }
}

// A local source folder holding a link out of it, a link to a device, a
// FIFO: only the regular files (and links to them inside the folder) are
// copied, the rest is logged. A file item whose location is a FIFO fails at
// once instead of waiting for a writer.
TEST_F(DownloadStageTest, LocalSourcesCopyOnlyRegularFilesOfTheirFolder) {
  Put("src/plain.txt", "plain");
  Put("src/inner.txt", "inner");
  Put("secret.txt", "secret");
  fs::create_symlink(srv + "/secret.txt", srv + "/src/outside.txt");
  fs::create_symlink("inner.txt", srv + "/src/alias.txt");
  fs::create_symlink("/dev/zero", srv + "/src/zero.txt");
  ASSERT_EQ(mkfifo((srv + "/src/pipe.txt").c_str(), 0600), 0);
  dirs[0] = {};
  dirs[0].newItem = true;
  AddMirror(dirs[0].locations, "file://" + srv + "/src");
  ASSERT_EQ(RunStage(), 0);
  std::vector<std::string> names;
  for (const auto& r : run->DirWork(0).downloads) names.push_back(r.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"alias.txt", "inner.txt", "plain.txt"}));
  EXPECT_EQ(Work("dir0/alias.txt"), "inner");
  EXPECT_FALSE(fs::exists(work + "dir0/outside.txt"));
  EXPECT_TRUE(LoggedPrefix("跳过指向文件夹以外的链接：" + srv + "/src/outside.txt"));
  EXPECT_TRUE(LoggedPrefix("跳过指向文件夹以外的链接：" + srv + "/src/zero.txt"));
  EXPECT_TRUE(LoggedPrefix("跳过不是普通文件的项目：" + srv + "/src/pipe.txt"));

  dirs[0] = {};
  files[0] = {};
  files[0].newItem = true;
  files[0].fileName = "pipe.txt";
  AddMirror(files[0].locations, "file://" + srv + "/src/pipe.txt");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunStage(), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

  // A "regular" file that reports no size but has bytes (the kernel's
  // files) is no download either: the copy stops past the reported size.
  files[0] = {};
  files[0].newItem = true;
  files[0].fileName = "status";
  AddMirror(files[0].locations, "file:///proc/self/status");
  EXPECT_EQ(RunStage(), 1);
  EXPECT_TRUE(LoggedPrefix("文件在复制时变长了，停止复制：/proc/self/status"));
}

// A failed download removes what the run fetched so far: the work folder
// holds nothing a later run could pick up.
TEST_F(DownloadStageTest, FailedDownloadLeavesNoFileInTheWorkFolder) {
  Put("a.bin", "alpha");
  Put("d/1.dat", "one");
  files[0] = {};
  files[0].newItem = true;
  files[0].fileName = "a.bin";
  AddMirror(files[0].locations, HttpUrl("a.bin"));
  files[1] = {};
  files[1].newItem = true;
  files[1].fileName = "b.bin";
  AddMirror(files[1].locations, HttpUrl("stall-missing.bin"));
  ASSERT_EQ(RunStage(), 1);
  EXPECT_FALSE(fs::exists(work + "file0/a.bin"));
  EXPECT_FALSE(fs::exists(work));
}

}  // namespace
