#include "client/session/install_journal.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_operations.h"
#include "tests/support/temp_dir.h"

namespace session {
namespace {

namespace fs = std::filesystem;

// A kill can land between a temporary's creation and the journal line that
// names its file (the archive's own backup is recorded only once it exists):
// the next start must still leave nothing of the run behind.
TEST(InstallJournal, RecoveryRemovesTheArchiveTemporariesOfARunKilledBeforeTheirLine) {
  testsupport::TempDir dir;
  const std::string archive = dir.write("upgrade.bin", "old archive");
  const std::string file = dir.write("app/a.txt", "new a");
  dir.write("app/a.txt.ebk", "old a");
  dir.write(".upgrade.bin.ebk.~upgrade0", "half a backup");
  dir.write("upgrade.bin.0badc0de~", "half a rewrite");
  dir.write("upgrade.bin.notmine~", "someone else's");
  dir.write("upgrade.bin.journal", "upgrade install journal 1\nB " + file + "\nN " + file + "\n");

  platform::RealFileOperations ops;
  const RecoveryReport report = RecoverInstall(ops, InstallJournalPath(archive));
  EXPECT_TRUE(report.found);
  EXPECT_FALSE(report.committed);
  EXPECT_EQ(testsupport::TempDir::read(file), "old a");
  EXPECT_EQ(testsupport::TempDir::read(archive), "old archive");
  std::vector<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
    left.push_back(fs::relative(entry.path(), dir.path()).generic_string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"app", "app/a.txt", "upgrade.bin", "upgrade.bin.notmine~"}));
}

// A kill between a backup's creation and its "B" line leaves a ".ebk" the
// journal names only as begun: the file is still the old one and the backup
// goes; a recorded backup is still put back.
TEST(InstallJournal, RecoveryRemovesABackupBegunButNeverRecorded) {
  testsupport::TempDir dir;
  const std::string archive = dir.write("upgrade.bin", "archive");
  const std::string begun = dir.write("app/b.txt", "old b");
  dir.write("app/b.txt.ebk", "old b");
  const std::string done = dir.write("app/c.txt", "new c");
  dir.write("app/c.txt.ebk", "old c");
  dir.write("upgrade.bin.journal",
            "upgrade install journal 1\nb " + done + "\nB " + done + "\nN " + done + "\nb " + begun + "\n");

  platform::RealFileOperations ops;
  const RecoveryReport report = RecoverInstall(ops, InstallJournalPath(archive));
  EXPECT_EQ(report.failed, 0);
  EXPECT_EQ(testsupport::TempDir::read(begun), "old b");
  EXPECT_EQ(testsupport::TempDir::read(done), "old c");
  EXPECT_FALSE(fs::exists(begun + ".ebk"));
  EXPECT_FALSE(fs::exists(done + ".ebk"));
}

}  // namespace
}  // namespace session
