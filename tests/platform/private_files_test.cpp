#include "platform/private_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/disk_sync.h"
#include "platform/file_chunk_copy.h"
#include "platform/input_file.h"
#include "tests/support/temp_dir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

std::string Native(const fs::path& path) { return path.generic_string(); }

TEST(PrivateFilesShared, FoldersAreMadeAndAFileInTheirPlaceIsRefused) {
  TempDir dir;
  const std::string folder = Native(dir.path() / "work");
  std::string error;
  ASSERT_TRUE(EnsurePrivateFolder(folder, &error)) << error;
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_TRUE(EnsurePrivateFolder(folder));  // again: already there
  const std::string file = dir.write("plain", "x");
  EXPECT_FALSE(EnsurePrivateFolder(Native(file), &error));
  EXPECT_FALSE(error.empty());
  // A name taken by a file: another folder beside it, private too.
  const std::string fallback = PrivateFolderWithFallback(Native(file));
  ASSERT_FALSE(fallback.empty());
  EXPECT_NE(fallback, Native(file));
  EXPECT_TRUE(fs::is_directory(fallback));
  EXPECT_FALSE(UserRuntimeFolder().empty());
}

TEST(PrivateFilesShared, AppendKeepsWhatIsThereAndTheLockFileOpens) {
  TempDir dir;
  const std::string log = Native(dir.path() / "update.log");
  for (const char* line : {"one\r\n", "two\r\n"}) {
    std::FILE* file = OpenPrivateAppend(log);
    ASSERT_NE(file, nullptr);
    std::fputs(line, file);
    std::fclose(file);
  }
  EXPECT_EQ(TempDir::read(log), "one\r\ntwo\r\n");
  EXPECT_GE(OpenPrivateFile(Native(dir.path() / "a.lock")), 0);
  EXPECT_EQ(OpenPrivateAppend(Native(dir.path() / "no/such/folder.log")), nullptr);
}

TEST(InputFile, OnlyARegularFileIsOpenedAndItsChunksCopy) {
  TempDir dir;
  std::string bytes(300000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  const std::string source = dir.write("source.bin", bytes);
  EXPECT_EQ(OpenRegularFileForReading(Native(dir.path())), nullptr);
  EXPECT_EQ(OpenRegularFileForReading(Native(dir.path() / "none")), nullptr);
  std::FILE* in = OpenRegularFileForReading(Native(source));
  ASSERT_NE(in, nullptr);
  std::FILE* out = std::fopen(dir.file("copy.bin").c_str(), "wb");
  ASSERT_NE(out, nullptr);
  std::setvbuf(in, nullptr, _IONBF, 0);
  std::setvbuf(out, nullptr, _IONBF, 0);
  EXPECT_EQ(CopyFileChunk(in, out, 100000), 100000);
  EXPECT_EQ(CopyFileChunk(in, out, 250000), 200000);  // short only at the end
  EXPECT_EQ(CopyFileChunk(in, out, 1000), 0);
  std::fclose(in);
  std::fclose(out);
  EXPECT_EQ(TempDir::read(dir.file("copy.bin")), bytes);

  EXPECT_TRUE(FlushFile(Native(source)));
  EXPECT_FALSE(FlushFile(Native(dir.path() / "none")));
  EXPECT_TRUE(SyncFileSystems({Native(source), Native(dir.path()), "/no/such/path"}));
  EXPECT_FALSE(SyncFileSystems({"/no/such/path"}));
}

}  // namespace
}  // namespace platform
