#include "client/session/version_compare.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "client/session/client_app.h"
#include "client/session/scripted_prompter.h"

namespace session {
namespace {

TEST(IsNewer, ComparesComponentByComponentAsNumbers) {
  EXPECT_TRUE(IsNewer("1.2.1", "1.2"));
  EXPECT_FALSE(IsNewer("1.2", "1.2.5"));  // local components beyond the server's are not looked at
  EXPECT_TRUE(IsNewer("1.10", "1.9"));
  EXPECT_FALSE(IsNewer("2.0", "10.0"));
  EXPECT_FALSE(IsNewer("1.0", "1.0"));
  EXPECT_TRUE(IsNewer("1.0", "0.0.0"));
  EXPECT_FALSE(IsNewer("0.0.0", "0.0.0"));
  EXPECT_TRUE(IsNewer("1.1.0", "1.0.0"));
  EXPECT_FALSE(IsNewer("1.0.9", "1.1.0"));
}

TEST(IsNewer, ServerWithoutDotComparesOnlyTheFirstLocalComponent) {
  EXPECT_TRUE(IsNewer("2", "1.9.9"));
  EXPECT_FALSE(IsNewer("1", "1.9.9"));
  EXPECT_FALSE(IsNewer("1", "2"));
}

TEST(IsNewer, NonNumericAndMissingComponentsCountAsZero) {
  EXPECT_TRUE(IsNewer("1.0.1", "1"));  // missing local components are 0
  EXPECT_FALSE(IsNewer("1.beta", "1.0"));
  EXPECT_TRUE(IsNewer("1.2beta", "1.1"));  // digits up to the first non-digit
  EXPECT_TRUE(IsNewer(" 1.1", "1.0"));     // leading blanks skipped
}

TEST(IsNewer, HugeComponentsSaturateAndLongVersionsStayLinear) {
  // 2^64 + 1 must not wrap round to 1.
  EXPECT_TRUE(IsNewer("18446744073709551617.0", "2.0"));
  EXPECT_FALSE(IsNewer("2.0", "18446744073709551617.0"));
  // A megabyte of components: one pass (it took minutes when every
  // component was erased from the front of the text).
  std::string many;
  for (int i = 0; i < 500000; ++i) many += "1.";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(IsNewer(many + "1", many + "1"));
  EXPECT_TRUE(IsNewer(many + "2", many + "1"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

class CompareVersionsTest : public ::testing::Test {
 protected:
  CompareVersionsTest() : app_(prompter_, "") { app_.UseModulePath("/opt/App/upgrade"); }

  void Offer(FileItem& item, const char* server, const char* local, const char* name = "a.dat") {
    item.serverVersion = server;
    item.localVersion = local;
    item.fileName = name;
    item.locations.urls = {"http://127.0.0.1/" + std::string(name)};
    item.locations.users = {""};
    item.locations.passwords = {""};
  }

  ScriptedPrompter prompter_{""};
  ClientApp app_;
};

TEST_F(CompareVersionsTest, MarksOnlyNewerItemsWithLocations) {
  Offer(app_.Files()[0], "1.1", "1.0");
  Offer(app_.Files()[1], "1.0", "1.0");
  Offer(app_.Files()[2], "2.0", "1.0");
  app_.Files()[2].locations = {};  // no location: never offered
  app_.Dirs()[3].serverVersion = "3.0";
  app_.Dirs()[3].locations.urls = {"ftp://127.0.0.1/d/"};
  EXPECT_TRUE(app_.CompareVersions());
  EXPECT_TRUE(app_.Files()[0].newItem);
  EXPECT_FALSE(app_.Files()[1].newItem);
  EXPECT_FALSE(app_.Files()[2].newItem);
  EXPECT_TRUE(app_.Dirs()[3].newItem);
}

TEST_F(CompareVersionsTest, NothingNewerGivesFalse) {
  Offer(app_.Files()[0], "1.0", "1.0");
  EXPECT_FALSE(app_.CompareVersions());
  EXPECT_FALSE(app_.Decision().closeProcesses);
}

TEST_F(CompareVersionsTest, CloseItemsDecidesWhetherProgramsAreClosed) {
  Offer(app_.Files()[0], "1.1", "1.0");
  app_.System().closeItems = {"FILE1"};  // matched without regard to case
  ASSERT_TRUE(app_.CompareVersions());
  EXPECT_FALSE(app_.Decision().closeProcesses);

  Offer(app_.Files()[1], "1.1", "1.0");
  ASSERT_TRUE(app_.CompareVersions());
  EXPECT_TRUE(app_.Decision().closeProcesses);

  app_.System().closeItems.clear();  // empty list: every item needs it
  app_.Files()[1] = FileItem{};
  ASSERT_TRUE(app_.CompareVersions());
  EXPECT_TRUE(app_.Decision().closeProcesses);
}

TEST_F(CompareVersionsTest, SelfUpdateItemsAreFoundByNameAndFolder) {
  Offer(app_.Files()[0], "2.0", "1.0", "UPGRADE");  // name compared without case
  app_.Files()[0].path = "/opt/App\\";             // the program's own folder, written Windows-style
  Offer(app_.Files()[1], "2.0", "1.0", "upgrade.bin");  // no path: the program's folder
  EXPECT_TRUE(app_.FindSelfUpdateItems());
  EXPECT_EQ(app_.Decision().selfUpdateExeIndex, 0);
  EXPECT_EQ(app_.Decision().selfUpdateArchiveIndex, 1);
}

TEST_F(CompareVersionsTest, ProgramOfTheSameNameElsewhereIsNoSelfUpdate) {
  Offer(app_.Files()[0], "2.0", "1.0", "upgrade");
  app_.Files()[0].path = "/opt/Other\\";
  Offer(app_.Files()[1], "1.0", "1.0", "upgrade.bin");  // not newer
  EXPECT_FALSE(app_.FindSelfUpdateItems());
  EXPECT_EQ(app_.Decision().selfUpdateExeIndex, -1);
  EXPECT_EQ(app_.Decision().selfUpdateArchiveIndex, -1);
}

}  // namespace
}  // namespace session
