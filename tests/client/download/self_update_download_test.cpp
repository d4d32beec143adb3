// The self-update download on the test's thread, against file:// sources
// and a port nothing listens on: the texts of each failure, and a
// downloaded configuration archive that cannot be read is left behind with
// the running archive untouched.

#include "client/download/self_update_download.h"

#include <filesystem>
#include <memory>

#include <gtest/gtest.h>

#include "client/stage/transfer_context.h"
#include "common/gbk.h"
#include "tests/client/install/install_rig.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using install_test::InstallRig;
using install_test::PageRecorder;

struct Outcome {
  std::shared_ptr<PageRecorder> page;
  std::vector<std::string> messages;  // UTF-8
  std::vector<std::string> notices;   // UTF-8
};

Outcome RunDownload(InstallRig& rig) {
  Outcome out;
  out.page = std::make_shared<PageRecorder>(&rig.Run());
  transfer::DownloadOptions options;
  options.engine.ftpConnectAttempts = 1;
  transfer::SelfUpdateDownload worker(rig.Run(), out.page, std::make_shared<transfer::TransferContext>(), options);
  worker.Run();
  for (const auto& m : out.page->messages) out.messages.push_back(common::GbkToUtf8(m));
  for (const auto& n : out.page->notices) out.notices.push_back(common::GbkToUtf8(n));
  return out;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A program item that cannot be had: a server that does not answer the
// check is "not found" (no box), a transfer that fails tells the user.
TEST(SelfUpdateDownload, FailureTextsOfTheProgramDownload) {
  struct Case {
    std::string url;
    std::string status;
    std::vector<std::string> notices;
  } cases[] = {
      {"http://127.0.0.1:9/upgrade", "在服务器端没找到该文件！", {}},
      {"file:///nonexistent/upgrade-field/upgrade", "文件下载失败!", {"下载失败，请稍后再尝试！"}},
  };
  for (const Case& c : cases) {
    testsupport::TempDir dir;
    InstallRig rig(dir.path().string());
    rig.WriteArchive("[file3]\r\nver=1.0\r\n");
    rig.Decision().selfUpdateExeIndex = 3;
    rig.File(3).newItem = true;
    rig.File(3).fileName = "upgrade";
    rig.File(3).locations.urls = {c.url};
    rig.File(3).locations.users = {""};
    rig.File(3).locations.passwords = {""};
    const Outcome out = RunDownload(rig);
    EXPECT_EQ(out.page->ended, 0) << c.url;
    EXPECT_TRUE(Has(out.messages, c.status)) << c.url;
    EXPECT_EQ(out.notices, c.notices) << c.url;
    EXPECT_FALSE(fs::exists(rig.AppFolder() + "upgrade.new")) << c.url;
  }
}

// The new archive arrives but its "client.dat" cannot be read: the version
// cannot be recorded in it, so it is not put in place; the ".ubk" stays
// behind (the session then ends, and the next run offers the item again).
TEST(SelfUpdateDownload, ArchiveWithoutReadableClientConfigurationIsLeftBehind) {
  testsupport::TempDir dir;
  InstallRig rig(dir.path().string());
  rig.WriteArchive("[file5]\r\nver=1.0\r\n");
  const std::string before = InstallRig::Read(rig.ArchivePath());
  const std::string source = dir.write("srv/upgrade.bin", "not an archive");
  rig.Decision().selfUpdateArchiveIndex = 5;
  rig.File(5).newItem = true;
  rig.File(5).fileName = "upgrade.bin";
  rig.File(5).serverVersion = "2.0";
  rig.File(5).locations.urls = {"file://" + source};
  rig.File(5).locations.users = {""};
  rig.File(5).locations.passwords = {""};
  const Outcome out = RunDownload(rig);
  EXPECT_EQ(InstallRig::Read(rig.ArchivePath()), before);
  EXPECT_EQ(InstallRig::Read(rig.ArchivePath() + ".ubk"), "not an archive");
  EXPECT_TRUE(rig.Logged("无法读取下载的配置文件：" + rig.ArchivePath() + ".ubk"));
  EXPECT_TRUE(out.notices.empty());
}

}  // namespace
