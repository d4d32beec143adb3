#include "client/session/client_config.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "client/session/client_log.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace session {
namespace {

using testsupport::ShellQuote;

// Builds an archive with Python's zipfile from (member name, bytes) pairs.
std::string MakeZip(const testsupport::TempDir& dir, const std::string& name,
                    const std::vector<std::pair<std::string, std::string>>& members) {
  std::string cmd = std::string(testsupport::kPython) + " " +
                    ShellQuote(testsupport::SupportDir() + "/make_zip.py") + " " +
                    ShellQuote(dir.file(name));
  int i = 0;
  for (const auto& [member, bytes] : members) {
    std::string src = dir.write("src/" + std::to_string(i++), bytes);
    cmd += " " + ShellQuote(member) + " " + ShellQuote(src);
  }
  EXPECT_EQ(testsupport::RunCommand(cmd).exitCode, 0) << cmd;
  return dir.file(name);
}

TEST(ReadArchiveMember, ReadsMembersByExactNameAndNothingElse) {
  testsupport::TempDir dir;
  std::string gbkName = "res\\" + common::Utf8ToGbk("乗") + ".bmp";  // trail byte "\"
  std::string archive = MakeZip(dir, "upgrade.bin",
                                {{"pre.dat", "[pre]\r\ncloselog=0\r\n"},
                                 {gbkName, std::string("BM\0\1", 4)},
                                 {"empty.dat", ""}});
  auto pre = ReadArchiveMember(archive, "pre.dat");
  ASSERT_TRUE(pre);
  EXPECT_EQ(*pre, "[pre]\r\ncloselog=0\r\n");
  auto pic = ReadArchiveMember(archive, gbkName);
  ASSERT_TRUE(pic);
  EXPECT_EQ(*pic, std::string("BM\0\1", 4));
  EXPECT_EQ(ReadArchiveMember(archive, "empty.dat"), std::string());
  EXPECT_FALSE(ReadArchiveMember(archive, "PRE.DAT"));
  EXPECT_FALSE(ReadArchiveMember(archive, "client.dat"));
  EXPECT_FALSE(ReadArchiveMember(dir.file("missing.bin"), "pre.dat"));
  dir.write("broken.bin", "not a zip archive at all");
  EXPECT_FALSE(ReadArchiveMember(dir.file("broken.bin"), "pre.dat"));
}

TEST(ReadArchiveMember, TextStopsAtTheFirstZeroByte) {
  EXPECT_EQ(MemberText(std::string("[pre]\r\n\0closelog=0", 18)), "[pre]\r\n");
  EXPECT_EQ(MemberText("abc"), "abc");
}

TEST(PreSettings, SwitchesAreOnOnlyForZero) {
  auto on = ParsePreSettings("[pre]\r\ncloselog=0\r\nclosetray=0\r\n");
  ASSERT_TRUE(on);
  EXPECT_TRUE(on->logSwitch);
  EXPECT_TRUE(on->traySwitch);
  auto off = ParsePreSettings("[pre]\r\ncloselog=2\r\nclosetray=abc\r\n");  // "abc" reads as 0
  ASSERT_TRUE(off);
  EXPECT_FALSE(off->logSwitch);
  EXPECT_TRUE(off->traySwitch);
  auto other = ParsePreSettings("[system]\r\ncloselog=0\r\n");
  ASSERT_TRUE(other);
  EXPECT_FALSE(other->logSwitch);
  EXPECT_FALSE(other->traySwitch);
  EXPECT_FALSE(ParsePreSettings(""));
}

TEST(ConfigReader, LogsEveryKeyAfterExpansionAndTrimming) {
  testsupport::TempDir dir;
  auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  {
    FolderValues f = {"", "/opt", "/etc", "/usr/lib", "/tmp", "/opt", "/f", "/d", "/k"};
    ClientLog log;
    ASSERT_TRUE(log.Open());
    common::IniDocument doc;
    ASSERT_TRUE(doc.SetText("[file0]\r\npath={temp}  \r\nrename= a.txt \r\nmd5=\r\nruns=12x\r\n"));
    ConfigReader reader(f, log);
    EXPECT_EQ(reader.ReadText(doc, "file0", "path", ""), "/tmp\\");
    EXPECT_EQ(reader.ReadText(doc, "file0", "rename", ""), "a.txt");
    EXPECT_EQ(reader.ReadText(doc, "file0", "describe", " {win}x "), "{win}x");
    EXPECT_EQ(reader.ReadInt(doc, "file0", "runs", 0), 12);
    EXPECT_EQ(reader.ReadInt(doc, "file0", "modify_ver", 1), 1);
  }
  std::string text = testsupport::TempDir::read(dir.file(kLogFileName));
  std::filesystem::current_path(previous);
  std::vector<std::string> texts;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find("\r\n", pos);
    texts.push_back(text.substr(pos + 12, end - pos - 12));
    pos = end + 2;
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"path=/tmp\\", "rename=a.txt", "describe={win}x",
                                             "runs=12", "modify_ver=1"}));
}

}  // namespace
}  // namespace session
