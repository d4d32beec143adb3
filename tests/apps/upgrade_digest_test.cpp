// The real `upgrade` against a server configuration whose digest of an item
// is malformed: the item is refused with a log line of its own, never
// installed unchecked.

#include <gtest/gtest.h>

#include <algorithm>

#include "common/gbk.h"
#include "tests/apps/client_sandbox.h"
#include "tests/support/host_capture.h"
#include "tests/support/test_servers.h"

namespace apptest {
namespace {

TEST(UpgradeDigest, MalformedDigestRefusesTheItemInsteadOfSkippingTheCheck) {
  struct Case {
    std::string key;
    std::string value;
    int digits;
  } cases[] = {
      {"md5", std::string(31, 'a'), 32},                     // one digit short
      {"md5", "z" + std::string(31, '0'), 32},               // not hexadecimal
      {"sha256", std::string(63, 'b'), 64},
  };
  for (const Case& c : cases) {
    ClientSandbox box;
    testsupport::TempDir srv;
    srv.write("app.txt", "app v2\n");
    testsupport::HttpTestServer http;
    ASSERT_TRUE(http.Start(srv.path().string()));
    const std::string url = http.BaseUrl();
    srv.write("server.ini", common::Utf8ToGbk("[file0]\r\nver=1.1\r\nurls=url0=" + url + "/files/app.txt\r\n" +
                                              c.key + "=" + c.value + "\r\nshow_type=2\r\nop_mode=1\r\n"));
    box.WriteArchive({{"pre.dat", "[pre]\r\ncloselog=0\r\n"},
                      {"ui.dat", "[UI]\r\ntitle=演示\r\n"},
                      {"client.dat", "[system]\r\nurls=url0=" + url + "/files/server.ini\r\n[file0]\r\nver=1.0\r\n"}});
    box.Dir().write("app.txt", "app v1\n");
    testsupport::HostCapture host;
    box.Run("/HWND:" + std::to_string(host.endpoint()));
    host.Settle(300);

    EXPECT_EQ(testsupport::TempDir::read(box.Folder() + "/app.txt"), "app v1\n") << c.value;
    const auto log = box.LogTexts();
    const std::string refusal = "服务器配置中的" + c.key + "值“" + c.value + "”不是" + std::to_string(c.digits) +
                                "位十六进制数，无法验证文件的完整性，退出!";
    EXPECT_NE(std::find(log.begin(), log.end(), refusal), log.end()) << c.value;
    std::vector<int64_t> codes;
    for (const auto& m : host.messages()) {
      if (m.message == 2023) codes.push_back(m.wParam);
    }
    EXPECT_EQ(codes, (std::vector<int64_t>{3, -3, 4})) << c.value;
  }
}

}  // namespace
}  // namespace apptest
