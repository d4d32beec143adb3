#include "client/download/url_tools.h"

#include <gtest/gtest.h>

using namespace transfer;

TEST(CrackUrl, SplitsServicePortAndObject) {
  UrlParts http = CrackUrl("http://example.org:8080/dir/a%20b.zip?x=1");
  EXPECT_EQ(http.scheme, Scheme::kHttp);
  EXPECT_EQ(http.server, "example.org");
  EXPECT_EQ(http.port, 8080);
  EXPECT_EQ(http.objectPath, "/dir/a%20b.zip?x=1");

  UrlParts ftp = CrackUrl("FTP://user:pw@files.example.org/pub/x.bin");
  EXPECT_EQ(ftp.scheme, Scheme::kFtp);
  EXPECT_EQ(ftp.port, 21);
  EXPECT_EQ(ftp.user, "user");
  EXPECT_EQ(ftp.password, "pw");
  EXPECT_EQ(ftp.server, "files.example.org");

  EXPECT_EQ(CrackUrl("https://h/").port, 443);
  UrlParts file = CrackUrl("file:///srv/mirror/a.zip");
  EXPECT_EQ(file.scheme, Scheme::kFile);
  EXPECT_EQ(file.objectPath, "/srv/mirror/a.zip");
  EXPECT_EQ(CrackUrl("file://localhost/srv/a").objectPath, "/srv/a");

  // An unparsable text goes the HTTP way with nothing in it.
  EXPECT_EQ(CrackUrl("not a url").scheme, Scheme::kUnknown);
  EXPECT_EQ(CrackUrl("gopher://h/x").scheme, Scheme::kUnknown);
}

TEST(CleanObjectPath, BlanksForPercent20AndOneTrailingSeparator) {
  EXPECT_EQ(CleanObjectPath("/my%20dir/a%20b.zip"), "/my dir/a b.zip");
  EXPECT_EQ(CleanObjectPath("/pub/dir//"), "/pub/dir/");
  EXPECT_EQ(CleanObjectPath("C:\\mirror\\"), "C:\\mirror");
  // 乗 ends in the byte 0x5C: it is a character, not a separator.
  EXPECT_EQ(CleanObjectPath("/cfg/\x81\x5C"), "/cfg/\x81\x5C");
  EXPECT_EQ(CleanObjectPath("/cfg/\x81\x5C\\"), "/cfg/\x81\x5C");
}

TEST(PrepareUrl, EscapesUnsafeCharactersButKeepsMetaSequences) {
  std::string out;
  ASSERT_TRUE(PrepareUrl("http://h/a b/../c/./d\"<>|^`{}.txt", out));
  EXPECT_EQ(out, "http://h/a%20b/../c/./d%22%3C%3E%7C%5E%60%7B%7D.txt");
  ASSERT_TRUE(PrepareUrl("http://h/100%25", out));
  EXPECT_EQ(out, "http://h/100%25");  // an existing escape is not escaped again
}

TEST(PrepareUrl, DoubleByteCharactersBecomeUtf8Escapes) {
  std::string out;
  // "中文" in GBK is D6 D0 CE C4.
  ASSERT_TRUE(PrepareUrl("http://h/\xD6\xD0\xCE\xC4.zip", out));
  EXPECT_EQ(out, "http://h/%E4%B8%AD%E6%96%87.zip");
  // 乗 (81 5C) has a trail byte that looks like "\": it must not be escaped
  // on its own, only converted as one character.
  ASSERT_TRUE(PrepareUrl("http://h/\x81\x5C", out));
  EXPECT_EQ(out, "http://h/%E4%B9%97");
}

TEST(PrepareUrl, FailsBeyondTheCanonicalBuffer) {
  std::string base = "http://h/";
  std::string out;
  EXPECT_TRUE(PrepareUrl(base + std::string(kMaxCanonicalUrl - base.size(), 'a'), out));
  EXPECT_FALSE(PrepareUrl(base + std::string(kMaxCanonicalUrl - base.size() + 1, 'a'), out));
  // Escaping counts: 170 blanks grow to 510 bytes.
  EXPECT_FALSE(PrepareUrl(base + std::string(170, ' '), out));
}
