// A source the kernel cannot copy from inside itself (a pipe) goes through
// the bounded buffer: several of its rounds in one chunk, short only at
// the end, every byte in order.

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

#include "platform/file_chunk_copy.h"
#include "tests/support/temp_dir.h"

namespace platform {
namespace {

TEST(FileChunkCopy, SourceWithoutKernelCopyGoesThroughTheBufferInRounds) {
  testsupport::TempDir dir;
  std::string bytes((3 << 20) + 5, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 13 + i / 4096);
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  std::thread writer([&] {
    for (size_t done = 0; done < bytes.size();) {
      const ssize_t n = write(ends[1], bytes.data() + done, bytes.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    close(ends[1]);
  });
  std::FILE* in = fdopen(ends[0], "rb");
  std::FILE* out = std::fopen(dir.file("copy.bin").c_str(), "wb");
  ASSERT_NE(in, nullptr);
  ASSERT_NE(out, nullptr);
  std::setvbuf(in, nullptr, _IONBF, 0);
  std::setvbuf(out, nullptr, _IONBF, 0);
  EXPECT_EQ(CopyFileChunk(in, out, size_t{2} << 20), int64_t{2} << 20);
  EXPECT_EQ(CopyFileChunk(in, out, size_t{4} << 20), int64_t{(1 << 20) + 5});
  EXPECT_EQ(CopyFileChunk(in, out, 1000), 0);
  writer.join();
  std::fclose(in);
  std::fclose(out);
  EXPECT_EQ(testsupport::TempDir::read(dir.file("copy.bin")), bytes);
}

}  // namespace
}  // namespace platform
