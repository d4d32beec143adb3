#include "codecs/zstd_patch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "tests/support/release_corpus.h"
#include "tests/support/run_command.h"
#include "tests/codecs/bad_patch_cases.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using codecs::ApplyZstdPatch;
using codecs::MakeZstdPatch;
using testsupport::TempDir;

std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng() & 0xFF);
  return s;
}

constexpr uint64_t kLimit = 64u << 20;

// Old and new contents that a release can bring: small edits, growth,
// shrinking, an empty side, nothing in common.
TEST(ZstdPatch, RoundTripsEveryKindOfChange) {
  const std::string base = RandomBytes(300000, 1);
  std::string edited = base;
  edited.replace(1000, 16, "sixteen new byte");
  edited.insert(200000, RandomBytes(5000, 2));
  struct Case {
    const char* name;
    std::string oldBytes;
    std::string newBytes;
  } cases[] = {
      {"edits", base, edited},
      {"grown", base, base + RandomBytes(70000, 3)},
      {"shrunk", base, base.substr(50000, 100000)},
      {"from empty", "", RandomBytes(1000, 4)},
      {"to empty", base, ""},
      {"unrelated", RandomBytes(4000, 5), RandomBytes(4000, 6)},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string oldFile = dir.write("old", c.oldBytes);
    const std::string newFile = dir.write("new", c.newBytes);
    const codecs::PatchOutcome made = MakeZstdPatch(oldFile, newFile, dir.file("patch"));
    ASSERT_TRUE(made.ok) << made.error;
    const codecs::PatchOutcome applied = ApplyZstdPatch(oldFile, dir.file("patch"), dir.file("out"), kLimit);
    ASSERT_TRUE(applied.ok) << applied.error;
    EXPECT_EQ(TempDir::read(dir.file("out")), c.newBytes);
  }
  // Small edits cost a few bytes, not the file.
  dir.write("old", base);
  dir.write("new", edited);
  ASSERT_TRUE(MakeZstdPatch(dir.file("old"), dir.file("new"), dir.file("patch")).ok);
  EXPECT_LT(fs::file_size(dir.file("patch")), 7000u);
}

// A damaged patch, or the right patch on the wrong base, must never leave
// a file behind that looks like the new release.
TEST(ZstdPatch, DamagedPatchOrWrongBaseFailsAndLeavesNoOutput) {
  TempDir dir;
  const std::string base = RandomBytes(200000, 7);
  std::string next = base;
  next.replace(5000, 4, "ABCD");
  dir.write("old", base);
  dir.write("new", next);
  ASSERT_TRUE(MakeZstdPatch(dir.file("old"), dir.file("new"), dir.file("patch")).ok);
  const std::string patch = TempDir::read(dir.file("patch"));
  std::string flipped = patch;
  flipped[flipped.size() / 2] ^= 0x40;
  std::string otherBase = base;
  otherBase[5001 + 100] ^= 1;  // outside the changed bytes: the patch copies it from the base

  const std::vector<codectest::BadPatchCase> cases = {
      {"truncated", base, patch.substr(0, patch.size() - 10), kLimit},
      {"header only", base, patch.substr(0, 6), kLimit},
      {"bit flipped", base, flipped, kLimit},
      {"not zstd", base, "plain text, not a patch", kLimit},
      {"trailing garbage", base, patch + "xyz", kLimit},
      {"other base", otherBase, patch, kLimit},
      {"over the limit", base, patch, 1000},
  };
  codectest::ExpectEachFailsLeavingNoOutput(dir, cases, &codecs::ApplyZstdPatch);
}

// The zstd command line is the reference: its patches apply here and ours
// decode there, on the real library pair.
TEST(ZstdPatch, InteroperatesWithTheZstdCommandOnTheReleasePair) {
  TempDir dir;
  auto pair = testsupport::UnpackReleasePair(dir.path());
  if (!pair) GTEST_SKIP() << "release pair not on this machine";
  const fs::path rel = "usr/lib/x86_64-linux-gnu/libssl.so.3";
  const std::string oldFile = (pair->older / rel).string();
  const std::string newFile = (pair->newer / rel).string();
  ASSERT_TRUE(MakeZstdPatch(oldFile, newFile, dir.file("ours.zst")).ok);
  const auto ours = fs::file_size(dir.file("ours.zst"));
  EXPECT_LT(ours, fs::file_size(newFile) / 10);

  using testsupport::ShellQuote;
  ASSERT_EQ(testsupport::RunCommand("zstd -q -d --long=31 --patch-from=" + ShellQuote(oldFile) + " " +
                                    ShellQuote(dir.file("ours.zst")) + " -o " + ShellQuote(dir.file("cli.out")))
                .exitCode,
            0);
  EXPECT_EQ(TempDir::read(dir.file("cli.out")), TempDir::read(newFile));
  ASSERT_EQ(testsupport::RunCommand("zstd -q -19 --long=31 --patch-from=" + ShellQuote(oldFile) + " " +
                                    ShellQuote(newFile) + " -o " + ShellQuote(dir.file("cli.zst")))
                .exitCode,
            0);
  ASSERT_TRUE(ApplyZstdPatch(oldFile, dir.file("cli.zst"), dir.file("ours.out"), kLimit).ok);
  EXPECT_EQ(TempDir::read(dir.file("ours.out")), TempDir::read(newFile));
}

}  // namespace
