#include "codecs/suffix_patch.h"

#include <gtest/gtest.h>
#include <zstd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>

#include "codecs/any_patch.h"
#include "codecs/suffix_array.h"
#include "common/sha256_digest.h"
#include "tests/support/release_corpus.h"
#include "tests/codecs/bad_patch_cases.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using codecs::ApplySuffixPatch;
using codecs::MakeSuffixPatch;
using testsupport::TempDir;

constexpr uint64_t kLimit = 64u << 20;

std::string RandomBytes(size_t n, unsigned seed, int alphabet = 256) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng() % alphabet);
  return s;
}

std::string U64(uint64_t v) {
  std::string out;
  for (int i = 0; i < 8; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

// A patch put together by hand, for steps our own generator never makes.
std::string HandMadePatch(uint64_t newSize, const std::string& newBytes, const std::string& control,
                          const std::string& diff, const std::string& extra) {
  std::string header(codecs::kSuffixPatchMagic);
  header += U64(newSize);
  const std::string hex = common::Sha256Hex(newBytes);
  for (size_t i = 0; i < hex.size(); i += 2) header += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  std::string frames;
  for (const std::string* s : {&control, &diff, &extra}) {
    std::string frame(ZSTD_compressBound(s->size()), '\0');
    frame.resize(ZSTD_compress(frame.data(), frame.size(), s->data(), s->size(), 3));
    header += U64(frame.size());
    frames += frame;
  }
  return header + frames;
}

std::string Step(int64_t add, int64_t extra, int64_t seek) {
  return U64(static_cast<uint64_t>(add)) + U64(static_cast<uint64_t>(extra)) + U64(static_cast<uint64_t>(seek));
}

// Against a plain sort of every suffix: runs, periodic text and bytes of
// every value (the first-byte buckets) are where prefix doubling goes wrong.
TEST(SuffixArray, MatchesAPlainSortOfAllSuffixes) {
  const std::string cases[] = {"", "a", "banana", std::string(700, '\0'), std::string(300, 'a') + "b" + std::string(300, 'a'),
                               std::string(50, 'x') + RandomBytes(20, 1, 2), RandomBytes(3000, 2), RandomBytes(3000, 3, 3)};
  for (const std::string& s : cases) {
    SCOPED_TRACE(s.size());
    std::vector<int32_t> expected(s.size() + 1);
    std::iota(expected.begin(), expected.end(), 0);
    std::sort(expected.begin(), expected.end(), [&](int32_t a, int32_t b) {
      return std::string_view(s).substr(static_cast<size_t>(a)) < std::string_view(s).substr(static_cast<size_t>(b));
    });
    EXPECT_EQ(codecs::BuildSuffixArray(s), expected);
  }
}

TEST(SuffixPatch, RoundTripsEveryKindOfChange) {
  const std::string base = RandomBytes(300000, 4);
  std::string edited = base;
  edited.replace(1000, 16, "sixteen new byte");
  edited.insert(200000, RandomBytes(5000, 5));
  // Code that moved: every 4-byte "address" shifted by one.
  std::string shifted = base;
  for (size_t i = 0; i + 4 <= shifted.size(); i += 64) shifted[i] = static_cast<char>(shifted[i] + 1);
  struct Case {
    const char* name;
    std::string oldBytes;
    std::string newBytes;
  } cases[] = {
      {"edits", base, edited},
      {"addresses shifted", base, shifted},
      {"inserted at the start", base, RandomBytes(3000, 6) + base},
      {"grown", base, base + RandomBytes(70000, 7)},
      {"shrunk", base, base.substr(50000, 100000)},
      {"identical", base, base},
      {"from empty", "", RandomBytes(1000, 8)},
      {"to empty", base, ""},
      {"both empty", "", ""},
      {"unrelated", RandomBytes(4000, 9), RandomBytes(4000, 10)},
      {"runs", std::string(100000, '\0') + "x" + std::string(5000, '\0'), std::string(90000, '\0') + "yz"},
      // Searched at every position, a long run costs its length squared.
      {"long runs", std::string(400000, '\0'), std::string(200000, '\0') + "yz" + std::string(200000, '\0')},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string oldFile = dir.write("old", c.oldBytes);
    const std::string newFile = dir.write("new", c.newBytes);
    const auto start = std::chrono::steady_clock::now();
    const codecs::PatchOutcome made = MakeSuffixPatch(oldFile, newFile, dir.file("patch"));
    ASSERT_TRUE(made.ok) << made.error;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    const codecs::PatchOutcome applied = ApplySuffixPatch(oldFile, dir.file("patch"), dir.file("out"), kLimit);
    ASSERT_TRUE(applied.ok) << applied.error;
    EXPECT_EQ(TempDir::read(dir.file("out")), c.newBytes);
    EXPECT_FALSE(fs::exists(dir.file("patch.tmp")));
    if (c.oldBytes == c.newBytes) {
      EXPECT_LT(fs::file_size(dir.file("patch")), 200u);
    }
    if (std::string(c.name) == "addresses shifted") {
      EXPECT_LT(fs::file_size(dir.file("patch")), 2000u);
    }
  }
}

// A damaged patch, a patch whose steps leave the old file, or the right
// patch on the wrong base must never leave a file that looks like the new
// release.
TEST(SuffixPatch, DamagedPatchOrWrongBaseFailsAndLeavesNoOutput) {
  TempDir dir;
  const std::string base = RandomBytes(200000, 11);
  std::string next = base;
  next.replace(5000, 4, "ABCD");
  next.insert(100000, RandomBytes(3000, 12));
  dir.write("old", base);
  dir.write("new", next);
  ASSERT_TRUE(MakeSuffixPatch(dir.file("old"), dir.file("new"), dir.file("patch")).ok);
  const std::string patch = TempDir::read(dir.file("patch"));

  // One flipped byte inside each of the three frames.
  auto flippedInFrame = [&](int frame) {
    auto length = [&](int i) {
      uint64_t v = 0;
      for (int b = 7; b >= 0; --b) v = (v << 8) | static_cast<unsigned char>(patch[48 + 8 * i + b]);
      return static_cast<size_t>(v);
    };
    size_t at = 72;
    for (int i = 0; i < frame; ++i) at += length(i);
    std::string damaged = patch;
    damaged[at + length(frame) / 2] ^= 0x10;
    return damaged;
  };
  std::string larger = patch;
  larger[8] = static_cast<char>(larger[8] + 1);  // one byte more than the streams hold
  std::string otherBase = base;
  otherBase[150000] ^= 1;  // outside the changed bytes: the patch adds to it

  const std::string small = "abcdef";
  const std::vector<codectest::BadPatchCase> cases = {
      {"truncated", base, patch.substr(0, patch.size() - 10), kLimit},
      {"header only", base, patch.substr(0, 72), kLimit},
      {"control flipped", base, flippedInFrame(0), kLimit},
      {"difference flipped", base, flippedInFrame(1), kLimit},
      {"extra flipped", base, flippedInFrame(2), kLimit},
      {"claims a larger size", base, larger, kLimit},
      {"trailing bytes", base, patch + "xyz", kLimit},
      {"other base", otherBase, patch, kLimit},
      {"over the limit", base, patch, 1000},
      {"zstd frame", base, std::string("\x28\xb5\x2f\xfd", 4) + patch.substr(8), kLimit},
      {"seek before the old file", small, HandMadePatch(4, "abcd", Step(2, 0, -3) + Step(2, 0, 0), std::string(4, '\0'), ""), kLimit},
      {"seek past the old file", small, HandMadePatch(4, "abcd", Step(2, 0, 5) + Step(2, 0, 0), std::string(4, '\0'), ""), kLimit},
      {"add past the old file", small, HandMadePatch(8, "abcdef\0\0", Step(8, 0, 0), std::string(8, '\0'), ""), kLimit},
      {"extra past the size", small, HandMadePatch(2, "ab", Step(0, 4, 0), "", "ab"), kLimit},
      {"empty steps", small, HandMadePatch(1, "a", Step(0, 0, 1) + Step(0, 0, 1) + Step(0, 1, 0), "", "a"), kLimit},
      {"control runs out", small, HandMadePatch(4, "abcd", Step(2, 0, 0), std::string(4, '\0'), ""), kLimit},
  };
  codectest::ExpectEachFailsLeavingNoOutput(dir, cases, &codecs::ApplySuffixPatch);
  // The hand-made patches are sound where they break no rule.
  dir.write("base", small);
  dir.write("good", HandMadePatch(5, "abbcz", Step(2, 0, -1) + Step(2, 1, 0), std::string(4, '\0'), "z"));
  const codecs::PatchOutcome good = ApplySuffixPatch(dir.file("base"), dir.file("good"), dir.file("out"), kLimit);
  ASSERT_TRUE(good.ok) << good.error;
  EXPECT_EQ(TempDir::read(dir.file("out")), "abbcz");
}

// The reference pair of library releases: a suffix patch is far smaller
// than zstd's, made within seconds, and either kind applies through the
// one entry point the client uses.
TEST(SuffixPatch, BeatsZstdOnTheReleasePairAndBothApply) {
  TempDir dir;
  auto pair = testsupport::UnpackReleasePair(dir.path());
  if (!pair) GTEST_SKIP() << "release pair not on this machine";
  for (const char* name : {"libssl.so.3", "libcrypto.so.3"}) {
    SCOPED_TRACE(name);
    const fs::path rel = fs::path("usr/lib/x86_64-linux-gnu") / name;
    const fs::path oldFile = pair->older / rel;
    const fs::path newFile = pair->newer / rel;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(MakeSuffixPatch(oldFile, newFile, dir.file("s.patch")).ok);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    ASSERT_TRUE(codecs::MakeZstdPatch(oldFile, newFile, dir.file("z.patch")).ok);
    EXPECT_LT(fs::file_size(dir.file("s.patch")) * 10, fs::file_size(dir.file("z.patch")) * 7);
    ASSERT_TRUE(codecs::MakeSmallestPatch(oldFile, newFile, dir.file("best.patch")).ok);
    EXPECT_EQ(TempDir::read(dir.file("best.patch")), TempDir::read(dir.file("s.patch")));
    const std::string want = TempDir::read(newFile);
    for (const char* patch : {"s.patch", "z.patch"}) {
      const codecs::PatchOutcome r = codecs::ApplyAnyPatch(oldFile, dir.file(patch), dir.file("out"), kLimit);
      ASSERT_TRUE(r.ok) << patch << ": " << r.error;
      EXPECT_EQ(TempDir::read(dir.file("out")), want) << patch;
    }
  }
  // Where the suffix patch loses (nothing in common), the zstd one is kept.
  dir.write("a", RandomBytes(5000, 13));
  dir.write("b", RandomBytes(5000, 14));
  ASSERT_TRUE(codecs::MakeSmallestPatch(dir.file("a"), dir.file("b"), dir.file("best.patch")).ok);
  EXPECT_NE(TempDir::read(dir.file("best.patch")).substr(0, 8), codecs::kSuffixPatchMagic);
  EXPECT_FALSE(fs::exists(dir.file("best.patch.sfx")));
}

}  // namespace
