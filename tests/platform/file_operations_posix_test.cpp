#include "platform/file_operations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/platform/child_process.h"
#include "tests/support/faulty_file_operations.h"
#include "tests/support/temp_dir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

class FileOperationsTest : public ::testing::Test {
 protected:
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_.path())) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir_;
  RealFileOperations real_;
  testsupport::FaultyFileOperations faulty_{real_};
};

TEST_F(FileOperationsTest, ReplaceKeepsTheReplacedModeAndReplacesALinkInsteadOfWritingThroughIt) {
  const std::string source = dir_.write("new", "new bytes");
  const std::string target = dir_.write("app", "old");
  fs::permissions(target, fs::perms(0750));
  ASSERT_TRUE(ReplaceFile(real_, source, target));
  EXPECT_EQ(TempDir::read(target), "new bytes");
  EXPECT_EQ(real_.Inspect(target).mode, 0750u);
  EXPECT_EQ(real_.Inspect(target).size, 9u);

  const std::string outside = dir_.write("outside", "keep");
  fs::create_symlink(outside, dir_.file("planted"));
  ASSERT_TRUE(ReplaceFile(real_, source, dir_.file("planted")));
  EXPECT_EQ(TempDir::read(outside), "keep");
  EXPECT_EQ(real_.Inspect(dir_.file("planted")).kind, FileKind::kFile);
  EXPECT_EQ(Names(), (std::vector<std::string>{"app", "new", "outside", "planted"}));  // no temporaries
}

TEST_F(FileOperationsTest, CopyNeverOverwritesAndPrimitivesReportTheirErrors) {
  const std::string source = dir_.write("a", "a");
  const std::string taken = dir_.write("b", "b");
  fs::create_symlink(taken, dir_.file("link"));
  EXPECT_EQ(real_.CopyFile(source, taken).error, FileError::kExists);
  EXPECT_EQ(real_.CopyFile(source, dir_.file("link")).error, FileError::kExists);
  EXPECT_EQ(TempDir::read(taken), "b");

  const FileResult missing = real_.CopyFile(dir_.file("none"), dir_.file("c"));
  EXPECT_EQ(missing.error, FileError::kNotFound);
  EXPECT_EQ(missing.text, "copy: No such file or directory");
  EXPECT_EQ(real_.CopyFile(dir_.path(), dir_.file("c")).error, FileError::kAccessDenied);
  EXPECT_EQ(real_.DeleteFolder(dir_.path()).error, FileError::kNotEmpty);
  EXPECT_FALSE(fs::exists(dir_.file("c")));

  ASSERT_TRUE(real_.MakeFolders(dir_.file("x/y/z")));
  EXPECT_TRUE(real_.MakeFolders(dir_.file("x/y")));
  EXPECT_FALSE(real_.MakeFolders(taken + "/sub"));
  EXPECT_FALSE(real_.MakeFolders(taken));
}

TEST_F(FileOperationsTest, RunningProgramCannotBeOpenedForReadingAndWriting) {
  const std::string program = dir_.file("runner");
  fs::copy_file("/bin/sleep", program);
  EXPECT_TRUE(real_.OpenReadWrite(program));
  ChildProcess child({program, "30"});
  ASSERT_TRUE(ChildProcess::Eventually([&] { return !real_.OpenReadWrite(program); }));
  EXPECT_EQ(real_.OpenReadWrite(program).error, FileError::kInUse);
  EXPECT_EQ(real_.OpenReadWrite(dir_.file("none")).error, FileError::kNotFound);
  // Replacing it by rename works all the same.
  EXPECT_TRUE(ReplaceFile(real_, dir_.write("v2", "2"), program));
}

// A linked backup keeps the old bytes because the install renames a new
// file into place; an older backup that is a link to the same file leaves
// no temporary name behind.
TEST_F(FileOperationsTest, BackupLinksOnOneFileSystemAndCopiesAcrossThem) {
  const std::string target = dir_.write("lib.so", "v1");
  const std::string backup = target + ".ebk";
  ASSERT_TRUE(BackupFile(real_, target, backup));
  EXPECT_EQ(fs::hard_link_count(target), 2u);
  ASSERT_TRUE(BackupFile(real_, target, backup));
  EXPECT_EQ(Names(), (std::vector<std::string>{"lib.so", "lib.so.ebk"}));
  ASSERT_TRUE(ReplaceFile(real_, dir_.write("v2", "v2"), target));
  EXPECT_EQ(TempDir::read(backup), "v1");
  // An older backup of other bytes is replaced, by a link all the same.
  ASSERT_TRUE(BackupFile(real_, target, backup));
  EXPECT_EQ(TempDir::read(backup), "v2");
  EXPECT_EQ(fs::hard_link_count(target), 2u);
  EXPECT_EQ(Names(), (std::vector<std::string>{"lib.so", "lib.so.ebk", "v2"}));

  faulty_.FailPath(FileOp::kLink, "lib.so", FileError::kCrossDevice);
  ASSERT_TRUE(BackupFile(faulty_, target, backup));
  EXPECT_EQ(TempDir::read(backup), "v2");
  EXPECT_EQ(fs::hard_link_count(target), 1u);
  EXPECT_EQ(faulty_.Count(FileOp::kCopy), 1);

  faulty_.ClearFaults();
  ASSERT_TRUE(BackupFile(faulty_, target, backup, /*allowLink=*/false));
  EXPECT_EQ(fs::hard_link_count(target), 1u);
  // A failure a copy would share is not retried as a copy.
  faulty_.FailPath(FileOp::kLink, "lib.so", FileError::kNotFound);
  const int copies = faulty_.Count(FileOp::kCopy);
  EXPECT_EQ(BackupFile(faulty_, target, backup).error, FileError::kNotFound);
  EXPECT_EQ(faulty_.Count(FileOp::kCopy), copies);
}

TEST_F(FileOperationsTest, FolderTreeDeletionTriesEverythingAndNeverFollowsLinks) {
  TempDir outside;
  const std::string kept = outside.write("kept", "k");
  const std::string tree = dir_.file("work");
  dir_.write("work/file0/a.bin", "a");
  dir_.write("work/file0/sub/b.bin", "b");
  dir_.write("work/dir1/c.bin", "c");
  fs::create_symlink(outside.path(), tree + "/dir1/escape");

  faulty_.FailPath(FileOp::kDeleteFile, "a.bin");
  EXPECT_FALSE(DeleteFolderTree(faulty_, tree));
  EXPECT_TRUE(fs::exists(tree + "/file0/a.bin"));
  EXPECT_FALSE(fs::exists(tree + "/file0/sub"));
  EXPECT_FALSE(fs::exists(tree + "/dir1"));
  EXPECT_TRUE(fs::exists(kept));

  faulty_.ClearFaults();
  EXPECT_TRUE(DeleteFolderTree(faulty_, tree));
  EXPECT_FALSE(fs::exists(tree));
  EXPECT_EQ(DeleteFolderTree(real_, tree).error, FileError::kNotFound);
}

}  // namespace
}  // namespace platform
