#include "common/ini_document.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/gbk.h"
#include "tests/support/temp_dir.h"

namespace {

using common::IniDocument;
using testsupport::TempDir;

std::string G(std::string_view utf8) { return common::Utf8ToGbk(utf8); }

// A document bound to a file in a fresh folder.
class IniFile : public ::testing::Test {
 protected:
  // Writes bytes to the file and binds + loads the document.
  void Open(std::string_view bytes) {
    path_ = dir_.write("config.dat", bytes);
    doc_.SetFileName(path_);
    ASSERT_TRUE(doc_.Load());
  }
  std::string OnDisk() const { return TempDir::read(path_); }

  TempDir dir_;
  std::string path_;
  IniDocument doc_;
};

IniDocument FromText(std::string_view text) {
  IniDocument doc;
  EXPECT_TRUE(doc.SetText(text));
  return doc;
}

TEST(IniDocument, HeaderAndKeyLinesAreTrimmedAndValuesKeepInnerEquals) {
  IniDocument doc = FromText(
      "  [ system ]  trailing junk\r\n"
      "\t  url0  =  http://host/a.php?x=1&y=2  \r\n"
      "empty=\r\n"
      "noequals\r\n");
  EXPECT_EQ(doc.GetString("system", "url0", "-"), "http://host/a.php?x=1&y=2");
  EXPECT_EQ(doc.GetString("system", "empty", "-"), "");
  EXPECT_EQ(doc.GetString("system", "noequals", "-"), "-");
  EXPECT_EQ(doc.GetString(" system ", "url0", "-"), "-");
  // The default comes back untouched, spaces and all.
  EXPECT_EQ(doc.GetString("system", "missing", "  d  "), "  d  ");
}

TEST(IniDocument, NamesAreCaseSensitive) {
  IniDocument doc = FromText("[UI]\nVersion=2\n");
  EXPECT_EQ(doc.GetString("UI", "Version", "d"), "2");
  EXPECT_EQ(doc.GetString("ui", "Version", "d"), "d");
  EXPECT_EQ(doc.GetString("UI", "version", "d"), "d");
}

TEST(IniDocument, NoCommentsAndNoKeysOutsideSections) {
  IniDocument doc = FromText(
      "ver=0.1\n"
      "[file0]\n"
      ";ver=1.0\n"
      "#path=x\n"
      "[broken\n"
      "ver=2.0\n");
  EXPECT_EQ(doc.GetString("file0", ";ver", "d"), "1.0");
  EXPECT_EQ(doc.GetString("file0", "ver", "d"), "d");
  EXPECT_EQ(doc.GetString("file0", "#path", "d"), "x");
  // A header without "]" has the empty name and still ends the section.
  EXPECT_EQ(doc.GetString("", "ver", "d"), "2.0");
  EXPECT_EQ(doc.GetString("broken", "ver", "d"), "d");
}

TEST(IniDocument, LaterSectionOfSameNameIsNeverSearched) {
  IniDocument doc = FromText(
      "[a]\r\n"
      "x=1\r\n"
      "\r\n"
      "[b]\r\n"
      "[a]\r\n"
      "y=2\r\n");
  EXPECT_EQ(doc.GetString("a", "y", "d"), "d");
  doc.WriteString("a", "y", "3");
  EXPECT_EQ(doc.GetText(), "[a]\r\nx=1\r\n\r\ny=3\r\n[b]\r\n[a]\r\ny=2\r\n");
  EXPECT_EQ(doc.GetString("a", "y", "d"), "3");
}

TEST(IniDocument, RepeatedKeyReadsByOccurrenceAndWritesTheFirst) {
  IniDocument doc = FromText("[s]\nk=first\n\nk = second\nother=o\n");
  EXPECT_EQ(doc.GetString("s", "k", "d", 1), "first");
  EXPECT_EQ(doc.GetString("s", "k", "d", 2), "second");
  EXPECT_EQ(doc.GetString("s", "k", "d", 3), "d");

  doc.WriteString("s", "k", "new");
  EXPECT_EQ(doc.Lines(), (std::vector<std::string>{"[s]", "k=new", "k = second", "other=o"}));
  doc.DeleteKey("s", "k");
  EXPECT_EQ(doc.Lines(), (std::vector<std::string>{"[s]", "k = second", "other=o"}));
  EXPECT_EQ(doc.GetString("s", "k", "d"), "second");
}

TEST(IniDocument, WritesReplaceInsertAppendOrDoNothing) {
  IniDocument doc = FromText("[s]\n   key  =  old\n[t]\nz=1\n");
  doc.WriteString("s", "key", "v");  // replaced line loses its spacing
  doc.WriteString("s", "new", "n");  // inserted before the next header
  doc.WriteString("t", "last", "l");  // appended at the end of the last section
  doc.WriteString("s", "absent", "");  // nothing to delete
  doc.WriteString("missing", "k", "");  // empty value into a missing section
  EXPECT_EQ(doc.GetText(), "[s]\r\nkey=v\r\nnew=n\r\n[t]\r\nz=1\r\nlast=l\r\n");

  doc.WriteInt("missing", "n", -5);  // a missing section is appended whole
  EXPECT_EQ(doc.Lines(), (std::vector<std::string>{"[s]", "key=v", "new=n", "[t]", "z=1", "last=l",
                                                   "[missing]", "n=-5"}));
  EXPECT_EQ(doc.GetInt("missing", "n", 0), -5);
}

TEST(IniDocument, GetIntUsesTheAtoiRule) {
  IniDocument doc = FromText("[s]\nmixed=12ab\nletters=ab12\nneg= -3 \nblank=\n");
  EXPECT_EQ(doc.GetInt("s", "mixed", 99), 12);
  EXPECT_EQ(doc.GetInt("s", "letters", 99), 0);
  EXPECT_EQ(doc.GetInt("s", "neg", 99), -3);
  EXPECT_EQ(doc.GetInt("s", "blank", 99), 0);
  EXPECT_EQ(doc.GetInt("s", "missing", 99), 99);
  EXPECT_EQ(doc.GetInt("s", "missing", -7), -7);
}

TEST(IniDocument, SetTextCutsLinesAlikeForLfAndCrLf) {
  IniDocument lf = FromText("[s]\n\nk=v\n");
  IniDocument crlf = FromText("[s]\r\n\r\nk=v\r\n");
  EXPECT_EQ(lf.GetString("s", "k", "d"), "v");
  EXPECT_EQ(crlf.GetString("s", "k", "d"), "v");
  // LF-only text loses its blank lines, CR LF text keeps them.
  EXPECT_EQ(lf.GetText(), "[s]\r\nk=v\r\n");
  EXPECT_EQ(crlf.GetText(), "[s]\r\n\r\nk=v\r\n");

  EXPECT_EQ(FromText("\n[s]\nk=v").Lines(), (std::vector<std::string>{"[s]", "k=v"}));
  EXPECT_EQ(FromText(std::string("[s]\r\nk=v\0", 9)).Lines(),
            (std::vector<std::string>{"[s]", "k=v"}));
  EXPECT_EQ(FromText("[s]\r\r\nk=v\r").Lines(), (std::vector<std::string>{"[s]", "k=v"}));

  // SetText appends; it does not start over.
  IniDocument doc = FromText("[a]\nx=1\n");
  EXPECT_TRUE(doc.SetText("[b]\ny=2\n"));
  EXPECT_EQ(doc.GetString("b", "y", "d"), "2");
  EXPECT_EQ(doc.Lines().size(), 4u);
}

TEST(IniDocument, EmptyTextIsRefusedAndKeepsTheFileMode) {
  IniDocument doc;
  EXPECT_FALSE(doc.SetText(""));
  EXPECT_TRUE(doc.IsFileBound());
  EXPECT_EQ(doc.FileName(), "my.ini");
  EXPECT_EQ(doc.GetText(), "");
  // A lone terminator is text: the document switches to memory mode with no lines.
  EXPECT_TRUE(doc.SetText(std::string_view("\0", 1)));
  EXPECT_FALSE(doc.IsFileBound());
  EXPECT_TRUE(doc.Lines().empty());
}

TEST(IniDocument, DoubleByteNamesAndValuesWithSeparatorTrailBytes) {
  // 乚 and 誡 end in "]", 乕 and 誟 in "[", 乗 and 誠 in "\".
  const std::string section = G("乚誡");
  const std::string key = G("路径誟");
  const std::string value = G("C:\\乗\\誠\\");
  IniDocument doc = FromText("[" + section + "]\r\n" + G("乕开头") + "=1\r\n" + key + " = " +
                             value + "\r\n[" + G("乕") + "]\r\n" + key + "=2\r\n");
  EXPECT_EQ(doc.GetString(section, key, "d"), value);
  // A line starting with 乕 is a key line, not a header.
  EXPECT_EQ(doc.GetString(section, G("乕开头"), "d"), "1");
  EXPECT_EQ(doc.GetString(G("乕"), key, "d"), "2");

  doc.WriteString(section, G("新"), G("值乚"));
  EXPECT_EQ(doc.Lines()[3], G("新") + "=" + G("值乚"));
  EXPECT_EQ(doc.Lines()[4], "[" + G("乕") + "]");
}

TEST_F(IniFile, LoadReadsEveryLineEndAndSaveWritesCrLf) {
  Open("[s]\r\nk=1\n\n  \r\nlast=x\r\r");  // no final LF
  EXPECT_EQ(doc_.Lines(), (std::vector<std::string>{"[s]", "k=1", "", "  ", "last=x"}));
  EXPECT_EQ(doc_.GetString("s", "last", "d"), "x");
  EXPECT_TRUE(doc_.Save());
  EXPECT_EQ(OnDisk(), "[s]\r\nk=1\r\n\r\n  \r\nlast=x\r\n");

  Open("");
  EXPECT_TRUE(doc_.Lines().empty());
  Open("[project]\r\nname=abc");  // the shape of a freshly created project file
  EXPECT_EQ(doc_.GetString("project", "name", "d"), "abc");
}

TEST_F(IniFile, ReadsSeeEditsMadeOnDiskBetweenCalls) {
  Open("[file0]\r\nver=1.0.0\r\n");
  EXPECT_EQ(doc_.GetString("file0", "ver", "d"), "1.0.0");
  dir_.write("config.dat", "[file0]\r\nver=1.1.0\r\n");
  EXPECT_EQ(doc_.GetString("file0", "ver", "d"), "1.1.0");
  std::filesystem::remove(path_);
  EXPECT_EQ(doc_.GetString("file0", "ver", "d"), "d");
  EXPECT_FALSE(doc_.LastOpenOk());
}

TEST_F(IniFile, WritesSaveTheWholeFileAtOnce) {
  Open("[system]\r\nurls=a\r\n\r\n[file0]\r\nver=1\r\n");
  doc_.WriteString("system", "log", "1");
  EXPECT_EQ(OnDisk(), "[system]\r\nurls=a\r\n\r\nlog=1\r\n[file0]\r\nver=1\r\n");
  doc_.DeleteKey("file0", "ver");
  EXPECT_EQ(OnDisk(), "[system]\r\nurls=a\r\n\r\nlog=1\r\n[file0]\r\n");
  doc_.WriteInt("file1", "show_type", 2);
  EXPECT_EQ(doc_.GetInt("file1", "show_type", 0), 2);
  EXPECT_EQ(OnDisk(), "[system]\r\nurls=a\r\n\r\nlog=1\r\n[file0]\r\n[file1]\r\nshow_type=2\r\n");
}

TEST_F(IniFile, WriteWithoutLoadKeepsOnlyWhatWasWritten) {
  std::string path = dir_.write("fresh.dat", "[old]\r\nk=v\r\n");
  IniDocument doc;
  doc.SetFileName(path);
  doc.WriteString("new", "a", "1");
  EXPECT_EQ(TempDir::read(path), "[new]\r\na=1\r\n");
}

TEST_F(IniFile, MissingFileGivesDefaultsAndKeepsOldLines) {
  Open("[s]\r\nk=v\r\n");
  doc_.SetFileName(dir_.file("nothere.dat"));
  EXPECT_FALSE(doc_.Load());
  EXPECT_EQ(doc_.Lines().size(), 2u);
  EXPECT_EQ(doc_.GetString("s", "k", "d"), "d");
  EXPECT_EQ(doc_.GetInt("s", "k", 4), 4);
  EXPECT_EQ(doc_.GetText(), "");
  EXPECT_FALSE(std::filesystem::exists(dir_.file("nothere.dat")));

  // A folder opens on this system but cannot be read: same as missing.
  doc_.SetFileName(dir_.path().string());
  EXPECT_FALSE(doc_.Load());
  EXPECT_FALSE(doc_.LastOpenOk());
  EXPECT_EQ(doc_.GetString("s", "k", "d"), "d");
}

TEST_F(IniFile, SaveThatCannotOpenReportsFailureAndKeepsTheChangeInMemory) {
  Open("[s]\r\nk=v\r\n");
  doc_.SetFileName(dir_.write("plain", "x") + "/sub.dat");  // parent is a regular file
  doc_.PutValue("s", "k", "w");
  EXPECT_FALSE(doc_.Save());
  EXPECT_FALSE(doc_.LastOpenOk());
  EXPECT_EQ(doc_.Lines()[1], "k=w");
  doc_.WriteString("s", "k2", "z");
  EXPECT_EQ(doc_.Lines().size(), 3u);
  // The next read reloads the file it cannot open: the change is not seen.
  EXPECT_EQ(doc_.GetString("s", "k", "d"), "d");
  EXPECT_EQ(TempDir::read(dir_.file("plain")), "x");
}

TEST(IniDocument, SaveThatCannotWriteEverythingReportsFailure) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  IniDocument doc;
  doc.SetFileName("/dev/full");  // opens, but every write fails with "no space"
  doc.PutValue("s", "k", "v");
  EXPECT_FALSE(doc.Save());
  EXPECT_TRUE(doc.LastOpenOk());
}

TEST_F(IniFile, MemoryModeNeverTouchesTheFile) {
  Open("[s]\r\nk=disk\r\n");
  ASSERT_TRUE(doc_.SetText("[s]\r\nk=mem\r\n"));
  EXPECT_FALSE(doc_.IsFileBound());
  EXPECT_EQ(doc_.GetString("s", "k", "d"), "disk");  // first header wins, loaded one first
  doc_.WriteString("s", "k", "changed");
  EXPECT_TRUE(doc_.Save());
  EXPECT_EQ(OnDisk(), "[s]\r\nk=disk\r\n");
  EXPECT_EQ(doc_.GetText(), "[s]\r\nk=changed\r\n[s]\r\nk=mem\r\n");
}

TEST_F(IniFile, GbkPathWithBackslashesReachesTheFile) {
  std::filesystem::create_directories(dir_.path() / u8"配置");
  std::string gbkPath = dir_.path().string() + "\\" + G("配置") + "\\" + G("乗誠.dat");
  IniDocument doc;
  doc.SetFileName(gbkPath);
  EXPECT_EQ(doc.FileName(), gbkPath);
  doc.WriteString(G("系统"), "k", G("值"));
  const auto native = dir_.path() / u8"配置" / u8"乗誠.dat";
  EXPECT_EQ(TempDir::read(native), "[" + G("系统") + "]\r\nk=" + G("值") + "\r\n");
  EXPECT_EQ(doc.GetString(G("系统"), "k", "d"), G("值"));
}

TEST_F(IniFile, LinesOfAnyLength) {
  std::string value(200000, 'v');
  value += G("乗");
  Open("[s]\r\nlong=" + value + "\r\nafter=1\r\n");
  EXPECT_EQ(doc_.GetString("s", "long", "d"), value);
  EXPECT_EQ(doc_.GetString("s", "after", "d"), "1");
}

}  // namespace
