// Delta updates from the generator to the real client over HTTP: the
// reference pair of library releases comes as patches, and every way a
// patch can go wrong ends with the whole file installed, never a wrong one.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "codecs/zstd_patch.h"
#include "common/sha256_digest.h"
#include "formats/patch_list.h"
#include "tests/author/author_test_support.h"
#include "tests/author/delta_rig.h"
#include "tests/support/release_corpus.h"
#include "tests/support/temp_dir.h"

namespace authortest {
namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

// Signed, as a publisher should ship: the patches are listed under the
// signature and a patched file must come out at the signed length.
TEST(DeltaUpdate, TheReferencePairComesAsPatches) {
  EnsureApplication();
  TempDir dir("delta-e2e-");
  auto pair = testsupport::UnpackReleasePair(dir.path() / "corpus");
  if (!pair) GTEST_SKIP() << "release pair not on this machine";
  DeltaRig rig(dir.path() / "rig");
  ASSERT_TRUE(rig.Started());
  std::string error;
  ASSERT_TRUE(rig.Release("1.0", "0.0.0", pair->older, pair->files, &error)) << error;
  ASSERT_TRUE(rig.Sign());
  ASSERT_TRUE(rig.Release("1.1", "1.0", pair->newer, pair->files, &error)) << error;
  ASSERT_TRUE(fs::exists(rig.Server() + "s.ini.sig"));
  const std::string app = rig.Install("app", pair->older, pair->files);

  ASSERT_EQ(rig.RunClient(app), 0);
  const std::string log = DeltaRig::Log(app);
  int64_t newBytes = 0;
  for (const fs::path& rel : pair->files) {
    EXPECT_EQ(TempDir::read(app + rel.string()), TempDir::read(pair->newer / rel)) << rel;
    newBytes += static_cast<int64_t>(fs::file_size(pair->newer / rel));
  }
  // Identical files (the copyright) are installed whole; each changed one
  // came as a patch, libcrypto among them (a suffix patch: zstd's alone
  // would save only about 88%).
  EXPECT_NE(log.find("★ 补丁更新：libcrypto.so.3，补丁 "), std::string::npos) << log;
  const size_t total = log.find("★ 补丁更新 ");
  ASSERT_NE(total, std::string::npos) << log;
  const int64_t saved = std::stoll(log.substr(log.find("共节省 ", total) + std::string("共节省 ").size()));
  EXPECT_GT(saved, newBytes * 9 / 10);
}

// One small item released as 1.0 and 1.1; each case spoils one thing and
// the client must still install exactly 1.1, saying why it took the whole
// file.
TEST(DeltaUpdate, AnyFaultFallsBackToTheWholeFile) {
  EnsureApplication();
  TempDir dir("delta-fallback-");
  const std::string v10 = PseudoRandomBytes(300000, 1);
  std::string v11 = v10;
  v11.replace(100000, 9, "release11");
  dir.write("r10/bin/app.bin", v10);
  dir.write("r11/bin/app.bin", v11);
  const std::vector<fs::path> rels = {"bin/app.bin"};
  DeltaRig rig(dir.path() / "rig");
  ASSERT_TRUE(rig.Started());
  ASSERT_TRUE(rig.Release("1.0", "0.0.0", dir.path() / "r10", rels));
  ASSERT_TRUE(rig.Release("1.1", "1.0", dir.path() / "r11", rels));
  const std::string ini = TempDir::read(rig.Server() + "s.ini");
  const std::vector<formats::PatchEntry> listed = formats::ParsePatchList(SectionValue(ini, "file0", "patches"));
  ASSERT_EQ(listed.size(), 1u);
  const std::string patchPath = rig.Server() + listed[0].url;
  const std::string goodPatch = TempDir::read(patchPath);

  // Puts bytes on the server as the patch and lists them with their own
  // size and digest, so only applying them can find the fault.
  auto servePatch = [&](const std::string& bytes) {
    dir.write("spoilt", bytes);
    std::ofstream(patchPath, std::ios::binary | std::ios::trunc) << bytes;
    formats::PatchEntry e = listed[0];
    e.size = static_cast<int64_t>(bytes.size());
    e.digest = common::Sha256Hex(bytes);
    std::string edited = ini;
    const std::string old = SectionValue(ini, "file0", "patches");
    edited.replace(edited.find(old), old.size(), formats::FormatPatchList({e}));
    std::ofstream(rig.Server() + "s.ini", std::ios::binary | std::ios::trunc) << edited;
  };
  struct Case {
    const char* name;
    std::function<void(const std::string& app)> spoil;
    const char* logged;
  } cases[] = {
      {"base matches", [](const std::string&) {}, "★ 补丁更新：app.bin，补丁 "},
      {"installed file modified",
       [&](const std::string& app) { dir.write(fs::relative(app + "bin/app.bin", dir.path()).string(), v10 + "x"); },
       "补丁不可用（本地文件与补丁基准不符），下载完整文件：app.bin"},
      {"truncated on the server",
       [&](const std::string&) {
         std::ofstream(patchPath, std::ios::binary | std::ios::trunc) << goodPatch.substr(0, goodPatch.size() / 2);
       },
       "补丁不可用（补丁下载失败），下载完整文件：app.bin"},
      {"corrupt but listed as good",
       [&](const std::string&) {
         std::string bad = goodPatch;
         bad[bad.size() / 2] ^= 0x21;
         servePatch(bad);
       },
       "补丁不可用（补丁应用失败："},
      {"result fails the digest",
       [&](const std::string&) {
         dir.write("other", v11 + "tampered");
         ASSERT_TRUE(codecs::MakeZstdPatch(dir.file("r10/bin/app.bin"), dir.file("other"), dir.file("evil")).ok);
         servePatch(TempDir::read(dir.file("evil")));
       },
       "补丁不可用（补丁结果SHA256校验失败），下载完整文件：app.bin"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(patchPath, std::ios::binary | std::ios::trunc) << goodPatch;
    std::ofstream(rig.Server() + "s.ini", std::ios::binary | std::ios::trunc) << ini;
    const std::string app = rig.Install("app", dir.path() / "r10", rels);
    c.spoil(app);
    ASSERT_EQ(rig.RunClient(app), 0);
    const std::string log = DeltaRig::Log(app);
    EXPECT_NE(log.find(c.logged), std::string::npos) << log;
    EXPECT_EQ(TempDir::read(app + "bin/app.bin"), v11);
    EXPECT_NE(TempDir::read(app + "update.dat").find("ver=1.1"), std::string::npos);
  }
}

}  // namespace
}  // namespace authortest
