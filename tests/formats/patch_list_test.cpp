#include "formats/patch_list.h"

#include <gtest/gtest.h>

namespace {

using formats::FormatPatchList;
using formats::ParsePatchList;
using formats::PatchEntry;

const std::string kA(64, 'a');
const std::string kB = std::string(63, 'B') + "0";

TEST(PatchList, WrittenListsReadBackAndDigestsComeBackLowerCase) {
  const std::vector<PatchEntry> entries = {{kA, "patches/file0/1.0_1.2.zst", 420936, kA, ""},
                                           {kA, "patches/file0/1.1_1.2.zst", 7, kA, ""}};
  std::vector<PatchEntry> back = ParsePatchList(FormatPatchList(entries));
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[1].url, "patches/file0/1.1_1.2.zst");
  EXPECT_EQ(back[0].size, 420936);

  back = ParsePatchList("base0=" + kB + ";;url0=p.zst;;size0=3;;digest0=" + kB);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].base, std::string(63, 'b') + "0");
}

// A name from the server must stay below the configuration's folder, and an
// entry that cannot be checked is never offered.
TEST(PatchList, EntriesThatCannotBeCheckedOrLeaveTheFolderAreSkipped) {
  auto one = [](const std::string& base, const std::string& url, const std::string& size, const std::string& digest) {
    return "base0=" + base + ";;url0=" + url + ";;size0=" + size + ";;digest0=" + digest + ";;base1=" + kA +
           ";;url1=ok.zst;;size1=1;;digest1=" + kA;
  };
  struct Case {
    const char* name;
    std::string value;
  } cases[] = {
      {"short base", one(kA.substr(1), "p.zst", "5", kA)},
      {"non-hex digest", one(kA, "p.zst", "5", std::string(64, 'g'))},
      {"climbs out", one(kA, "patches/../../etc/passwd", "5", kA)},
      {"absolute", one(kA, "/etc/passwd", "5", kA)},
      {"other server", one(kA, "http://evil/p.zst", "5", kA)},
      {"empty segment", one(kA, "patches//p.zst", "5", kA)},
      {"zero size", one(kA, "p.zst", "0", kA)},
      {"negative size", one(kA, "p.zst", "-5", kA)},
      {"size not a number", one(kA, "p.zst", "5x", kA)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<PatchEntry> got = ParsePatchList(c.value);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].url, "ok.zst");
  }
  EXPECT_TRUE(ParsePatchList("").empty());
  EXPECT_TRUE(ParsePatchList("url0=p.zst;;size0=1").empty());  // no base: no list
}

// A dir item's list: entries come back by number whatever order the
// sub-fields stand in, and one that could not be checked or names a patch
// outside the folder is dropped without losing the rest.
TEST(FilePatchList, RoundTripsAndSkipsWhatCannotBeChecked) {
  using formats::FilePatchEntry;
  const std::vector<FilePatchEntry> entries = {{"lib/a b.so", {kA, "patches/dir0/1.0_1.1/lib/a.so.zst", 12, kA, kB}},
                                               {"x=y.txt", {kB, "patches/dir0/1.0_1.1/x.zst", 3, kB, kA}}};
  std::vector<FilePatchEntry> back = formats::ParseFilePatchList(formats::FormatFilePatchList(entries));
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].name, "lib/a b.so");
  EXPECT_EQ(back[0].patch.result, std::string(63, 'b') + "0");
  EXPECT_EQ(back[1].name, "x=y.txt");
  EXPECT_EQ(back[1].patch.size, 3);

  auto entry = [](int n, const std::string& url, const std::string& result) {
    const std::string i = std::to_string(n);
    return "result" + i + "=" + result + ";;size" + i + "=9;;name" + i + "=f" + i + ";;digest" + i + "=" + kA +
           ";;url" + i + "=" + url + ";;base" + i + "=" + kA;
  };
  const std::string value = entry(0, "p/0.zst", kA) + ";;" + entry(1, "../1.zst", kA) + ";;" +
                            entry(2, "p/2.zst", "") + ";;" + entry(3, "p/3.zst", kA.substr(2)) + ";;" +
                            entry(4, "p/4.zst", kA);
  back = formats::ParseFilePatchList(value);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].name, "f0");
  EXPECT_EQ(back[1].name, "f4");
  // A gap in the numbering ends the list, as for file items.
  EXPECT_EQ(formats::ParseFilePatchList(entry(0, "p/0.zst", kA) + ";;" + entry(2, "p/2.zst", kA)).size(), 1u);
  EXPECT_TRUE(formats::ParseFilePatchList(entry(1, "p/1.zst", kA)).empty());
}

}  // namespace
