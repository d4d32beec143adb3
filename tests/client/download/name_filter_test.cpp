#include <gtest/gtest.h>

#include "client/download/folder_listing.h"
#include "formats/name_filter.h"
#include "common/gbk.h"

using formats::FilterMatch;

TEST(FilterMatch, PatternsListsCaseAndBlanks) {
  struct Case {
    const char* filter;
    const char* name;
    bool match;
  } cases[] = {
      {"", "anything.txt", true},
      {"  ", "", true},
      {"*.dll,*.ocx", "a.dll", true},
      {"*.dll,*.ocx", "B.OCX", true},
      {"*.dll,*.ocx", "a.dll.txt", false},
      {" *.dll , *.ocx ", "x.ocx", true},   // each pattern trimmed
      {"*.DLL", "lib.dll", true},           // A-Z without regard to case
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"a**b***c", "a-b-c", true},          // a run of "*" is one
      {"*", "", true},
      {"a*", "", false},
      {",,", "x", false},                   // only empty patterns: nothing passes
      {"*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
      {"data?.bin", "data1.bin", true},
      {"*.txt,", "read.me", false},
  };
  for (const Case& c : cases) EXPECT_EQ(FilterMatch(c.filter, c.name), c.match) << c.filter << " / " << c.name;
  // A double-byte name: "?" takes one byte, so a two-byte character needs two.
  EXPECT_TRUE(FilterMatch("*.dat", common::Gbk("数据.dat")));
  EXPECT_TRUE(FilterMatch("??.dat", common::Gbk("表.dat")));
}

TEST(ListedRecord, SubFolderAndTempNameOfNestedFiles) {
  struct Case {
    const char* root;
    const char* folder;
    bool local;
    const char* subFolder;
    const char* tempName;
  } cases[] = {
      {"/pub/dir0", "/pub/dir0", false, "", "_pub_dir0.a.dll"},
      {"/pub/dir0", "/pub/dir0/sub", false, "sub", "_pub_dir0_sub.a.dll"},
      {"/pub/dir0", "/pub/dir0/sub/deeper", false, "sub/deeper", "_pub_dir0_sub_deeper.a.dll"},
      {"", "/sub", false, "sub", "_sub.a.dll"},
      {"C:\\data", "C:\\data\\sub\\", true, "sub", "C__data_sub_.a.dll"},  // ":" only locally
      {"/srv:x", "/srv:x/in", false, "in", "_srv:x_in.a.dll"},
  };
  for (const Case& c : cases) {
    session::DownloadRecord r = transfer::ListedRecord(c.root, c.folder, "a.dll", 42, c.local);
    EXPECT_EQ(r.subFolder, c.subFolder) << c.folder;
    EXPECT_EQ(r.tempName, c.tempName) << c.folder;
    EXPECT_EQ(r.name, "a.dll");
    EXPECT_EQ(r.size, 42);
  }
  // 乗 is 81 5C: its trail byte is no separator.
  const std::string folder = "/" + common::Gbk("乗");
  EXPECT_EQ(transfer::ListedTempName(folder, "a", false), "_" + common::Gbk("乗") + ".a");
  EXPECT_EQ(transfer::ListedRecord("", folder, "a", 0, false).subFolder, common::Gbk("乗"));
}
