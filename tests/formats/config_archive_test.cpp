#include "formats/config_archive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <vector>

#include "codecs/zip_archive.h"
#include "common/gbk.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_peer.h"

namespace formats {
namespace {

namespace fs = std::filesystem;
using testsupport::RunCommand;
using testsupport::ShellQuote;

// "res\乗.bmp": the trail byte of 乗 (81 5C) is "\".
const std::string kGbkName = "res\\" + common::Gbk("乗") + ".bmp";

// Python's zipfile's view of an archive: raw name -> bytes.
std::map<std::string, std::string> PyMembers(const std::string& archive, const std::string& password = "") {
  std::map<std::string, std::string> members;
  auto dump = testsupport::PyDump(archive, password);
  EXPECT_TRUE(dump) << archive;
  if (dump) {
    for (const auto& [name, member] : *dump) members[name] = member.data;
  }
  return members;
}

// Entries of the archive's folder whose names start with the archive's:
// the archive itself and anything a rewrite left beside it.
std::vector<std::string> Beside(const std::string& archive) {
  std::vector<std::string> names;
  const std::string base = fs::path(archive).filename().string();
  for (const auto& entry : fs::directory_iterator(fs::path(archive).parent_path())) {
    std::string name = entry.path().filename().string();
    if (name.compare(0, base.size(), base) == 0) names.push_back(name);
  }
  return names;
}

class ConfigArchiveTest : public ::testing::Test {
 protected:
  std::string MakeArchive() {
    EXPECT_TRUE(testsupport::MakeZip(dir, archive, {{"pre.dat", "[pre]\r\ncloselog=0\r\n"},
                                                    {"client.dat", "[file0]\r\nver=1.0.0\r\n"},
                                                    {kGbkName, std::string("BM\0\1", 4)}}));
    return testsupport::TempDir::read(archive);
  }

  testsupport::TempDir dir;
  std::string archive = dir.file("upgrade.bin");
};

TEST_F(ConfigArchiveTest, ReadsMembersByExactNameAndNothingElse) {
  ASSERT_TRUE(testsupport::MakeZip(dir, archive, {{"pre.dat", "[pre]\r\ncloselog=0\r\n"},
                                                  {kGbkName, std::string("BM\0\1", 4)},
                                                  {"empty.dat", ""}}));
  EXPECT_EQ(ReadArchiveMember(archive, "pre.dat"), "[pre]\r\ncloselog=0\r\n");
  EXPECT_EQ(ReadArchiveMember(archive, kGbkName), std::string("BM\0\1", 4));
  EXPECT_EQ(ReadArchiveMember(archive, "empty.dat"), std::string());
  EXPECT_FALSE(ReadArchiveMember(archive, "PRE.DAT"));
  EXPECT_FALSE(ReadArchiveMember(archive, "client.dat"));
  EXPECT_FALSE(ReadArchiveMember(dir.file("missing.bin"), "pre.dat"));
  dir.write("broken.bin", "not a zip archive at all");
  EXPECT_FALSE(ReadArchiveMember(dir.file("broken.bin"), "pre.dat"));
}

TEST_F(ConfigArchiveTest, ReplacesOrAddsOneMemberAndKeepsTheOthers) {
  MakeArchive();
  fs::permissions(archive, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(WriteArchiveMember(archive, "client.dat", "[file0]\r\nver=1.1.0\r\n"));
  using Members = std::map<std::string, std::string>;
  EXPECT_EQ(PyMembers(archive), (Members{{"pre.dat", "[pre]\r\ncloselog=0\r\n"},
                                         {"client.dat", "[file0]\r\nver=1.1.0\r\n"},
                                         {kGbkName, std::string("BM\0\1", 4)}}));
  // Written beside the archive under its own name, with its permissions.
  EXPECT_EQ(fs::status(archive).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(Beside(archive), std::vector<std::string>{"upgrade.bin"});

  ASSERT_TRUE(WriteArchiveMember(archive, "ui.dat", "[UI]\r\ntitle=T\r\n"));
  auto listing = RunCommand("unzip -l " + ShellQuote(archive)).output;
  EXPECT_NE(listing.find("ui.dat"), std::string::npos) << listing;
  EXPECT_EQ(PyMembers(archive).size(), 4u);
  EXPECT_EQ(ReadArchiveMember(archive, "ui.dat"), "[UI]\r\ntitle=T\r\n");
  EXPECT_EQ(ReadArchiveMember(archive, "client.dat"), "[file0]\r\nver=1.1.0\r\n");
}

TEST_F(ConfigArchiveTest, PasswordArchiveStaysReadableWithItsPassword) {
  {
    codecs::ZipArchive zip;
    zip.SetPassword("pw");
    ASSERT_TRUE(zip.Open(archive, codecs::ZipArchive::Mode::Create));
    ASSERT_TRUE(zip.AddFromMemory("pre.dat", "[pre]\r\n"));
    ASSERT_TRUE(zip.AddFromMemory("client.dat", "old"));
    ASSERT_TRUE(zip.Commit());
  }
  ASSERT_TRUE(WriteArchiveMember(archive, "client.dat", "new", "pw"));
  EXPECT_EQ(PyMembers(archive, "pw"),
            (std::map<std::string, std::string>{{"pre.dat", "[pre]\r\n"}, {"client.dat", "new"}}));
  EXPECT_EQ(ReadArchiveMember(archive, "client.dat", "pw"), "new");
  EXPECT_FALSE(ReadArchiveMember(archive, "client.dat", "wrong"));
}

// Makes one step of the rewrite fail after the real one ran (or instead of it).
class FailingFiles : public ArchiveFiles {
 public:
  enum class Step { Copy, Flush, Replace };
  explicit FailingFiles(Step step) : step_(step) {}
  bool CopyNew(const std::string& from, const std::string& to, std::string& error) override {
    if (step_ == Step::Copy) return Fail(error);
    return RealArchiveFiles().CopyNew(from, to, error);
  }
  bool Flush(const std::string& path, std::string& error) override {
    if (step_ == Step::Flush) return Fail(error);
    return RealArchiveFiles().Flush(path, error);
  }
  bool Replace(const std::string& from, const std::string& to, std::string& error) override {
    if (step_ == Step::Replace) return Fail(error);
    return RealArchiveFiles().Replace(from, to, error);
  }
  void Remove(const std::string& path) override { RealArchiveFiles().Remove(path); }

 private:
  static bool Fail(std::string& error) {
    error = "injected failure";
    return false;
  }
  Step step_;
};

// Records the steps of a rewrite as they pass to the real files.
class RecordingFiles : public ArchiveFiles {
 public:
  bool CopyNew(const std::string& from, const std::string& to, std::string& error) override {
    steps.push_back("copy " + to);
    return RealArchiveFiles().CopyNew(from, to, error);
  }
  bool Flush(const std::string& path, std::string& error) override {
    steps.push_back("flush " + path);
    return RealArchiveFiles().Flush(path, error);
  }
  bool Replace(const std::string& from, const std::string& to, std::string& error) override {
    steps.push_back("replace " + from);
    return RealArchiveFiles().Replace(from, to, error);
  }
  void Remove(const std::string& path) override { RealArchiveFiles().Remove(path); }
  std::vector<std::string> steps;
};

TEST_F(ConfigArchiveTest, TheNewArchiveIsFlushedBeforeItTakesTheOldName) {
  MakeArchive();
  RecordingFiles files;
  ASSERT_TRUE(WriteArchiveMember(archive, "client.dat", "new", "", files));
  ASSERT_EQ(files.steps.size(), 3u);
  const std::string temp = files.steps[0].substr(5);
  EXPECT_EQ(files.steps[1], "flush " + temp);
  EXPECT_EQ(files.steps[2], "replace " + temp);
  EXPECT_EQ(ReadArchiveMember(archive, "client.dat"), "new");
}

TEST_F(ConfigArchiveTest, AFailedRewriteLeavesTheOldArchiveAndNoTemporary) {
  const std::string before = MakeArchive();
  for (auto step : {FailingFiles::Step::Copy, FailingFiles::Step::Flush, FailingFiles::Step::Replace}) {
    FailingFiles files(step);
    ArchiveWriteResult result = WriteArchiveMember(archive, "client.dat", "new", "", files);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorText, "injected failure");
    EXPECT_EQ(testsupport::TempDir::read(archive), before);
    EXPECT_EQ(Beside(archive), std::vector<std::string>{"upgrade.bin"});
  }

  // Not an archive: the copy is made, cannot be opened, and goes again.
  const std::string text = "not a zip archive at all";
  dir.write("upgrade.bin", text);
  ArchiveWriteResult broken = WriteArchiveMember(archive, "client.dat", "new");
  EXPECT_FALSE(broken.ok);
  EXPECT_FALSE(broken.errorText.empty());
  EXPECT_EQ(testsupport::TempDir::read(archive), text);
  EXPECT_EQ(Beside(archive), std::vector<std::string>{"upgrade.bin"});

  // A folder in the archive's place, and no archive at all.
  fs::remove(archive);
  fs::create_directory(archive);
  EXPECT_FALSE(WriteArchiveMember(archive, "client.dat", "new").ok);
  EXPECT_TRUE(fs::is_directory(archive));
  EXPECT_EQ(Beside(archive), std::vector<std::string>{"upgrade.bin"});
  fs::remove(archive);
  EXPECT_FALSE(WriteArchiveMember(archive, "client.dat", "new").ok);
  EXPECT_TRUE(Beside(archive).empty());
}

}  // namespace
}  // namespace formats
