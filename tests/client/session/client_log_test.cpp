#include "client/session/client_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"

namespace session {
namespace {

// The log goes to the current directory: each test works in a fresh one.
class ClientLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
  }
  void TearDown() override { std::filesystem::current_path(previous_); }
  std::string LogText() const { return testsupport::TempDir::read(dir_.file(kLogFileName)); }

  testsupport::TempDir dir_;
  std::filesystem::path previous_;
};

TEST_F(ClientLogTest, LineIsTimeFourBlanksTextCrLf) {
  EXPECT_EQ(ClientLog::FormatLine("09:05:07", "abc"), "09:05:07    abc\r\n");
  ClientLog log;
  ASSERT_TRUE(log.Open());
  log.WriteLog("\xA1\xEF \xC9\xFD\xBC\xB6");  // GBK bytes pass unchanged
  log.Close();
  std::string text = LogText();
  EXPECT_TRUE(std::regex_match(text, std::regex("[0-2][0-9]:[0-5][0-9]:[0-6][0-9]    "
                                                "\xA1\xEF \xC9\xFD\xBC\xB6\r\n")))
      << text;
}

TEST_F(ClientLogTest, AppendsToAnEarlierLogAndWritesNothingWhileClosedOrSwitchedOff) {
  dir_.write(kLogFileName, "old line\r\n");
  ClientLog log;
  log.WriteLog("before open");
  ASSERT_TRUE(log.Open());
  log.SetMasterSwitch(false);
  log.WriteLog("while off");
  log.SetMasterSwitch(true);
  log.WriteLog("kept");
  log.Close();
  log.WriteLog("after close");
  std::string text = LogText();
  EXPECT_EQ(text.rfind("old line\r\n", 0), 0u);
  EXPECT_EQ(text.find("before open"), std::string::npos);
  EXPECT_EQ(text.find("while off"), std::string::npos);
  EXPECT_EQ(text.find("after close"), std::string::npos);
  EXPECT_NE(text.find("    kept\r\n"), std::string::npos);
}

TEST(HidePasswords, MasksEntryPasswordsAndUserInfoOnly) {
  const struct {
    const char* text;
    const char* logged;
  } cases[] = {
      {"url0=ftp://h/a.exe,,anna,,S3cretPw", "url0=ftp://h/a.exe,,anna,,***"},
      {"url0=http://bob:Pa55word@h:8080/x;;url1=ftp://h/b,,u,,p", "url0=http://bob:***@h:8080/x;;url1=ftp://h/b,,u,,***"},
      {"http://bob@h/x", "http://bob@h/x"},          // no password
      {"ftp://h/a,,anna", "ftp://h/a,,anna"},        // no password field
      {"ftp://h/a,,anna,,", "ftp://h/a,,anna,,"},    // an empty one
      {"http://h/a@b:c", "http://h/a@b:c"},          // "@" in the path is no user info
      {"url0=http://h/a.exe", "url0=http://h/a.exe"},
  };
  for (const auto& c : cases) EXPECT_EQ(HidePasswords(c.text), c.logged) << c.text;
}

TEST(ClientLogLine, TextOverFourKibIsCutVisiblyOnACharacterBoundary) {
  const std::string exact(kMaxLoggedText, 'a');
  EXPECT_EQ(ClientLog::FormatLine("00:00:00", exact), "00:00:00    " + exact + "\r\n");
  // 4095 ASCII bytes, then a double-byte character that would end past 4096.
  const std::string gbk = std::string(kMaxLoggedText - 1, 'a') + "\xD5\x5C" + std::string(10000, 'b');
  EXPECT_EQ(ClientLog::FormatLine("00:00:00", gbk),
            "00:00:00    " + std::string(kMaxLoggedText - 1, 'a') + " ...(cut, 14097 bytes in all)\r\n");
}

TEST_F(ClientLogTest, LogIsCreatedPrivateAndAPlantedLinkIsNotFollowed) {
#ifdef _WIN32
  GTEST_SKIP() << "permission bits and symbolic links of POSIX file systems";
#endif
  {
    ClientLog log;
    ASSERT_TRUE(log.Open());
  }
  EXPECT_EQ(std::filesystem::status(dir_.file(kLogFileName)).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  std::filesystem::remove(dir_.file(kLogFileName));
  std::filesystem::create_symlink(dir_.file("elsewhere"), dir_.file(kLogFileName));
  ClientLog log;
  EXPECT_FALSE(log.Open());
  log.WriteLog("line");
  EXPECT_FALSE(std::filesystem::exists(dir_.file("elsewhere")));
}

TEST_F(ClientLogTest, LinesFromSeveralThreadsNeverInterleave) {
  ClientLog log;
  ASSERT_TRUE(log.Open());
  const std::string payload(300, 'x');
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) log.WriteLog(std::to_string(t) + payload + std::to_string(t));
    });
  }
  for (auto& w : workers) w.join();
  log.Close();
  std::string text = LogText();
  std::regex line("[0-9:]{8}    ([0-3])x{300}\\1\r\n");
  size_t count = 0;
  for (std::sregex_iterator it(text.begin(), text.end(), line), end; it != end; ++it) ++count;
  EXPECT_EQ(count, 800u);
  EXPECT_EQ(text.size(), 800u * (8 + 4 + 302 + 2));
}

}  // namespace
}  // namespace session
