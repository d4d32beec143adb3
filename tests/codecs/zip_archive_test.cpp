#include "codecs/zip_archive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_peer.h"

namespace {

namespace fs = std::filesystem;
using codecs::ZipArchive;
using testsupport::RunCommand;
using testsupport::ShellQuote;
using testsupport::TempDir;
using testsupport::Hex;
using testsupport::PyDump;
using testsupport::PyMember;
using testsupport::Unhex;
using testsupport::ZipToolCommand;

// "res\界面.bmp" in GBK; 乗 (81 5C) has "\" as its trail byte.
const std::string kGbkName = "res\\\xBD\xE7\xC3\xE6.bmp";
const std::string kGbkTrailName = "\x81\x5C.txt";
// A GBK name whose bytes also happen to be valid UTF-8.
const std::string kGbkUtf8LookAlike = "\xC3\xA4.dat";

// Writes an archive with Python's zipfile; names are UTF-8 texts.
void PyWrite(const std::string& archive, const std::vector<std::pair<std::string, std::string>>& members) {
  std::string cmd = ZipToolCommand() + " write " + ShellQuote(archive);
  for (const auto& [name, data] : members) cmd += " " + Hex(name) + "=" + Hex(data);
  ASSERT_EQ(RunCommand(cmd).exitCode, 0) << cmd;
}

// Word salad that level 6 and level 9 compress to different sizes.
std::string Compressible(size_t size) {
  static const char* words[] = {"update ", "client ", "mirror ", "archive ", "version ", "skin ", "server ", "folder "};
  std::string out;
  uint32_t x = 12345;
  while (out.size() < size) {
    x = x * 1103515245 + 12345;
    out += words[(x >> 16) % 8];
    if ((x >> 8) % 13 == 0) out += std::to_string(x % 1000);
  }
  return out;
}

class ZipArchiveTest : public ::testing::Test {
 protected:
  std::string Archive() const { return dir_.file("test.zip"); }
  TempDir dir_{"zip-test-"};
};

TEST_F(ZipArchiveTest, WrittenArchiveIsReadByPythonAndUnzipWithNamesKeptByteForByte) {
  const std::string big = Compressible(200000);
  const std::string source = dir_.write("src/payload.bin", std::string("\0\x01\xff binary", 10));
  {
    ZipArchive zip;
    ASSERT_TRUE(zip.Open(Archive(), ZipArchive::Mode::Create)) << zip.ErrorText();
    ASSERT_TRUE(zip.AddFromMemory("client.dat", "[file0]\r\nver=1.0.0\r\n"));
    ASSERT_TRUE(zip.AddFromMemory("big.txt", big));
    ASSERT_TRUE(zip.AddFromMemory("empty.txt", ""));
    ASSERT_TRUE(zip.AddFromMemory("res\\a.bmp", "BMa"));
    ASSERT_TRUE(zip.AddFromMemory(kGbkName, "gbk"));
    ASSERT_TRUE(zip.AddFromMemory(kGbkUtf8LookAlike, "look-alike")) << zip.ErrorText();
    ASSERT_TRUE(zip.AddFromFile("bin\\payload.bin", source));
    ASSERT_TRUE(zip.Commit()) << zip.ErrorText();
    EXPECT_FALSE(zip.IsOpen());
  }
  const auto py = PyDump(Archive());
  ASSERT_TRUE(py);
  EXPECT_EQ(py->size(), 7u);
  EXPECT_EQ(py->at("client.dat").data, "[file0]\r\nver=1.0.0\r\n");
  EXPECT_EQ(py->at("big.txt").data, big);
  EXPECT_EQ(py->at("big.txt").compressType, 8);
  EXPECT_TRUE(py->at("big.txt").level6) << "not zlib's default deflate level";
  EXPECT_EQ(py->at("empty.txt").data, "");
  EXPECT_EQ(py->at("res\\a.bmp").data, "BMa");
  EXPECT_EQ(py->at(kGbkName).data, "gbk");
  EXPECT_EQ(py->at(kGbkUtf8LookAlike).data, "look-alike");
  EXPECT_EQ(py->at("bin\\payload.bin").data, std::string("\0\x01\xff binary", 10));
  EXPECT_EQ(RunCommand("unzip -p " + ShellQuote(Archive()) + " client.dat").output, "[file0]\r\nver=1.0.0\r\n");

  ZipArchive zip;
  ASSERT_TRUE(zip.Open(Archive(), ZipArchive::Mode::ReadOnly));
  EXPECT_EQ(zip.EntryCount(), 7);
  EXPECT_EQ(zip.ExtractToMemory(kGbkUtf8LookAlike), "look-alike");
  const int64_t gbk = zip.FindMember(kGbkName);
  ASSERT_GE(gbk, 0);
  EXPECT_EQ(zip.EntryName(gbk), kGbkName);
  EXPECT_EQ(zip.FindMember("res/a.bmp"), -1);
  EXPECT_EQ(zip.MemberSize(zip.FindMember("big.txt")), static_cast<int64_t>(big.size()));
  EXPECT_EQ(zip.ExtractToMemory("res\\a.bmp"), "BMa");
  EXPECT_EQ(zip.EntryName(7), "");
  EXPECT_EQ(zip.MemberSize(7), -1);
}

TEST_F(ZipArchiveTest, PasswordProtectsMembersForUnzipPythonAndUs) {
  {
    ZipArchive zip;
    zip.SetPassword("pw");
    ASSERT_TRUE(zip.Open(Archive(), ZipArchive::Mode::Create));
    ASSERT_TRUE(zip.AddFromMemory("pre.dat", "[pre]\r\nlog=1\r\n"));
    ASSERT_TRUE(zip.Commit()) << zip.ErrorText();
  }
  const std::string quoted = ShellQuote(Archive());
  EXPECT_EQ(RunCommand("unzip -P pw -p " + quoted + " pre.dat").output, "[pre]\r\nlog=1\r\n");
  EXPECT_NE(RunCommand("unzip -P wrong -p " + quoted + " pre.dat 2>/dev/null").output, "[pre]\r\nlog=1\r\n");
  const auto py = PyDump(Archive(), "pw");
  ASSERT_TRUE(py);
  EXPECT_EQ(py->at("pre.dat").data, "[pre]\r\nlog=1\r\n");
  EXPECT_FALSE(PyDump(Archive()));

  ZipArchive zip;
  ASSERT_TRUE(zip.Open(Archive(), ZipArchive::Mode::ReadOnly));
  EXPECT_FALSE(zip.ExtractToMemory("pre.dat"));
  // Refused before libzip is asked: libzip 1.7 leaks the reader of an
  // encrypted member it is asked to open without a password.
  EXPECT_EQ(zip.ErrorText(), "cannot read pre.dat: no password");
  zip.SetPassword("wrong");
  EXPECT_FALSE(zip.ExtractToMemory("pre.dat"));
  zip.SetPassword("pw");
  EXPECT_EQ(zip.ExtractToMemory("pre.dat"), "[pre]\r\nlog=1\r\n");

  // A wrong password never replaces a file on disk with garbage.
  const std::string old = dir_.write("out/pre.dat", "old");
  zip.SetPassword("wrong");
  EXPECT_FALSE(zip.ExtractEntryTo(0, dir_.file("out")));
  EXPECT_EQ(TempDir::read(old), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.file("out")), fs::directory_iterator()), 1);
}

TEST_F(ZipArchiveTest, DeleteAndReplaceKeepTheOtherMembers) {
  PyWrite(Archive(), {{"pre.dat", "pre"}, {"client.dat", "old client"}, {"ui.dat", "ui"}, {"res\\a.bmp", "bmp"}});
  {
    ZipArchive zip;
    ASSERT_TRUE(zip.Open(Archive(), ZipArchive::Mode::Change)) << zip.ErrorText();
    EXPECT_EQ(zip.ExtractToMemory("client.dat"), "old client");
    ASSERT_TRUE(zip.DeleteMember("ui.dat"));
    EXPECT_EQ(zip.FindMember("ui.dat"), -1);
    EXPECT_FALSE(zip.DeleteMember("ui.dat"));
    EXPECT_FALSE(zip.DeleteMember("missing.dat"));
    ASSERT_TRUE(zip.AddFromMemory("client.dat", "new client"));
    ASSERT_TRUE(zip.AddFromMemory(kGbkName, "first"));
    ASSERT_TRUE(zip.AddFromMemory(kGbkName, "second"));
    ASSERT_TRUE(zip.Commit()) << zip.ErrorText();
  }
  auto py = PyDump(Archive());
  ASSERT_TRUE(py);
  EXPECT_EQ(py->size(), 4u);
  EXPECT_EQ(py->at("pre.dat").data, "pre");
  EXPECT_EQ(py->at("client.dat").data, "new client");
  EXPECT_EQ(py->at("res\\a.bmp").data, "bmp");
  EXPECT_EQ(py->at(kGbkName).data, "second");

  // Changes that are not committed leave the file as it was.
  {
    ZipArchive zip;
    ASSERT_TRUE(zip.Open(Archive(), ZipArchive::Mode::Change));
    ASSERT_TRUE(zip.DeleteMember("pre.dat"));
  }
  py = PyDump(Archive());
  ASSERT_TRUE(py);
  EXPECT_EQ(py->count("pre.dat"), 1u);

  // Deleting every member leaves an empty archive, not a missing file.
  ZipArchive zip;
  ASSERT_TRUE(zip.Open(Archive(), ZipArchive::Mode::Change));
  for (int64_t i = 0; i < zip.EntryCount(); ++i) ASSERT_TRUE(zip.DeleteMember(zip.EntryName(i)));
  ASSERT_TRUE(zip.Commit()) << zip.ErrorText();
  py = PyDump(Archive());
  ASSERT_TRUE(py);
  EXPECT_TRUE(py->empty());
  ASSERT_TRUE(zip.Open(Archive(), ZipArchive::Mode::ReadOnly)) << zip.ErrorText();
  EXPECT_EQ(zip.EntryCount(), 0);
}

TEST_F(ZipArchiveTest, FailedCommitLeavesTheOldArchive) {
  PyWrite(Archive(), {{"pre.dat", "pre"}});
  const std::string before = TempDir::read(Archive());
  const std::string source = dir_.write("item.bin", "item");
  ZipArchive zip;
  ASSERT_TRUE(zip.Open(Archive(), ZipArchive::Mode::Change));
  ASSERT_TRUE(zip.AddFromFile("item.bin", source));
  fs::remove(source);
  EXPECT_FALSE(zip.Commit());
  EXPECT_FALSE(zip.ErrorText().empty());
  EXPECT_EQ(TempDir::read(Archive()), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1);
}

TEST_F(ZipArchiveTest, OpenAndChangeFailuresAreReported) {
  ZipArchive zip;
  EXPECT_FALSE(zip.Open(dir_.file("missing.zip"), ZipArchive::Mode::ReadOnly));
  EXPECT_FALSE(zip.ErrorText().empty());
  EXPECT_FALSE(zip.Open(dir_.file("missing.zip"), ZipArchive::Mode::Change));
  EXPECT_FALSE(zip.Open(dir_.write("text.zip", "this is no archive at all, just some text"), ZipArchive::Mode::ReadOnly));
  EXPECT_FALSE(zip.ErrorText().empty());
  EXPECT_FALSE(zip.IsOpen());
  EXPECT_EQ(zip.EntryCount(), -1);
  EXPECT_FALSE(zip.AddFromMemory("a", "b"));

  PyWrite(Archive(), {{"pre.dat", "pre"}});
  ASSERT_TRUE(zip.Open(Archive(), ZipArchive::Mode::ReadOnly));
  EXPECT_FALSE(zip.AddFromMemory("a", "b"));
  EXPECT_FALSE(zip.DeleteMember("pre.dat"));
  EXPECT_FALSE(zip.AddFromFile("c", dir_.file("missing.bin")));
  EXPECT_FALSE(zip.ExtractToMemory("absent.dat"));
  EXPECT_FALSE(zip.ErrorText().empty());
}

TEST_F(ZipArchiveTest, ExtractionCreatesSubFoldersAndOverwrites) {
  PyWrite(Archive(), {{"top.txt", "top"},
                      {"bin\\lib\\deep.so", "deep"},
                      {"doc/a/b/c.txt", "c"},
                      {"\xE4\xB8\xAD\xE6\x96\x87/\xE6\x96\x87.txt", "utf8"},  // "中文/文.txt", marked UTF-8
                      {"empty\\", ""},
                      {"skip/../inside.txt", "inside"}});
  {
    ZipArchive zip;
    ASSERT_TRUE(zip.Open(Archive(), ZipArchive::Mode::Change));
    ASSERT_TRUE(zip.AddFromMemory(kGbkName, "gbk"));
    ASSERT_TRUE(zip.AddFromMemory(kGbkTrailName, "trail"));
    ASSERT_TRUE(zip.Commit());
  }
  const fs::path out = dir_.path() / "out";
  dir_.write("out/top.txt", "an older and longer top");
  ZipArchive zip;
  ASSERT_TRUE(zip.Open(Archive(), ZipArchive::Mode::ReadOnly));
  for (int64_t i = 0; i < zip.EntryCount(); ++i) EXPECT_TRUE(zip.ExtractEntryTo(i, out.string())) << zip.ErrorText();
  EXPECT_EQ(TempDir::read(out / "top.txt"), "top");
  EXPECT_EQ(TempDir::read(out / "bin/lib/deep.so"), "deep");
  EXPECT_EQ(TempDir::read(out / "doc/a/b/c.txt"), "c");
  EXPECT_EQ(TempDir::read(out / "中文/文.txt"), "utf8");
  EXPECT_EQ(TempDir::read(out / "res/界面.bmp"), "gbk");
  EXPECT_EQ(TempDir::read(out / "乗.txt"), "trail");
  EXPECT_TRUE(fs::is_directory(out / "empty"));
  EXPECT_EQ(TempDir::read(out / "inside.txt"), "inside");
  int files = 0;
  for (const auto& e : fs::recursive_directory_iterator(out)) files += e.is_regular_file();
  EXPECT_EQ(files, 7);
}

TEST_F(ZipArchiveTest, ExtractionRefusesEntriesThatLeaveTheFolder) {
  PyWrite(Archive(), {{"../escape.txt", "x"},
                      {"/abs.txt", "x"},
                      {"\\abs.txt", "x"},
                      {"C:\\drive.txt", "x"},
                      {"a\\..\\..\\up.txt", "x"},
                      {"ok.txt", "ok"}});
  const fs::path out = dir_.path() / "box" / "out";
  fs::create_directories(out);
  ZipArchive zip;
  ASSERT_TRUE(zip.Open(Archive(), ZipArchive::Mode::ReadOnly));
  ASSERT_EQ(zip.EntryCount(), 6);
  for (int64_t i = 0; i < 5; ++i) {
    EXPECT_FALSE(zip.ExtractEntryTo(i, out.string())) << zip.EntryName(i);
    EXPECT_FALSE(zip.ErrorText().empty());
  }
  EXPECT_TRUE(zip.ExtractEntryTo(5, out.string()));
  std::vector<std::string> written;
  for (const auto& e : fs::recursive_directory_iterator(dir_.path())) {
    if (e.is_regular_file()) written.push_back(fs::relative(e.path(), dir_.path()).string());
  }
  std::sort(written.begin(), written.end());
  EXPECT_EQ(written, (std::vector<std::string>{"box/out/ok.txt", "test.zip"}));
}

TEST_F(ZipArchiveTest, MemberUnpackingPast16MiBIsNotReadIntoMemory) {
  {
    ZipArchive zip;
    ASSERT_TRUE(zip.Open(Archive(), ZipArchive::Mode::Create));
    ASSERT_TRUE(zip.AddFromMemory("pre.dat", std::string(ZipArchive::kMaxMemberBytes + 1, '\0')));
    ASSERT_TRUE(zip.AddFromMemory("ui.dat", std::string(ZipArchive::kMaxMemberBytes, 'u')));
    ASSERT_TRUE(zip.Commit());
  }
  EXPECT_LT(std::filesystem::file_size(Archive()), 200000u);  // tens of kilobytes claiming 32 MiB
  ZipArchive zip;
  ASSERT_TRUE(zip.Open(Archive(), ZipArchive::Mode::ReadOnly));
  EXPECT_FALSE(zip.ExtractToMemory("pre.dat"));
  EXPECT_EQ(zip.ErrorText(), "member larger than 16 MiB: pre.dat");
  const auto ui = zip.ExtractToMemory("ui.dat");
  ASSERT_TRUE(ui);
  EXPECT_EQ(ui->size(), static_cast<size_t>(ZipArchive::kMaxMemberBytes));
}

TEST_F(ZipArchiveTest, OverwrittenProgramStaysExecutable) {
  PyWrite(Archive(), {{"tool", "#!/bin/sh\n"}});
  const std::string tool = dir_.write("out/tool", "old");
  fs::permissions(tool, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
  ZipArchive zip;
  ASSERT_TRUE(zip.Open(Archive(), ZipArchive::Mode::ReadOnly));
  ASSERT_TRUE(zip.ExtractEntryTo(0, dir_.file("out")));
  EXPECT_EQ(TempDir::read(tool), "#!/bin/sh\n");
  EXPECT_EQ(fs::status(tool).permissions(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

}  // namespace
