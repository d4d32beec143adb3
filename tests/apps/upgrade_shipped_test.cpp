// The shipped client, and the copy the authoring tool packages beside
// itself, carry none of the switches of the tests' flavour: a client in the
// field never answers its own boxes, records its command lines or slows its
// installation because of what its environment holds.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace apptest {
namespace {

namespace fs = std::filesystem;

TEST(ShippedClient, HoldsNoneOfTheTestFlavoursSwitches) {
  const fs::path bin = testsupport::BinDir();
  const char* switches[] = {"UPGRADE_PROMPT_ANSWERS", "UPGRADE_PROMPT_LOG", "UPGRADE_COMMAND_LOG",
                            "UPGRADE_TEST_INSTALL_DELAY_MS"};
  // The same search finds each of them in the tests' flavour.
  const std::string testable = testsupport::TempDir::read(bin / "upgrade_testable");
  for (const char* name : switches) EXPECT_NE(testable.find(name), std::string::npos) << name;

  for (const char* program : {"upgrade", "updateApp/update"}) {
    const std::string bytes = testsupport::TempDir::read(bin / program);
    ASSERT_GT(bytes.size(), 100000u) << program;
    for (const char* name : switches) EXPECT_EQ(bytes.find(name), std::string::npos) << program << ": " << name;
  }
}

}  // namespace
}  // namespace apptest
