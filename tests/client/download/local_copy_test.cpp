#include <gtest/gtest.h>

#include <filesystem>

#include "client/download/text_fetch.h"
#include "client/stage/transfer_context.h"
#include "client/download/transfer_engine.h"
#include "common/gbk.h"
#include "recording_sink.h"
#include "tests/support/temp_dir.h"

using namespace transfer;
using testsupport::TempDir;
using transfer_test::LogRecorder;
using transfer_test::RecordingSink;

namespace {

std::string Pattern(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + i / 251) % 256);
  return s;
}

}  // namespace

TEST(LocalCopy, CopiesAroundTheChunkBoundaryWithMegabyteSpeed) {
  TempDir dir;
  TransferContext context;
  RecordingSink sink;
  LogRecorder log;
  TransferEngine engine(context, &sink, nullptr, std::ref(log));
  const size_t chunk = size_t{8} << 20;
  for (size_t size : {size_t{0}, size_t{104857}, chunk - 1, chunk, chunk + 1, 2 * chunk + 5}) {
    std::string name = "src" + std::to_string(size);
    std::string src = dir.write(name, Pattern(size));
    std::string dst = dir.file(name + ".copy");
    ASSERT_EQ(engine.LocalCopy(src, dst, 0), 1) << size;
    EXPECT_EQ(TempDir::read(dst), Pattern(size)) << size;
    EXPECT_EQ(sink.fileBar.back(), 100) << size;
  }
  EXPECT_EQ(sink.messages.size(), 6u);
  const std::string& speed = sink.rowSpeed[0];
  ASSERT_GE(speed.size(), 4u);
  EXPECT_EQ(speed.substr(speed.size() - 4), "MB/s");
  EXPECT_EQ(context.OpenFileCount(), 0u);
}

TEST(LocalCopy, MissingSourceAndUncreatableDestinationAreLogged) {
  TempDir dir;
  TransferContext context;
  LogRecorder log;
  TransferEngine engine(context, nullptr, nullptr, std::ref(log));
  std::string missing = dir.file("missing.bin");
  EXPECT_EQ(engine.LocalCopy(missing, dir.file("out.bin"), 0), 0);
  EXPECT_EQ(log.Lines().back(), common::Gbk("读文件失败！") + missing);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.bin")));
  // A folder is no file to read, although the system opens it.
  std::filesystem::create_directory(dir.file("folder"));
  EXPECT_EQ(engine.LocalCopy(dir.file("folder"), dir.file("out.bin"), 0), 0);
  EXPECT_EQ(log.Lines().back(), common::Gbk("读文件失败！") + dir.file("folder"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.bin")));
  std::string src = dir.write("a.bin", "abc");
  EXPECT_EQ(engine.LocalCopy(src, dir.file("no/such/out.bin"), 0), 0);
  EXPECT_EQ(log.Lines().back(), common::Gbk("创建文件失败！"));
}

TEST(LocalCopy, StopRequestFailsAndKeepsWhatWasWritten) {
  TempDir dir;
  TransferContext context;
  TransferEngine engine(context, nullptr, nullptr, {});
  // The first chunk is 32 MiB: the stop is seen after it.
  const size_t chunk = size_t{32} << 20;
  std::string src = dir.write("a.bin", Pattern(chunk + (size_t{8} << 20)));
  context.stopRequested = true;
  EXPECT_EQ(engine.LocalCopy(src, dir.file("b.bin"), 0), 0);
  EXPECT_EQ(std::filesystem::file_size(dir.file("b.bin")), chunk);
}

TEST(ReadLocalText, LinesEndInNewlineAndMissingFileIsEmpty) {
  TempDir dir;
  EXPECT_EQ(ReadLocalText(dir.write("a.ini", "[system]\r\nurls=x\r\nlast")), "[system]\nurls=x\nlast\n");
  EXPECT_EQ(ReadLocalText(dir.write("b.ini", "")), "");
  EXPECT_EQ(ReadLocalText(dir.file("none.ini")), "");
  // A GBK path reaches the file system as UTF-8.
  dir.write("中.ini", "k=v\n");  // UTF-8 on disk
  EXPECT_EQ(ReadLocalText(dir.file(common::Gbk("中.ini"))), "k=v\n");
}
