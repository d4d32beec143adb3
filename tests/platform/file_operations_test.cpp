#include "platform/file_operations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/faulty_file_operations.h"
#include "tests/support/temp_dir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

class FileOperationsSharedTest : public ::testing::Test {
 protected:
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_.path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // Native paths of this system's form ("/" separators).
  std::string File(const std::string& name) const { return fs::path(dir_.file(name)).generic_string(); }

  TempDir dir_;
  RealFileOperations real_;
  testsupport::FaultyFileOperations faulty_{real_};
};

TEST_F(FileOperationsSharedTest, PrimitivesDoTheirStepAndReportWhatWentWrong) {
  const std::string source = File("a"), taken = File("b");
  dir_.write("a", "a");
  dir_.write("b", "b");
  EXPECT_EQ(real_.Inspect(source).kind, FileKind::kFile);
  EXPECT_EQ(real_.Inspect(source).size, 1u);
  EXPECT_EQ(real_.Inspect(File("none")).kind, FileKind::kMissing);
  EXPECT_EQ(real_.CopyFile(source, taken).error, FileError::kExists);
  EXPECT_EQ(TempDir::read(taken), "b");
  const FileResult missing = real_.CopyFile(File("none"), File("c"));
  EXPECT_EQ(missing.error, FileError::kNotFound);
  EXPECT_EQ(missing.text.rfind("copy: ", 0), 0u) << missing.text;
  EXPECT_FALSE(fs::exists(File("c")));

  ASSERT_TRUE(real_.MakeFolders(File("x/y/z")));
  EXPECT_EQ(real_.Inspect(File("x/y")).kind, FileKind::kFolder);
  EXPECT_TRUE(real_.MakeFolders(File("x/y")));
  EXPECT_FALSE(real_.MakeFolders(taken));
  EXPECT_EQ(real_.DeleteFolder(File("x")).error, FileError::kNotEmpty);

  ASSERT_TRUE(real_.Rename(source, taken));  // replaces what is there
  EXPECT_EQ(TempDir::read(taken), "a");
  ASSERT_TRUE(real_.Link(taken, File("second")));
  EXPECT_EQ(TempDir::read(File("second")), "a");
  ASSERT_TRUE(real_.OpenReadWrite(taken));
  ASSERT_TRUE(real_.SyncFile(taken));
  ASSERT_TRUE(real_.SyncFolder(File("x")));
  ASSERT_TRUE(real_.SetMode(taken, 0444));
  EXPECT_EQ(real_.Inspect(taken).mode & 0222, 0u);
  ASSERT_TRUE(real_.SetMode(taken, 0644));
  ASSERT_TRUE(real_.DeleteFile(taken));
  EXPECT_EQ(real_.DeleteFile(taken).error, FileError::kNotFound);

  std::vector<std::string> names;
  ASSERT_TRUE(real_.ListFolder(fs::path(dir_.path()).generic_string(), &names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"second", "x"}));
  EXPECT_EQ(real_.ListFolder(File("none"), &names).error, FileError::kNotFound);
}

TEST_F(FileOperationsSharedTest, ReplaceAndBackupLeaveWholeFilesAndNoTemporary) {
  const std::string source = File("new"), target = File("app"), backup = File("app.ebk");
  dir_.write("new", "new contents");
  dir_.write("app", "old");
  ASSERT_TRUE(BackupFile(real_, target, backup));
  ASSERT_TRUE(ReplaceFile(real_, source, target));
  EXPECT_EQ(TempDir::read(target), "new contents");
  EXPECT_EQ(TempDir::read(backup), "old");
  EXPECT_EQ(Names(), (std::vector<std::string>{"app", "app.ebk", "new"}));

  dir_.write("work/a/b.bin", "b");
  dir_.write("work/c.bin", "c");
  ASSERT_TRUE(DeleteFolderTree(real_, File("work")));
  EXPECT_FALSE(fs::exists(File("work")));
}

TEST_F(FileOperationsSharedTest, InjectedFailureAtAnyStepOfAReplaceLeavesTheTargetAsItWas) {
  const std::string source = (dir_.write("new", "new"), File("new"));
  const std::string target = (dir_.write("app", "old"), File("app"));
  for (FileOp op : {FileOp::kCopy, FileOp::kSetMode, FileOp::kSyncFile, FileOp::kRename}) {
    testsupport::FaultyFileOperations ops(real_);
    ops.FailNth(op, 1, FileError::kNoSpace);
    const FileResult result = ReplaceFile(ops, source, target);
    EXPECT_EQ(result.error, FileError::kNoSpace) << FileOpName(op);
    EXPECT_EQ(result.text, std::string(FileOpName(op)) + ": injected failure");
    EXPECT_EQ(TempDir::read(target), "old") << FileOpName(op);
    EXPECT_EQ(Names(), (std::vector<std::string>{"app", "new"})) << FileOpName(op);
  }
  // The nth change of any kind; queries do not count.
  faulty_.FailNth(FileOp::kAny, 3);
  EXPECT_FALSE(ReplaceFile(faulty_, source, target));
  const auto calls = faulty_.Calls();
  ASSERT_EQ(calls.back().op, FileOp::kDeleteFile);  // the temporary file goes
  EXPECT_TRUE(calls[calls.size() - 2].failed);
  EXPECT_EQ(calls[calls.size() - 2].op, FileOp::kSyncFile);
}

}  // namespace
}  // namespace platform
