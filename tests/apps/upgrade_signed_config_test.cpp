// Runs of the real `upgrade` whose configuration holds the publisher's
// public key: a server configuration is used only with a valid signature
// beside it, over HTTP, FTP and file://; every other location is a failed
// one, and the hook a rewritten configuration names never runs.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/gbk.h"
#include "common/signature.h"
#include "tests/apps/client_sandbox.h"
#include "tests/support/host_capture.h"
#include "tests/support/test_servers.h"

namespace apptest {
namespace {

using Lines = std::vector<std::string>;

class UpgradeSignedConfig : public ::testing::Test {
 protected:
  void SetUp() override {
    auto a = common::GenerateSigningKeyPair();
    auto b = common::GenerateSigningKeyPair();
    ASSERT_TRUE(a && b);
    keyA = *a;
    keyB = *b;
    ASSERT_TRUE(http.Start(srv.path().string()));
    ASSERT_TRUE(ftp.Start(srv.path().string()));
    good = Config(Hook("hook_a.sh", "publisher"));
    tampered = Config(Hook("hook_b.sh", "attacker"));
    // The rewrite the test makes is one byte: "hook_a" becomes "hook_b".
    ASSERT_EQ(good.size(), tampered.size());
  }

  std::string Hook(const std::string& name, const std::string& word) {
    const std::string path = box.Dir().write(name, "#!/bin/sh\nexec >/dev/null 2>&1\necho " + word + " >> '" +
                                                       box.Dir().file("hooks.txt") + "'\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
  }
  static std::string Config(const std::string& hook) {
    return "[system]\r\nrun_after=" + hook + "\r\nserial=1\r\nexpires=2999-01-01T00:00:00Z\r\n" +
           "[file0]\r\nver=1.1\r\nurls=url0=http://127.0.0.1:9/app\r\n";
  }
  std::string Hooks() const { return testsupport::TempDir::read(box.Dir().file("hooks.txt")); }

  // Serves text as name and, unless signature is null, name + ".sig".
  void Serve(const std::string& name, const std::string& text, const char* signature) {
    srv.write(name, text);
    if (signature) srv.write(name + ".sig", signature);
  }
  std::string Http(const std::string& name) const { return http.BaseUrl() + "/files/" + name; }
  std::string Ftp(const std::string& name) const {
    return "ftp://127.0.0.1:" + std::to_string(ftp.port()) + "/" + name;
  }
  std::string File(const std::string& name) const { return "file://" + srv.file(name); }

  // Runs a version check with these keys and locations (tried in order);
  // the outcome codes the host heard.
  std::vector<int64_t> Check(const Lines& keys, const Lines& urls) {
    std::string client = "[system]\r\nurls=";
    for (size_t i = 0; i < urls.size(); ++i) {
      client += (i ? ";;url" : "url") + std::to_string(i) + "=" + urls[i];
      if (urls[i].starts_with("ftp:")) client += ",,tester,,secret";
    }
    client += "\r\ntryallurl=1\r\n";
    if (keys.size() > 0) client += "pubkey=" + keys[0] + "\r\n";
    if (keys.size() > 1) client += "pubkey2=" + keys[1] + "\r\n";
    client += "[file0]\r\nver=1.0\r\n";
    std::filesystem::remove(box.Dir().file("upgrade.log"));
    std::filesystem::remove(box.Dir().file("hooks.txt"));
    box.WriteArchive({{"pre.dat", "[pre]\r\ncloselog=0\r\nclosetray=1\r\n"}, {"client.dat", client}, {"ui.dat", "[UI]\r\n"}});
    testsupport::HostCapture host;
    EXPECT_EQ(box.Run("/OP:CheckVer /HWND:" + std::to_string(host.endpoint())).exitCode, 0);
    EXPECT_TRUE(host.WaitFor(2));
    host.Settle(150);
    std::vector<int64_t> codes;
    for (const auto& m : host.messages()) codes.push_back(m.wParam);
    return codes;
  }
  Lines Refusals() const {
    Lines out;
    for (const std::string& line : box.LogTexts()) {
      if (line.starts_with("服务器端配置文件签名验证失败：")) out.push_back(line.substr(line.find("：") + 3));
    }
    return out;
  }

  common::SigningKeyPair keyA, keyB;
  ClientSandbox box;
  testsupport::TempDir srv{"signed-srv-"};
  testsupport::HttpTestServer http;
  testsupport::FtpTestServer ftp;
  std::string good, tampered;
};

// Each bad location fails over to the next; with none left the host hears
// -5 and neither hook runs.
TEST_F(UpgradeSignedConfig, EveryBadSignatureFailsOverAndNoneLeftEndsWithoutConfiguration) {
  const std::string sigA = common::SignBytes(good, keyA.privateKey);
  const std::string tamperedByB = common::SignBytes(tampered, keyB.privateKey);
  Serve("changed.ini", tampered, sigA.c_str());           // one byte changed after signing
  Serve("other-key.ini", tampered, tamperedByB.c_str());  // signed, by someone else
  Serve("unsigned.ini", tampered, nullptr);
  const std::string shortSig = common::EncodeBase64(common::DecodeBase64(sigA)->substr(0, 63));
  Serve("short.ini", tampered, shortSig.c_str());
  Serve("garbled.ini", tampered, ("*" + sigA.substr(1)).c_str());

  const Lines urls = {Http("changed.ini"), Ftp("other-key.ini"), Http("unsigned.ini"), File("short.ini"),
                      Ftp("garbled.ini")};
  EXPECT_EQ(Check({keyA.publicKey}, urls), (std::vector<int64_t>{-5, 4}));
  EXPECT_EQ(Refusals(), urls);
  EXPECT_EQ(Hooks(), "");
  Lines log = box.LogTexts();
  EXPECT_NE(std::find(log.begin(), log.end(), "错误：下载配置文件失败，可能是配置文件不存在，或解析错误，或网络不通！"),
            log.end());

  // The same rewritten file without a key in the client: used as before.
  EXPECT_EQ(Check({}, {Http("unsigned.ini")}), (std::vector<int64_t>{3, 4}));
  EXPECT_EQ(Hooks(), "attacker\n");
}

// The right signature is found over each scheme; FTP's ASCII mode and the
// file:// read hand over LF line ends, yet the signature of the CR LF file
// holds.
TEST_F(UpgradeSignedConfig, RightSignatureIsAcceptedOverHttpFtpAndFile) {
  const std::string sigA = common::SignBytes(good, keyA.privateKey);
  Serve("server.ini", good, (sigA + "\r\n").c_str());
  Serve("changed.ini", tampered, sigA.c_str());
  for (const std::string& url : {Http("server.ini"), Ftp("server.ini"), File("server.ini")}) {
    EXPECT_EQ(Check({keyA.publicKey}, {Http("changed.ini"), url}), (std::vector<int64_t>{3, 4})) << url;
    EXPECT_EQ(Refusals(), Lines{Http("changed.ini")}) << url;
    EXPECT_EQ(Hooks(), "publisher\n") << url;
  }
}

// During a key change the client holds the new key and the old one: a file
// signed under either is taken, one signed under neither is not.
TEST_F(UpgradeSignedConfig, KeyChangeAcceptsTheSecondKeyAndRefusesAnyOther) {
  Serve("server.ini", good, common::SignBytes(good, keyB.privateKey).c_str());
  EXPECT_EQ(Check({keyA.publicKey, keyB.publicKey}, {Http("server.ini")}), (std::vector<int64_t>{3, 4}));
  EXPECT_EQ(Hooks(), "publisher\n");

  auto c = common::GenerateSigningKeyPair();
  ASSERT_TRUE(c);
  EXPECT_EQ(Check({keyA.publicKey, c->publicKey}, {Http("server.ini")}), (std::vector<int64_t>{-5, 4}));
  EXPECT_EQ(Refusals(), Lines{Http("server.ini")});
  EXPECT_EQ(Hooks(), "");
}

}  // namespace
}  // namespace apptest
