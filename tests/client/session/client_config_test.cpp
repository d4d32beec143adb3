#include "client/session/client_config.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "client/session/client_log.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "tests/support/temp_dir.h"

namespace session {
namespace {

TEST(MemberText, StopsAtTheFirstZeroByte) {
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
    formats::FolderValues f = {"", "/opt", "/etc", "/usr/lib", "/tmp", "/opt", "/f", "/d", "/k"};
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
