#include "client/download/ftp_listing.h"

#include <gtest/gtest.h>

#include "common/gbk.h"

using namespace transfer;

namespace {

struct LineCase {
  const char* what;
  std::string line;
  bool listed;  // an entry comes out of the line
  std::string name;
  int64_t size = 0;
  bool folder = false;
  bool link = false;
  bool unsafe = false;
};

// "乗" ends in the byte 0x5C, which is no "\" inside a GBK name.
const std::string kGbkName = common::Gbk("中文 乗.bin");

const LineCase kLines[] = {
    {"unix folder with blanks", "drwxr-xr-x   2 owner group      4096 Jan 01 12:00 sub dir", true, "sub dir", 4096,
     true},
    {"unix file, year instead of time", "-rw-r--r--   1 owner group    104857 Feb 29  2024 a file.bin", true,
     "a file.bin", 104857},
    {"unix GBK name", "-rw-r--r-- 1 owner group 7 Jan 01 12:00 " + kGbkName, true, kGbkName, 7},
    {"unix without group", "-rw-r--r-- 1 owner 1234 Jan 01 12:00 no group.txt", true, "no group.txt", 1234},
    {"unix without group, one word", "-rw-r--r-- 1 owner 1234 Jan 01 12:00 x", true, "x", 1234},
    {"unix numeric group", "-rw-r--r-- 1 1000 1000 55 Jan 01 12:00 n", true, "n", 55},
    {"unix symlink", "lrwxrwxrwx   1 owner group         5 Jan 01 12:00 link -> a file.bin", true, "link", 5,
     false, true},
    {"unix size beyond 4 GiB", "-rw-r--r-- 1 o g 5000000000 Jan 01 12:00 big.iso", true, "big.iso", 5000000000},
    {"unix dot", "drwxr-xr-x   2 owner group      4096 Jan 01 12:00 .", false, ""},
    {"unix dot dot", "drwxr-xr-x   2 owner group      4096 Jan 01 12:00 ..", false, ""},
    {"unix escaping name", "-rw-r--r-- 1 o g 3 Jan 01 12:00 ../../etc/passwd", true, "../../etc/passwd", 3,
     false, false, true},
    {"unix name of dots and blanks", "-rw-r--r-- 1 o g 3 Jan 01 12:00 ... ", true, "... ", 3, false, false, true},
    {"unix name with a control byte", "-rw-r--r-- 1 o g 3 Jan 01 12:00 a\tb", true, "a\tb", 3, false, false, true},
    {"dos folder", "01-31-24  09:15AM       <DIR>          win dir", true, "win dir", 0, true},
    {"dos file", "01-31-24  09:15PM              1234567 setup.exe", true, "setup.exe", 1234567},
    {"dos backslash name", "01-31-24  09:15PM  10 a\\b.txt", true, "a\\b.txt", 10, false, false, true},
    {"mlsd file", "type=file;size=12;modify=20240131091500; a b.txt", true, "a b.txt", 12},
    {"mlsd folder, facts in upper case", "Type=Dir;Modify=20240131091500; Sub", true, "Sub", 0, true},
    {"mlsd symlink", "type=OS.unix=slink:/target;size=7; ln", true, "ln", 7, false, true},
    {"mlsd current folder", "type=cdir;modify=20240131091500; /pub", false, ""},
    {"mlsd parent folder", "type=pdir;modify=20240131091500; /", false, ""},
    {"mlsd bad size", "type=file;size=12x; x", false, ""},
    {"total line", "total 12", false, ""},
    {"empty line", "", false, ""},
    {"greeting", "226 Transfer complete", false, ""},
    {"unix size not a number", "-rw-r--r-- 1 owner group many Jan 01 12:00 x", false, ""},
    {"unix too few fields", "-rw-r--r-- 1 owner group 3 Jan", false, ""},
    {"dos without name", "01-31-24  09:15PM  10", false, ""},
    {"dos size not a number", "01-31-24  09:15PM  -10 x", false, ""},
};

}  // namespace

TEST(ParseFtpListing, EachLineFormReadsOrIsLeftOut) {
  for (const auto& c : kLines) {
    SCOPED_TRACE(c.what);
    auto entries = ParseFtpListing(c.line + "\r\n");
    ASSERT_EQ(entries.size(), c.listed ? 1u : 0u);
    if (!c.listed) continue;
    EXPECT_EQ(entries[0].name, c.name);
    EXPECT_EQ(entries[0].size, c.size);
    EXPECT_EQ(entries[0].isFolder, c.folder);
    EXPECT_EQ(entries[0].isLink, c.link);
    EXPECT_EQ(entries[0].unsafeName, c.unsafe);
  }
}

TEST(ParseFtpListing, KeepsTheServersOrderWhateverTheLineEnds) {
  std::string listing =
      "total 12\r\n"
      "drwxr-xr-x   2 owner group      4096 Jan 01 12:00 sub dir\n"
      "garbage\r\n"
      "-rw-r--r--   1 owner group    104857 Feb 29  2024 a file.bin\r\n"
      "01-31-24  09:15PM              1234567 setup.exe";  // no line end at all
  auto entries = ParseFtpListing(listing);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "sub dir");
  EXPECT_EQ(entries[1].name, "a file.bin");
  EXPECT_EQ(entries[2].name, "setup.exe");
  EXPECT_EQ(entries[2].size, 1234567);
}

TEST(IsUnsafeListedName, OnlyNamesThatLeaveTheirFolder) {
  EXPECT_FALSE(IsUnsafeListedName("plain.txt"));
  EXPECT_FALSE(IsUnsafeListedName("..hidden"));
  EXPECT_FALSE(IsUnsafeListedName("a..b"));
  EXPECT_FALSE(IsUnsafeListedName(kGbkName));
  EXPECT_TRUE(IsUnsafeListedName(".."));
  EXPECT_TRUE(IsUnsafeListedName(". ."));
  EXPECT_TRUE(IsUnsafeListedName("sub/x"));
  EXPECT_TRUE(IsUnsafeListedName("..\\x"));
  EXPECT_TRUE(IsUnsafeListedName(std::string("a\0b", 3)));
  EXPECT_TRUE(IsUnsafeListedName(""));
}
TEST(ParseFtpListing, UnixAndDosLinesWithFoldersSizesAndBlanks) {
  std::string listing =
      "total 12\r\n"
      "drwxr-xr-x   2 owner group      4096 Jan 01 12:00 sub dir\r\n"
      "-rw-r--r--   1 owner group    104857 Feb 29  2024 a file.bin\r\n"
      "drwxr-xr-x   2 owner group      4096 Jan 01 12:00 .\r\n"
      "drwxr-xr-x   2 owner group      4096 Jan 01 12:00 ..\r\n"
      "lrwxrwxrwx   1 owner group         5 Jan 01 12:00 link -> a file.bin\r\n"
      "01-31-24  09:15AM       <DIR>          win dir\r\n"
      "01-31-24  09:15PM              1234567 setup.exe\r\n";
  auto entries = ParseFtpListing(listing);
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].name, "sub dir");
  EXPECT_TRUE(entries[0].isFolder);
  EXPECT_EQ(entries[1].name, "a file.bin");
  EXPECT_EQ(entries[1].size, 104857);
  EXPECT_FALSE(entries[1].isFolder);
  EXPECT_EQ(entries[2].name, "link");
  EXPECT_EQ(entries[3].name, "win dir");
  EXPECT_TRUE(entries[3].isFolder);
  EXPECT_EQ(entries[4].name, "setup.exe");
  EXPECT_EQ(entries[4].size, 1234567);
}
