// An installation killed at any instant: the next start of the real
// `upgrade` must leave the application folder entirely old with the old
// version recorded, or entirely new with the new one, file by file.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

#include "codecs/zip_archive.h"
#include "common/ini_document.h"
#include "tests/apps/client_sandbox.h"
#include "tests/platform/child_process.h"
#include "tests/support/run_command.h"

namespace apptest {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 500;
constexpr int kKills = 22;

std::string FileName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "f%03d.txt", i);
  return name;
}

std::string ArchivedVersion(const std::string& archive) {
  codecs::ZipArchive zip;
  if (!zip.Open(archive, codecs::ZipArchive::Mode::ReadOnly)) return "<no archive>";
  auto bytes = zip.ExtractToMemory("client.dat");
  common::IniDocument doc;
  if (!bytes || !doc.SetText(*bytes)) return "<no client.dat>";
  return doc.GetString("dir0", "ver", "<none>");
}

// The old files: f000.txt is empty and f001.txt a relative link, which an
// undo must bring back exactly like every other file.
void WriteOldFile(const testsupport::TempDir& dir, int i) {
  const fs::path path = dir.path() / FileName(i);
  fs::remove(path);
  if (i == 0) {
    dir.write(FileName(i), "");
  } else if (i == 1) {
    dir.write("target.txt", "old 1");
    fs::create_symlink("target.txt", path);
  } else {
    dir.write(FileName(i), "old " + std::to_string(i));
  }
}

bool IsOldFile(const std::string& app, int i) {
  const fs::path path = app + FileName(i);
  std::error_code ec;
  if (i == 0) return fs::is_regular_file(fs::symlink_status(path, ec)) && fs::file_size(path, ec) == 0;
  if (i == 1) return fs::is_symlink(fs::symlink_status(path, ec)) && fs::read_symlink(path, ec) == "target.txt";
  return testsupport::TempDir::read(path) == "old " + std::to_string(i);
}

// "old", "new", or what is wrong.
std::string FolderState(const std::string& app) {
  int olds = 0, news = 0;
  for (int i = 0; i < kFiles; ++i) {
    olds += IsOldFile(app, i);
    news += !fs::is_symlink(fs::symlink_status(app + FileName(i))) &&
            testsupport::TempDir::read(app + FileName(i)) == "new " + std::to_string(i);
  }
  for (const auto& e : fs::directory_iterator(app)) {
    const std::string name = e.path().filename().string();
    if (name.ends_with(".ebk") || name.ends_with(".journal") || name.find(".~upgrade") != std::string::npos) {
      return "left behind: " + name;
    }
  }
  const std::string version = ArchivedVersion(app + "upgrade.bin");
  if (olds == kFiles && version == "1.0") return "old";
  if (news == kFiles && version == "2.0") return "new";
  return std::to_string(olds) + " old, " + std::to_string(news) + " new, version " + version;
}

TEST(UpgradeInstallCrash, KilledAnywhereTheNextStartLeavesWholeOldOrWholeNew) {
  ClientSandbox box;
  const std::string app = box.Folder() + "/";
  testsupport::TempDir rig;
  for (int i = 0; i < kFiles; ++i) rig.write("work/dir0/" + FileName(i), "new " + std::to_string(i));
  auto makeOld = [&] {
    for (int i = 0; i < kFiles; ++i) WriteOldFile(box.Dir(), i);
    box.WriteArchive({{"pre.dat", "[pre]\r\ncloselog=0\r\n"}, {"client.dat", "[dir0]\r\nver=1.0\r\n"}});
  };
  const std::vector<std::string> install = {testsupport::BinDir() + "/install_run", rig.path().string(), app,
                                            std::to_string(kFiles)};

  // One whole installation gives the span the kills are spread over.
  makeOld();
  const auto start = Clock::now();
  {
    platform::ChildProcess whole(install);
    ASSERT_GT(whole.pid(), 0);
    whole.Reap();
  }
  const auto span = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
  ASSERT_EQ(FolderState(app), "new");

  std::mt19937 random(std::random_device{}());
  // Most of the span is the installation; its last part (deleting the
  // backups) is reached often enough by the upper third.
  std::uniform_int_distribution<long> instant(0, span.count() * 3 / 4);
  int olds = 0, news = 0;
  std::string state = "new";
  for (int k = 0; k < kKills; ++k) {
    if (state == "new") makeOld();  // an undone installation is the old state already
    const long at = instant(random);
    {
      platform::ChildProcess run(install);
      ASSERT_GT(run.pid(), 0);
      std::this_thread::sleep_for(std::chrono::microseconds(at));
      kill(run.pid(), SIGKILL);
      run.Reap();
    }
    box.Run();  // the next start recovers before anything else
    state = FolderState(app);
    ASSERT_TRUE(state == "old" || state == "new") << "killed after " << at << " us: " << state;
    (state == "old" ? olds : news) += 1;
  }
  // Most kills land inside the installation, which the start undoes.
  EXPECT_GT(olds, 0);
  std::printf("kills: %d undone, %d kept (install span %ld ms)\n", olds, news, static_cast<long>(span.count() / 1000));
}

}  // namespace
}  // namespace apptest
