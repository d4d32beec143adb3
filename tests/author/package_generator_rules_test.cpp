// The package generator's rules that the client relies on and that no other
// test holds down: every [system] key of the server configuration in the
// order the client's readers expect, and a configuration file that cannot
// be opened at a mapping step stops the generation with both messages.

#include <gtest/gtest.h>

#include <filesystem>

#include "author/generator/package_generator.h"
#include "author/project/project_file.h"
#include "common/gbk.h"
#include "tests/author/author_test_support.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace authortest {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// The non-empty lines of one section of a GBK INI file, as UTF-8.
Lines SectionOf(const std::string& path, const std::string& name) {
  Lines out;
  bool in = false;
  const std::string text = ReadUtf8(path);
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    start = end == std::string::npos ? text.size() : end + 2;
    if (!line.empty() && line[0] == '[') {
      in = line == "[" + name + "]";
    } else if (in && !line.empty()) {
      out.push_back(line);
    }
  }
  return out;
}

class GeneratorRules : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir.file("tool"));
    fs::copy(testsupport::BinDir() + "/pics", dir.file("tool/pics"), fs::copy_options::recursive);
  }
  author::GeneratorResult Generate(const std::string& projectUtf8,
                                   const std::function<void(int)>& atPosition = {}) {
    WriteGbk(dir.file("p/p.epj"), projectUtf8);
    author::GeneratorRequest request;
    request.projectFile = author::StoredPath(dir.file("p/p.epj"));
    request.outputFolder = dir.file("p/out");
    request.folders = author::ToolFolders::InOneFolder(dir.file("tool"));
    return author::GeneratePackage(request, [&](int position, const std::string&) {
      positions.push_back(position);
      if (atPosition) atPosition(position);
    });
  }
  std::string Out(const std::string& name) const { return dir.file("p/out/" + name); }

  testsupport::TempDir dir{"generator-rules-"};
  std::vector<int> positions;
};

// Given in another order in the project, the hooks and the close lists go
// out in the server configuration's own order.
TEST_F(GeneratorRules, EveryServerSystemKeyInItsOrder) {
  const author::GeneratorResult r = Generate(
      "[project]\r\nname=p\r\n"
      "[system]\r\nurls=url0=http://h/s.ini\r\n"
      "close_items=file1\r\nclose_proc3=Cls\r\nclose_proc2=标题\r\nclose_proc1=a.exe\r\n"
      "run_after=8\r\nrun_before=7\r\nrun_dlafterf=6\r\nrun_dlafters=5\r\nrun_dlbefore=4\r\n"
      "run_udafterf=3\r\nrun_udafters=2\r\nrun_udbefore=1\r\n");
  ASSERT_TRUE(r.ok) << (r.messages.empty() ? "" : common::GbkToUtf8(r.messages[0]));
  EXPECT_EQ(SectionOf(Out("s.ini"), "system"),
            (Lines{"run_udbefore=1", "run_udafters=2", "run_udafterf=3", "run_dlbefore=4", "run_dlafters=5",
                   "run_dlafterf=6", "run_before=7", "run_after=8", "close_proc1=a.exe", "close_proc2=标题",
                   "close_proc3=Cls", "close_items=file1"}));
}

// The client configuration gone when a mapping step opens it: that step's
// message follows "错误：无法打开文件！", and nothing after it runs.
TEST_F(GeneratorRules, ConfigurationThatCannotBeOpenedStopsItsStep) {
  struct Case {
    int removedAt;  // the position after which "update.dat" disappears
    const char* step;
    std::vector<int> positions;
  } cases[] = {
      {3, "系统项信息生成出错！", {1, 2, 3}},
      {4, "文件项信息生成出错！", {1, 2, 3, 4}},
      {5, "目录项信息生成出错！", {1, 2, 3, 4, 5}},
  };
  for (const Case& c : cases) {
    positions.clear();
    const author::GeneratorResult r = Generate("[project]\r\nname=p\r\n[system]\r\nurls=url0=http://h/s.ini\r\n",
                                               [&](int position) {
                                                 if (position == c.removedAt) fs::remove(Out("update.dat"));
                                               });
    EXPECT_FALSE(r.ok) << c.step;
    Lines messages;
    for (const std::string& m : r.messages) messages.push_back(common::GbkToUtf8(m));
    EXPECT_EQ(messages, (Lines{"错误：无法打开文件！", c.step}));
    EXPECT_EQ(positions, c.positions) << c.step;
    EXPECT_FALSE(fs::exists(Out("ui.bin"))) << c.step;
  }
}

}  // namespace
}  // namespace authortest
