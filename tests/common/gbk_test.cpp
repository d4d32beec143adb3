#include "common/gbk.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

using common::GbkFind;
using common::GbkFindLast;

// GBK characters whose trail byte is an ASCII separator.
const std::string kBackslashTrail = "\x81\x5C";  // 乗
const std::string kBracketOpenTrail = "\x81\x5B";   // 乕
const std::string kBracketCloseTrail = "\xD5\x5D";  // 誡

TEST(Gbk, FindSkipsTrailBytesThatLookLikeSeparators) {
  const size_t npos = std::string_view::npos;
  EXPECT_EQ(GbkFind(kBackslashTrail, '\\'), npos);
  EXPECT_EQ(GbkFind(kBracketOpenTrail + "[", '['), 2u);
  EXPECT_EQ(GbkFind("a" + kBracketCloseTrail + "]b", ']'), 3u);
  EXPECT_EQ(GbkFind("]" + kBracketCloseTrail, ']', 1), npos);
  EXPECT_EQ(GbkFindLast("\\" + kBackslashTrail, '\\'), 0u);
  EXPECT_EQ(GbkFindLast("a\\b" + kBackslashTrail + "\\c" + kBackslashTrail, '\\'), 5u);
  EXPECT_EQ(GbkFindLast(kBackslashTrail, '\\'), npos);

  // Needle search only matches on a character boundary.
  std::string text = kBackslashTrail + "a\\a";  // 81 5C 'a' 5C 'a'
  EXPECT_EQ(GbkFind(text, std::string_view("\\a")), 3u);
  EXPECT_EQ(GbkFind("x;;y;;z", std::string_view(";;"), 2), 4u);
  EXPECT_EQ(GbkFind("abc", std::string_view(";;")), npos);
}

TEST(Gbk, CharLengthNeedsLeadAndValidTrail) {
  EXPECT_EQ(common::GbkCharLength("\x81\x40", 0), 2u);
  EXPECT_EQ(common::GbkCharLength("\xFE\xFE", 0), 2u);
  EXPECT_EQ(common::GbkCharLength("\x81\x7F", 0), 1u);  // 0x7F is never a trail byte
  EXPECT_EQ(common::GbkCharLength("\x81\x3D", 0), 1u);  // "=" after a lead byte stays "="
  EXPECT_EQ(common::GbkCharLength("\x81", 0), 1u);      // lead byte cut off at the end
  EXPECT_EQ(common::GbkCharLength("\x80\x41", 0), 1u);  // 0x80 is a single-byte character
  EXPECT_EQ(common::GbkCharLength("\xFF\x41", 0), 1u);
  EXPECT_EQ(GbkFind("\x81=", '='), 1u);
}

TEST(Gbk, ReplaceAndLowerLeaveDoubleByteCharactersAlone) {
  std::string path = "C:\\" + kBackslashTrail + "\\x";
  EXPECT_EQ(common::GbkReplaceChar(path, '\\', '/'), "C:/" + kBackslashTrail + "/x");
  // B0 41..B0 5A: trail bytes in the range of "A".."Z".
  std::string mixed = "ABC\xB0\x41Z\xB0\x5A";
  EXPECT_EQ(common::GbkToLowerAscii(mixed), "abc\xB0\x41z\xB0\x5A");
}

TEST(Gbk, NoCaseComparisonsFoldOnlySingleByteLettersAndRespectCharacters) {
  // B0 41: a double-byte character whose trail byte is "A".
  const std::string trailA = "\xB0\x41";
  struct Case {
    std::string text, other;
    bool equals, startsWith, endsWith;
  } cases[] = {
      {"Setup.DLL", "setup.dll", true, true, true},
      {"Setup.DLL", ".dll", false, false, true},
      {"HTTP/1.1 200", "http/", false, true, false},
      {"ftp", "ftps", false, false, false},
      {trailA, "\xB0\x61", false, false, false},  // the trail byte is not a letter
      {"x" + trailA, "A", false, false, false},     // nor may a match start inside a character
      {trailA + "b", "\xB0", false, false, false},  // or end inside one
      {"a" + trailA + "B", trailA + "b", false, false, true},
      {"", "", true, true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(common::EqualsNoCase(c.text, c.other), c.equals) << c.text << " / " << c.other;
    EXPECT_EQ(common::StartsWithNoCase(c.text, c.other), c.startsWith) << c.text << " / " << c.other;
    EXPECT_EQ(common::EndsWithNoCase(c.text, c.other), c.endsWith) << c.text << " / " << c.other;
  }
}

TEST(Gbk, TrimRemovesEveryKindOfBlankAtTheEndsOnly) {
  EXPECT_EQ(common::Trim(" \t\v\f\r\n a b \r\n"), "a b");
  EXPECT_EQ(common::TrimLeft("  a  "), "a  ");
  EXPECT_EQ(common::TrimRight("  a  "), "  a");
  EXPECT_EQ(common::Trim(" \t "), "");
  EXPECT_EQ(common::Trim(" " + kBracketCloseTrail + " "), kBracketCloseTrail);
  EXPECT_FALSE(common::IsBlank('\0'));
  EXPECT_FALSE(common::IsBlank('\xA1'));  // half of the full-width space
}

TEST(Gbk, ConvertsBothWaysWithKnownBytes) {
  // "信息提示" as the configuration files hold it.
  const std::string gbk = "\xD0\xC5\xCF\xA2\xCC\xE1\xCA\xBE";
  EXPECT_EQ(common::Utf8ToGbk("信息提示"), gbk);
  EXPECT_EQ(common::GbkToUtf8(gbk), "信息提示");
  EXPECT_EQ(common::Utf8ToGbk("乗誠乕誟乚誡"), "\x81\x5C\xD5\x5C\x81\x5B\xD5\x5B\x81\x5D\xD5\x5D");

  const std::string utf8 = "升级 v1.2 乗\\誠 [乕] €";
  EXPECT_EQ(common::GbkToUtf8(common::Utf8ToGbk(utf8)), utf8);
  EXPECT_EQ(common::GbkToUtf8(""), "");
  EXPECT_EQ(common::Utf8ToGbk(""), "");
}

TEST(Gbk, ConvertsTextsLongerThanOneBuffer) {
  std::string utf8;
  for (int i = 0; i < 5000; ++i) utf8 += "发现新版本";
  std::string gbk = common::Utf8ToGbk(utf8);
  EXPECT_EQ(gbk.size(), 5000u * 10);
  EXPECT_EQ(common::GbkToUtf8(gbk), utf8);
}

TEST(Gbk, BadInputIsReplacedAndTheRestStillConverts) {
  const std::string fffd = "\xEF\xBF\xBD";
  EXPECT_EQ(common::GbkToUtf8("a\xFF" "b"), "a" + fffd + "b");
  EXPECT_EQ(common::GbkToUtf8("ab\x81"), "ab" + fffd);             // cut-off lead byte
  EXPECT_EQ(common::GbkToUtf8("\x81" "0x"), fffd + "0x");          // lead without trail
  EXPECT_EQ(common::GbkToUtf8("\xA2\xE3z" "\xD0\xC5"), fffd + "z信");  // unmapped pair

  EXPECT_EQ(common::Utf8ToGbk("a😀b"), "a?b");         // not in GBK
  EXPECT_EQ(common::Utf8ToGbk("\xC3x\xE4\xBF"), "?x?");  // malformed UTF-8
  EXPECT_EQ(common::Utf8ToGbk("\xFF信"), "?\xD0\xC5");
}

TEST(Gbk, NativePathTurnsSeparatorsButKeepsCharacters) {
  std::string gbkPath = "/tmp\\" + common::Utf8ToGbk("配置") + "\\" + kBackslashTrail + ".dat";
  EXPECT_EQ(common::NativePath(gbkPath), "/tmp/配置/乗.dat");
  EXPECT_EQ(common::NativePath("my.ini"), "my.ini");
  EXPECT_EQ(common::NativePath(""), "");
}

TEST(Gbk, AtoIFollowsTheCRule) {
  EXPECT_EQ(common::AtoI("42"), 42);
  EXPECT_EQ(common::AtoI(" \t\r\n-42abc"), -42);
  EXPECT_EQ(common::AtoI("+7"), 7);
  EXPECT_EQ(common::AtoI("12.9"), 12);
  EXPECT_EQ(common::AtoI("0x10"), 0);
  EXPECT_EQ(common::AtoI("abc"), 0);
  EXPECT_EQ(common::AtoI(""), 0);
  EXPECT_EQ(common::AtoI("-"), 0);
  EXPECT_EQ(common::AtoI("- 5"), 0);
  EXPECT_EQ(common::AtoI("+-5"), 0);
  EXPECT_EQ(common::AtoI("007"), 7);
  EXPECT_EQ(common::AtoI("2147483647"), INT_MAX);
  EXPECT_EQ(common::AtoI("-2147483648"), INT_MIN);
  EXPECT_EQ(common::AtoI("2147483648"), INT_MAX);
  EXPECT_EQ(common::AtoI("-2147483649"), INT_MIN);
  EXPECT_EQ(common::AtoI("99999999999999999999999999"), INT_MAX);
  EXPECT_EQ(common::AtoL("-99999999999999999999999999"), LONG_MIN);
  EXPECT_EQ(common::AtoL("99999999999999999999999999"), LONG_MAX);
  // long is 64 bits here and 32 bits on Windows, as the C library's atol.
  EXPECT_EQ(common::AtoL(" 3000000000x"), sizeof(long) == 8 ? static_cast<long>(3000000000LL) : LONG_MAX);
  // 2^64 + 1 and 2^65 + 1 saturate rather than wrap round to 1 and 3.
  EXPECT_EQ(common::AtoL("18446744073709551617"), LONG_MAX);
  EXPECT_EQ(common::AtoL("-36893488147419103233"), LONG_MIN);
  EXPECT_EQ(common::AtoL("9223372036854775807"), LONG_MAX);
  EXPECT_EQ(common::AtoI("18446744073709551617"), INT_MAX);
}

}  // namespace
