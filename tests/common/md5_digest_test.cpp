#include "common/md5_digest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

// The allocation-failure test needs new (std::nothrow) to give back null in
// the sanitizer builds too, not to end the process; options given in
// ASAN_OPTIONS or TSAN_OPTIONS are read after these.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_options() { return "allocator_may_return_null=1"; }
#endif

namespace {

using common::Md5Digest;
using testsupport::TempDir;

// Deterministic bytes that do not repeat with any short period, so a block
// transformed twice or skipped changes the digest.
std::string PseudoRandomBytes(size_t size, uint64_t seed) {
  std::string out(size, '\0');
  uint64_t x = seed * 0x9e3779b97f4a7c15ull + 1;
  for (size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    out[i] = static_cast<char>(x >> 24);
  }
  return out;
}

// The digest the md5sum command gives for a file.
std::string Md5sum(const std::string& path) {
  auto result = testsupport::RunCommand("md5sum " + testsupport::ShellQuote(path));
  EXPECT_EQ(result.exitCode, 0) << path;
  return result.output.substr(0, 32);
}

std::string DigestOf(const std::string& path, size_t bufferSize = Md5Digest::kDefaultBufferSize) {
  Md5Digest md5(bufferSize);
  md5.DigestFile(path);
  auto digest = md5.GetDigest();
  md5.Close();
  EXPECT_TRUE(digest.has_value()) << path << ": " << md5.ErrorText();
  EXPECT_EQ(md5.ErrorText(), "");
  return digest.value_or("");
}

TEST(Md5Digest, RfcSuiteFilesGiveThePublishedDigests) {
  TempDir dir;
  const std::pair<std::string, std::string> suite[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"1234567890123456789012345678901234567890123456789012345678901234567890123456789"
       "0",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  int i = 0;
  for (const auto& [message, expected] : suite) {
    const std::string path = dir.write("m" + std::to_string(i++), message);
    EXPECT_EQ(DigestOf(path), expected) << '"' << message << '"';
  }
}

TEST(Md5Digest, PaddingBoundariesMatchMd5sum) {
  // 55 bytes leave exactly room for the 0x80 and the bit count; 56 to 63
  // need a further padding block; 64 needs a block of padding only.
  TempDir dir;
  for (size_t size : {1, 55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129}) {
    const std::string path = dir.write("p" + std::to_string(size), PseudoRandomBytes(size, size));
    EXPECT_EQ(DigestOf(path), Md5sum(path)) << size << " bytes";
  }
}

TEST(Md5Digest, ReadBufferBoundariesMatchMd5sum) {
  // A 128-byte read buffer: files ending just before, on and after a refill,
  // and a buffer size that is not a multiple of the block size.
  TempDir dir;
  for (size_t size : {127, 128, 129, 183, 184, 191, 192, 256, 257, 1000}) {
    const std::string path = dir.write("b" + std::to_string(size), PseudoRandomBytes(size, 7 * size));
    const std::string expected = Md5sum(path);
    EXPECT_EQ(DigestOf(path, 128), expected) << size << " bytes, 128-byte buffer";
    EXPECT_EQ(DigestOf(path, 100), expected) << size << " bytes, 100-byte buffer";
    EXPECT_EQ(DigestOf(path, 1), expected) << size << " bytes, 1-byte buffer";
  }
}

TEST(Md5Digest, ReadAheadHalvesMatchMd5sum) {
  // A 128 KiB buffer is read in two 64 KiB halves by turns: files that end
  // in the first half, on a half's edge, one block either side of it, and
  // after several turns.
  TempDir dir;
  constexpr size_t kHalf = size_t{64} << 10;
  for (size_t size : {kHalf - 1, kHalf, kHalf + 1, 2 * kHalf - 64, 2 * kHalf, 2 * kHalf + 64, 3 * kHalf,
                      7 * kHalf + 5}) {
    const std::string path = dir.write("h" + std::to_string(size), PseudoRandomBytes(size, size + 11));
    EXPECT_EQ(DigestOf(path, 2 * kHalf), Md5sum(path)) << size << " bytes";
  }
}

TEST(Md5Digest, KeepAliveThatThrowsLeavesTheObjectUsable) {
  // The exception leaves the digest half done; the read-ahead helper must
  // not be left waiting, and the next digest on the object is whole.
  TempDir dir;
  const std::string big = dir.write("big.bin", PseudoRandomBytes(64u << 20, 5));
  Md5Digest md5;
  md5.SetKeepAlive([] { throw std::runtime_error("window closed"); });
  EXPECT_THROW(md5.DigestFile(big), std::runtime_error);
  md5.SetKeepAlive({});
  md5.DigestFile(big);
  EXPECT_EQ(md5.GetDigest(), Md5sum(big));
}

TEST(Md5Digest, MultiMegabyteFileMatchesMd5sum) {
  TempDir dir;
  // Several refills of the default buffer and a ragged end.
  const std::string path = dir.write("big.bin", PseudoRandomBytes((5u << 20) + 37, 42));
  EXPECT_EQ(DigestOf(path), Md5sum(path));
}

TEST(Md5Digest, FailuresGiveNullAndTheirMessage) {
  TempDir dir;
  {
    Md5Digest md5;
    const std::string missing = dir.file("no such file.bin");
    md5.DigestFile(missing);
    EXPECT_EQ(md5.GetDigest(), std::nullopt);
    EXPECT_EQ(md5.ErrorText(), "Can not open the file [ " + missing + " ] !");
    EXPECT_FALSE(std::filesystem::exists(missing)) << "a missing file must never be created";
  }
  {
    Md5Digest md5;
    md5.DigestFile("");
    EXPECT_EQ(md5.GetDigest(), std::nullopt);
    EXPECT_EQ(md5.ErrorText(), "Have not assign a file !");
  }
  {
    // A folder has no bytes to hash: it must not pass for an empty file.
    Md5Digest md5;
    md5.DigestFile(dir.path().string());
    EXPECT_EQ(md5.GetDigest(), std::nullopt);
    EXPECT_EQ(md5.ErrorText(), "Can not open the file [ " + dir.path().string() + " ] !");
  }
  {
    Md5Digest md5;
    EXPECT_EQ(md5.GetDigest(), std::nullopt) << "nothing computed yet";
    EXPECT_EQ(md5.ErrorText(), "Have something wrong with MD5!");
  }
}

TEST(Md5Digest, BufferThatCannotBeAllocatedFailsCleanly) {
  TempDir dir;
  const std::string path = dir.write("a.txt", "abc");
  Md5Digest md5(SIZE_MAX / 2);
  md5.DigestFile(path);
  EXPECT_EQ(md5.GetDigest(), std::nullopt);
  EXPECT_EQ(md5.ErrorText(), "The Memory is not enough !");
}

TEST(Md5Digest, ReusedObjectGivesGoodDigestAndKeepsFirstError) {
  TempDir dir;
  const std::string good = dir.write("abc.txt", "abc");
  const std::string other = dir.write("a.txt", "a");
  const std::string missing = dir.file("missing");

  Md5Digest md5;
  md5.DigestFile(missing);
  EXPECT_EQ(md5.GetDigest(), std::nullopt);
  md5.DigestFile("");
  EXPECT_EQ(md5.GetDigest(), std::nullopt);

  md5.DigestFile(good);
  EXPECT_EQ(md5.GetDigest(), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(md5.ErrorText(), "Can not open the file [ " + missing + " ] !");

  // A second file without Close in between: the first stream is not reused.
  md5.DigestFile(other);
  EXPECT_EQ(md5.GetDigest(), "0cc175b9c0f1b6a831c399e269772661");
  md5.Close();
  md5.Close();
  EXPECT_EQ(md5.GetDigest(), "0cc175b9c0f1b6a831c399e269772661") << "Close keeps the result";

  // A failure after a success: no stale digest comes back.
  md5.DigestFile(missing);
  EXPECT_EQ(md5.GetDigest(), std::nullopt);
}

TEST(Md5Digest, KeepAliveRunsDuringLongDigestAndNotForSmallFiles) {
  TempDir dir;
  const std::string big = dir.write("big.bin", PseudoRandomBytes(64u << 20, 3));
  const std::string small = dir.write("small.bin", "abc");

  Md5Digest md5;
  int calls = 0;
  md5.SetKeepAlive([&] { ++calls; });
  md5.DigestFile(small);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(md5.GetDigest(), "900150983cd24fb0d6963f7d28e17f72");

  // Each call stands in for window events that pile up meanwhile; slowing it
  // down also proves the digest goes on correctly after every pause.
  md5.SetKeepAlive([&] {
    ++calls;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  });
  calls = 0;
  const auto start = std::chrono::steady_clock::now();
  md5.DigestFile(big);
  const auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - start)
                             .count();
  auto digest = md5.GetDigest();
  EXPECT_GT(calls, 1);
  // At a bounded rate, not once per block.
  EXPECT_LE(calls, elapsedMs / Md5Digest::kKeepAliveIntervalMs + 1) << elapsedMs << " ms";
  EXPECT_EQ(digest, Md5sum(big));
}

}  // namespace
