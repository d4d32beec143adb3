// A whole update by the real `upgrade`: the server configuration and the
// files over HTTP (a file item and a ZIP item with uncompress and runme),
// a dir item from a local folder, both stages, the host following it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "codecs/zip_archive.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "tests/apps/client_sandbox.h"
#include "tests/support/host_capture.h"
#include "tests/support/run_command.h"
#include "tests/support/test_servers.h"

namespace apptest {
namespace {

namespace fs = std::filesystem;

std::string ArchivedVersion(const std::string& archive, const std::string& section) {
  codecs::ZipArchive zip;
  if (!zip.Open(archive, codecs::ZipArchive::Mode::ReadOnly)) return "<no archive>";
  auto bytes = zip.ExtractToMemory("client.dat");
  common::IniDocument doc;
  if (!bytes || !doc.SetText(*bytes)) return "<no client.dat>";
  return doc.GetString(section, "ver", "<none>");
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(UpgradeInstall, FullUpdateOverHttpReplacesFilesAndRecordsVersions) {
  ClientSandbox box;
  const std::string app = box.Folder() + "/";
  testsupport::TempDir srv;
  srv.write("app.txt", "app v2\n");
  {
    const std::string script = srv.write("parts/start.sh", "#!/bin/sh\necho \"$1\" > '" + app + "started.txt'\n");
    const std::string readme = srv.write("parts/readme.txt", "readme v2\n");
    const auto zip = testsupport::RunCommand(std::string(testsupport::kPython) + " " + testsupport::SupportDir() +
                                             "/make_zip.py " + srv.file("pack.zip") + " bin/start.sh " + script +
                                             " readme.txt " + readme);
    ASSERT_EQ(zip.exitCode, 0);
  }
  srv.write("dir/a.txt", "a v2\n");
  srv.write("dir/sub/b.txt", "b v2\n");
  testsupport::HttpTestServer http;
  ASSERT_TRUE(http.Start(srv.path().string()));
  const std::string url = http.BaseUrl();
  srv.write("server.ini", common::Utf8ToGbk(
                              "[file0]\r\nver=1.1\r\nurls=url0=" + url + "/files/app.txt\r\nshow_type=2\r\nop_mode=1\r\n"
                              "[file1]\r\nver=1.1\r\nurls=url0=" + url + "/files/pack.zip\r\npath=tools\r\n"
                              "uncompress=1\r\nrunme=1\r\nrunme_param=hello\r\nrunme_pause=1\r\nshow_type=2\r\nop_mode=1\r\n"
                              "[dir0]\r\nver=1.1\r\nurls=url0=file://" + srv.file("dir") + "/\r\npath=data\r\n"
                              "is_inc_subdir=1\r\nshow_type=2\r\nop_mode=1\r\n"));
  box.WriteArchive({{"pre.dat", "[pre]\r\ncloselog=0\r\n"},
                    {"ui.dat", "[UI]\r\ntitle=演示\r\n"},
                    {"client.dat", "[system]\r\nurls=url0=" + url + "/files" +
                                       "/server.ini\r\n[file0]\r\nver=1.0\r\n[file1]\r\nver=1.0\r\n[dir0]\r\nver=1.0\r\n"}});
  box.Dir().write("app.txt", "app v1\n");
  box.Dir().write("tools/readme.txt", "readme v1\n");
  box.Dir().write("data/a.txt", "a v1\n");

  testsupport::HostCapture host;
  box.Run("/HWND:" + std::to_string(host.endpoint()));
  host.Settle(300);

  std::vector<int64_t> codes;
  bool progress = false;
  for (const auto& m : host.messages()) {
    if (m.message == 2023) codes.push_back(m.wParam);
    progress = progress || (m.message != 2023 && !codes.empty() && codes.back() == 3);
  }
  EXPECT_EQ(codes, (std::vector<int64_t>{3, 1, 4}));
  EXPECT_TRUE(progress);
  EXPECT_EQ(testsupport::TempDir::read(app + "app.txt"), "app v2\n");
  EXPECT_EQ(testsupport::TempDir::read(app + "tools/readme.txt"), "readme v2\n");
  EXPECT_FALSE(fs::exists(app + "tools/pack.zip"));
  EXPECT_EQ(testsupport::TempDir::read(app + "data/a.txt"), "a v2\n");
  EXPECT_EQ(testsupport::TempDir::read(app + "data/sub/b.txt"), "b v2\n");
  // The first file of the archive ran with its parameter.
  EXPECT_EQ(testsupport::TempDir::read(app + "started.txt"), "hello\n");
  for (const char* section : {"file0", "file1", "dir0"}) {
    EXPECT_EQ(ArchivedVersion(app + "upgrade.bin", section), "1.1") << section;
  }
  for (const auto& e : fs::recursive_directory_iterator(app)) {
    const std::string name = e.path().filename().string();
    EXPECT_FALSE(name.ends_with(".ebk") || name.ends_with(".journal")) << name;
  }
  EXPECT_FALSE(fs::exists(box.WorkFolder()));
  const auto log = box.LogTexts();
  EXPECT_TRUE(Has(log, "将[file1]项中ver的值置为1.1"));
  EXPECT_TRUE(Has(log, "更新完成！"));
  EXPECT_TRUE(Has(log, "删除临时文件！"));
  EXPECT_TRUE(Has(log, "更新结束"));

  // The next run finds nothing newer.
  box.Run("/HWND:" + std::to_string(host.endpoint()));
  host.Settle(300);
  EXPECT_EQ(host.messages().back().wParam, 4);
  EXPECT_EQ(host.messages()[host.messages().size() - 2].wParam, 2);
}

}  // namespace
}  // namespace apptest
