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
