#include "formats/value_syntax.h"

#include <gtest/gtest.h>

#include "common/gbk.h"

namespace formats {
namespace {

FolderValues SampleFolders() {
  return {"", "/opt", "/etc", "/usr/lib", "/tmp", "/opt", "/home/u/.local/share/fonts",
          "/home/u/Documents", "/home/u/Desktop"};
}

TEST(ExpandPathMacros, MacroAtTheStartGetsExactlyOneSeparatorAfterItsValue) {
  auto f = SampleFolders();
  EXPECT_EQ(ExpandPathMacros("{win}system32\\a.dll", f), "/etc\\system32\\a.dll");
  EXPECT_EQ(ExpandPathMacros("{win}\\system32\\a.dll", f), "/etc\\system32\\a.dll");
  EXPECT_EQ(ExpandPathMacros("{temp}", f), "/tmp\\");
  EXPECT_EQ(ExpandPathMacros("{parent}\\bin\\", f), "/opt\\bin\\");
}

TEST(ExpandPathMacros, MacroElsewhereStaysAndEveryOccurrenceFollowsTheFirst) {
  auto f = SampleFolders();
  EXPECT_EQ(ExpandPathMacros("abc{win}", f), "abc{win}");
  EXPECT_EQ(ExpandPathMacros(" {win}", f), " {win}");
  // Once the macro stands at the start, its later occurrences go too, but
  // only the first value gets the separator.
  EXPECT_EQ(ExpandPathMacros("{temp}a;{temp}b", f), "/tmp\\a;/tmpb");
  EXPECT_EQ(ExpandPathMacros("", f), "");
  EXPECT_EQ(ExpandPathMacros("plain\\path", f), "plain\\path");
}

TEST(ExpandPathMacros, EmptyRootValueLeavesAnAbsolutePath) {
  auto f = SampleFolders();
  EXPECT_EQ(ExpandPathMacros("{appdriver}\\data", f), "\\data");
  EXPECT_EQ(ExpandPathMacros("{appdriver}data", f), "\\data");
  // An unresolved folder expands to nothing but still gets its separator.
  f[7] = "";
  EXPECT_EQ(ExpandPathMacros("{mydoc}notes.txt", f), "\\notes.txt");
}

TEST(GetSubField, FindsNamedFieldsFirstOrAfterSeparators) {
  std::string v = "url0=first;;url1=second;;url2=third";
  EXPECT_EQ(GetSubField(v, "url0"), "first");
  EXPECT_EQ(GetSubField(v, "url1"), "second");
  EXPECT_EQ(GetSubField(v, "url2"), "third");
  EXPECT_EQ(GetSubField(v, "url3"), "");
  EXPECT_EQ(GetSubField("  url0=a=b;;x=1  ", "url0"), "a=b");  // trimmed; "=" allowed in values
  EXPECT_EQ(GetSubField("url0=", "url0"), "");
  EXPECT_EQ(GetSubField("", "url0"), "");
}

TEST(GetSubField, FirstFieldIsTakenByItsNameAloneAsTheStoredValuesExpect) {
  // The first sub-field is recognised by its name; the character after it
  // is skipped as if it were "=".
  EXPECT_EQ(GetSubField("url0:x;;url1=y", "url0"), "x");
  EXPECT_EQ(GetSubField("bmpfile=a.bmp;;clrtext=255", "clrtext"), "255");
}

TEST(ParseUrlEntry, SplitsAddressUserAndPassword) {
  auto e = ParseUrlEntry("ftp://host/dir/s.ini,,anna,,pw1");
  EXPECT_EQ(e.Url(), "ftp://host/dir/s.ini");
  EXPECT_EQ(e.user, "anna");
  EXPECT_EQ(e.password, "pw1");
  auto u = ParseUrlEntry("ftp://host/s.ini,,anna");
  EXPECT_EQ(u.user, "anna");
  EXPECT_EQ(u.password, "");
  auto p = ParseUrlEntry("ftp://host/s.ini,,anna,,p,,w");  // the password keeps later ",,"
  EXPECT_EQ(p.password, "p,,w");
  EXPECT_TRUE(ParseUrlEntry(" http://server1/s.ini ").Usable());
}

TEST(ParseUrlEntry, BackslashesBecomeSlashes) {
  auto e = ParseUrlEntry("file://C:\\cfg\\s.ini");
  EXPECT_EQ(e.scheme, "file://");
  EXPECT_EQ(e.Url(), "file://C:/cfg/s.ini");
  EXPECT_EQ(ParseUrlEntry("file:///srv/cfg\\s.ini").Url(), "file:///srv/cfg/s.ini");
}

TEST(ParseUrlEntry, EntriesWithoutSchemeOrAddressAreUnusable) {
  EXPECT_FALSE(ParseUrlEntry("server1/s.ini").Usable());
  EXPECT_FALSE(ParseUrlEntry("http://").Usable());
  EXPECT_FALSE(ParseUrlEntry("://host/s.ini").Usable());
  // ",," at the very start is not a separator: the whole text is the address.
  auto lead = ParseUrlEntry(",,anna");
  EXPECT_EQ(lead.user, "");
  EXPECT_FALSE(lead.Usable());
}

TEST(UrlList, FirstEmptyEntryEndsTheListAndUnusableOnesAreSkipped) {
  UrlList gap;
  AppendUrlList("url0=http://server1/s.ini;;url2=http://server2/s.ini", gap);
  ASSERT_EQ(gap.size(), 1u);
  EXPECT_EQ(gap.urls[0], "http://server1/s.ini");

  UrlList mixed;
  AppendUrlList("url0=server1/s.ini;;url1=ftp://h/s.ini,,anna,,pw;;url2=file:///srv/s.ini", mixed);
  ASSERT_EQ(mixed.size(), 2u);
  EXPECT_EQ(mixed.urls, (std::vector<std::string>{"ftp://h/s.ini", "file:///srv/s.ini"}));
  EXPECT_EQ(mixed.users, (std::vector<std::string>{"anna", ""}));
  EXPECT_EQ(mixed.passwords, (std::vector<std::string>{"pw", ""}));
}

TEST(UrlList, AppendsToWhatIsThereAndStopsAtUrl9) {
  std::string value;
  for (int n = 0; n <= 10; ++n) {
    if (n) value += ";;";
    value += "url" + std::to_string(n) + "=http://h/" + std::to_string(n);
  }
  UrlList list;
  AppendUrlList("url0=http://first/", list);
  AppendUrlList(value, list);
  ASSERT_EQ(list.size(), 11u);  // one from before + url0..url9
  EXPECT_EQ(list.urls.front(), "http://first/");
  EXPECT_EQ(list.urls.back(), "http://h/9");
}

TEST(UrlList, GbkUserNameWithBackslashTrailByteSurvives) {
  // "乗" is 81 5C: its trail byte must not be turned into "/".
  std::string user = common::Utf8ToGbk("乗誠");
  UrlList list;
  AppendUrlList("url0=ftp://h/a.ini,," + user + ",,pw", list);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list.users[0], user);
}

TEST(UrlList, TakenMirrorsLeaveAllThreeListsInOrderOrByUniformPick) {
  UrlList list;
  AppendUrlList("url0=http://a/;;url1=ftp://b/,,ub,,pb;;url2=file:///c/", list);
  std::mt19937 rng(7);
  Mirror first = list.TakeMirror(false, rng);
  EXPECT_EQ(first.url, "http://a/");
  Mirror second = list.TakeMirror(false, rng);
  EXPECT_EQ(second.url, "ftp://b/");
  EXPECT_EQ(second.user, "ub");
  EXPECT_EQ(second.password, "pb");
  EXPECT_EQ(list.urls, std::vector<std::string>{"file:///c/"});
  EXPECT_EQ(list.users.size(), 1u);
  EXPECT_EQ(list.passwords.size(), 1u);

  // A random pick reaches every mirror left, each about as often.
  UrlList three;
  AppendUrlList("url0=http://a/;;url1=http://b/;;url2=http://c/", three);
  int hits[3] = {};
  for (int n = 0; n < 3000; ++n) ++hits[three.PickMirror(true, rng)];
  for (int h : hits) EXPECT_GT(h, 800);
  Mirror picked = three.RemoveMirror(1);
  EXPECT_EQ(picked.url, "http://b/");
  EXPECT_EQ(three.urls, (std::vector<std::string>{"http://a/", "http://c/"}));
}

}  // namespace
}  // namespace formats
