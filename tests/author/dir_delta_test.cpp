// Delta updates of a dir item, from the generator to the real client: the
// folder's changed file comes as a patch over HTTP, the unchanged and the
// new file are copied whole, and whatever goes wrong with the patch, the
// client installs exactly the new folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "common/sha256_digest.h"
#include "formats/patch_list.h"
#include "tests/author/author_test_support.h"
#include "tests/author/delta_rig.h"
#include "tests/support/temp_dir.h"

namespace authortest {
namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

std::string Without(std::string text, const std::string& part) {
  const size_t at = text.find(part);
  if (at != std::string::npos) text.erase(at, part.size());
  return text;
}

TEST(DirDeltaUpdate, ChangedFilesComePatchedAndEveryFaultFallsBackToThatFileWhole) {
  EnsureApplication();
  TempDir dir("dir-delta-");
  const std::string lib10 = PseudoRandomBytes(300000, 7);
  std::string lib11 = lib10;
  lib11.replace(150000, 9, "release11");
  const std::string same = PseudoRandomBytes(20000, 9);
  dir.write("r10/data/lib/a.so", lib10);
  dir.write("r10/data/doc/same.txt", same);
  dir.write("r11/data/lib/a.so", lib11);
  dir.write("r11/data/doc/same.txt", same);
  dir.write("r11/data/new.txt", "first shipped in 1.1");
  const std::vector<fs::path> installed = {"data/lib/a.so", "data/doc/same.txt"};
  const std::vector<fs::path> released = {"data/lib/a.so", "data/doc/same.txt", "data/new.txt"};

  DeltaRig rig(dir.path() / "rig");
  ASSERT_TRUE(rig.Started());
  std::string error;
  ASSERT_TRUE(rig.ReleaseDir("1.0", "0.0.0", dir.path() / "r10/data", &error)) << error;
  ASSERT_TRUE(rig.ReleaseDir("1.1", "1.0", dir.path() / "r11/data", &error)) << error;
  ASSERT_TRUE(fs::exists(dir.path() / "rig/p/releases/dir0/1.0/lib/a.so"));
  ASSERT_TRUE(fs::exists(dir.path() / "rig/p/releases/dir0/1.1/new.txt"));

  // Only the file that changed has a patch; the unchanged one and the new
  // one are fetched whole.
  const std::string ini = TempDir::read(rig.Server() + "s.ini");
  const std::string value = SectionValue(ini, "dir0", "file_patches");
  const std::vector<formats::FilePatchEntry> listed = formats::ParseFilePatchList(value);
  ASSERT_EQ(listed.size(), 1u) << ini;
  EXPECT_EQ(listed[0].name, "lib/a.so");
  EXPECT_EQ(listed[0].patch.url, "patches/dir0/1.0_1.1/lib/a.so.zst");
  EXPECT_EQ(listed[0].patch.base, common::Sha256Hex(lib10));
  EXPECT_EQ(listed[0].patch.result, common::Sha256Hex(lib11));
  const std::string patchPath = rig.Server() + listed[0].patch.url;
  const std::string goodPatch = TempDir::read(patchPath);
  ASSERT_LT(goodPatch.size(), 2000u);

  // Bytes served as the patch, listed with their own size and digest, so
  // that only applying them can find the fault.
  auto servePatch = [&](const std::string& bytes) {
    std::ofstream(patchPath, std::ios::binary | std::ios::trunc) << bytes;
    formats::FilePatchEntry e = listed[0];
    e.patch.size = static_cast<int64_t>(bytes.size());
    e.patch.digest = common::Sha256Hex(bytes);
    std::string edited = ini;
    edited.replace(edited.find(value), value.size(), formats::FormatFilePatchList({e}));
    std::ofstream(rig.Server() + "s.ini", std::ios::binary | std::ios::trunc) << edited;
  };
  struct Case {
    const char* name;
    std::function<void(const std::string& app)> spoil;
    const char* logged;  // "" for nothing about patches at all
    bool patched;
  } cases[] = {
      {"installed file is the base", [](const std::string&) {}, "★ 补丁更新：lib/a.so，补丁 ", true},
      {"installed file modified",
       [&](const std::string& app) { std::ofstream(app + "data/lib/a.so", std::ios::app) << "x"; },
       "补丁不可用（本地文件与补丁基准不符），下载完整文件：lib/a.so", false},
      {"corrupt patch listed as good",
       [&](const std::string&) {
         std::string bad = goodPatch;
         bad[bad.size() / 2] ^= 0x21;
         servePatch(bad);
       },
       "补丁不可用（补丁应用失败：", false},
      {"patch makes another file",
       [&](const std::string&) {
         // A good patch of the entry's base whose result is not the
         // entry's: the digest the entry carries must stop it.
         formats::FilePatchEntry e = listed[0];
         e.patch.result = common::Sha256Hex(lib10);
         std::string edited = ini;
         edited.replace(edited.find(value), value.size(), formats::FormatFilePatchList({e}));
         std::ofstream(rig.Server() + "s.ini", std::ios::binary | std::ios::trunc) << edited;
       },
       "补丁不可用（补丁结果SHA256校验失败），下载完整文件：lib/a.so", false},
      {"older package without the key",
       [&](const std::string&) {
         std::ofstream(rig.Server() + "s.ini", std::ios::binary | std::ios::trunc)
             << Without(ini, "file_patches=" + value + "\r\n");
       },
       "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(patchPath, std::ios::binary | std::ios::trunc) << goodPatch;
    std::ofstream(rig.Server() + "s.ini", std::ios::binary | std::ios::trunc) << ini;
    const std::string app = rig.Install("app", dir.path() / "r10", installed);
    c.spoil(app);
    ASSERT_EQ(rig.RunClient(app), 0);
    const std::string log = DeltaRig::Log(app);
    if (*c.logged) {
      EXPECT_NE(log.find(c.logged), std::string::npos) << log;
    } else {
      EXPECT_EQ(log.find("补丁"), std::string::npos) << log;
    }
    // Copied whole, the file's source shows in the log; patched, it never does.
    EXPECT_EQ(log.find("lib/a.so-->") == std::string::npos, c.patched) << log;
    EXPECT_NE(log.find("doc/same.txt-->"), std::string::npos) << log;
    if (c.patched) {
      EXPECT_NE(log.find("★ 补丁更新 1 项，共节省 "), std::string::npos) << log;
    }
    for (const fs::path& rel : released) {
      EXPECT_EQ(TempDir::read(app + rel.string()), TempDir::read(dir.path() / "r11" / rel)) << rel;
    }
    EXPECT_NE(TempDir::read(app + "update.dat").find("ver=1.1"), std::string::npos);
  }

  // The item's folder on an FTP server: the patch comes over HTTP between
  // the folder's files, which still come from the item's own server.
  ASSERT_TRUE(rig.ReleaseDir("1.1", "1.0", dir.path() / "r11/data", &error, true)) << error;
  {
    const std::string app = rig.Install("ftp", dir.path() / "r10", installed);
    ASSERT_EQ(rig.RunClient(app), 0);
    const std::string log = DeltaRig::Log(app);
    EXPECT_NE(log.find("★ 补丁更新：lib/a.so，补丁 "), std::string::npos) << log;
    EXPECT_NE(log.find("    /dirs/1.1/new.txt-->"), std::string::npos) << log;  // the FTP path, not the local one
    for (const fs::path& rel : released) {
      EXPECT_EQ(TempDir::read(app + rel.string()), TempDir::read(dir.path() / "r11" / rel)) << rel;
    }
  }

  // Signed, the folder's file list is what the client takes, and a patched
  // file must also come out at its listed length and digest.
  ASSERT_TRUE(rig.Sign());
  ASSERT_TRUE(rig.ReleaseDir("1.1", "1.0", dir.path() / "r11/data", &error)) << error;
  ASSERT_NE(TempDir::read(rig.Server() + "s.ini").find("file_patches="), std::string::npos);
  const std::string app = rig.Install("signed", dir.path() / "r10", installed);
  ASSERT_EQ(rig.RunClient(app), 0);
  const std::string log = DeltaRig::Log(app);
  EXPECT_NE(log.find("★ 补丁更新：lib/a.so，补丁 "), std::string::npos) << log;
  for (const fs::path& rel : released) {
    EXPECT_EQ(TempDir::read(app + rel.string()), TempDir::read(dir.path() / "r11" / rel)) << rel;
  }
}

}  // namespace
}  // namespace authortest
