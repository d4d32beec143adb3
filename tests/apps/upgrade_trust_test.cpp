// Attacks on a signed update, each against the real `upgrade` and a real
// HTTP server on 127.0.0.1: a replayed older configuration, an expired
// one, one signed for another product, a folder listing with an extra and
// a swapped file, an item longer than signed, an item without a digest and
// a withdrawn key. Each is refused with its hook never run and nothing
// installed; a fresh configuration for this product still updates.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "codecs/zip_archive.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "common/sha256_digest.h"
#include "common/signature.h"
#include "tests/apps/client_sandbox.h"
#include "tests/support/host_capture.h"
#include "tests/support/test_servers.h"

namespace apptest {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using Codes = std::vector<int64_t>;

const std::string kFuture = "2999-01-01T00:00:00Z";

struct Signed {
  int64_t serial = 10;
  std::string expires = kFuture;
  std::string product = "p1";
  std::string revoked;
  std::string items;  // item sections (UTF-8)
};

class UpgradeTrust : public ::testing::Test {
 protected:
  void SetUp() override {
    auto a = common::GenerateSigningKeyPair();
    auto b = common::GenerateSigningKeyPair();
    ASSERT_TRUE(a && b);
    keyA = *a;
    keyB = *b;
    ASSERT_TRUE(http.Start(srv.path().string()));
    hook = box.Dir().write("hook.sh", "#!/bin/sh\nexec >/dev/null 2>&1\necho \"$1\" >> '" +
                                          box.Dir().file("hooks.txt") + "'\n");
    fs::permissions(hook, fs::perms::owner_all);
    srv.write("app.txt", "app v2\n");
    box.Dir().write("app.txt", "app v1\n");
  }

  std::string Url(const std::string& name) const { return http.BaseUrl() + "/files/" + name; }

  // A file item line set for file0 covering what srv holds under name.
  std::string FileItem(const std::string& name, bool digest = true, int64_t sizeDelta = 0) const {
    const std::string path = srv.file(name);
    std::string text = "[file0]\r\nver=1.1\r\nurls=url0=" + Url(name) + "\r\nrename=app.txt\r\nshow_type=2\r\nop_mode=1\r\n";
    if (digest) {
      text += "sha256=" + common::FileSha256(path) + "\r\nsize=" +
              std::to_string(static_cast<int64_t>(fs::file_size(path)) + sizeDelta) + "\r\n";
    }
    return text;
  }

  // Serves a configuration whose hook writes word, signed with key.
  std::string Serve(const std::string& name, const Signed& s, const std::string& word,
                    const common::SigningKeyPair& key) {
    std::string text = "[system]\r\nrun_after=" + hook + " " + word + "\r\nserial=" + std::to_string(s.serial) +
                       "\r\nexpires=" + s.expires + "\r\nproduct=" + s.product + "\r\n";
    if (!s.revoked.empty()) text += "revoked=" + s.revoked + "\r\n";
    text += s.items;
    srv.write(name, text);
    srv.write(name + ".sig", common::SignBytes(text, key.privateKey));
    return Url(name);
  }

  // Writes the client configuration (keys, product, accepted serial, more
  // [system] lines), runs a whole silent update over urls and returns the
  // outcome codes the host heard.
  Codes Run(const Lines& urls, const Lines& keys, int64_t serial = 0, const std::string& extra = "") {
    {
      std::string client = "[system]\r\nurls=";
      for (size_t i = 0; i < urls.size(); ++i) client += (i ? ";;url" : "url") + std::to_string(i) + "=" + urls[i];
      client += "\r\ntryallurl=1\r\nproduct=p1\r\npubkey=" + keys[0] + "\r\n";
      if (keys.size() > 1) client += "pubkey2=" + keys[1] + "\r\n";
      if (serial > 0) client += "serial=" + std::to_string(serial) + "\r\n";
      client += extra + "[file0]\r\nver=1.0\r\n[dir0]\r\nver=1.0\r\n";
      box.WriteArchive({{"pre.dat", "[pre]\r\ncloselog=0\r\nclosetray=1\r\n"},
                        {"client.dat", client},
                        {"ui.dat", "[UI]\r\ntitle=演示\r\n"}});
    }
    fs::remove(box.Dir().file("upgrade.log"));
    fs::remove(box.Dir().file("hooks.txt"));
    testsupport::HostCapture host;
    box.Run("/HWND:" + std::to_string(host.endpoint()));
    host.Settle(300);
    Codes codes;
    for (const auto& m : host.messages()) {
      if (m.message == 2023) codes.push_back(m.wParam);
    }
    return codes;
  }

  std::string Hooks() const { return testsupport::TempDir::read(box.Dir().file("hooks.txt")); }
  std::string Installed(const std::string& name) const { return testsupport::TempDir::read(box.Dir().file(name)); }
  bool Logged(const std::string& line) const {
    const Lines log = box.LogTexts();
    return std::find(log.begin(), log.end(), line) != log.end();
  }
  std::string Kept(const std::string& key) const {
    codecs::ZipArchive zip;
    if (!zip.Open(box.Dir().file("upgrade.bin"), codecs::ZipArchive::Mode::ReadOnly)) return "<no archive>";
    auto bytes = zip.ExtractToMemory("client.dat");
    common::IniDocument doc;
    if (!bytes || !doc.SetText(*bytes)) return "<no client.dat>";
    return doc.GetString("system", key, "");
  }

  common::SigningKeyPair keyA, keyB;
  ClientSandbox box;
  testsupport::TempDir srv{"trust-srv-"};
  testsupport::HttpTestServer http;
  std::string hook;
};

// Older than the serial the client accepted, expired, for another product:
// each location fails over with its own line; with none left the host
// hears -5. An equal serial (a lagging mirror) and a newer one are taken,
// and the newer serial is kept, so a file accepted earlier is refused next.
TEST_F(UpgradeTrust, ReplayedExpiredAndForeignConfigurationsAreRefused) {
  const std::string item = FileItem("app.txt");
  const std::string older = Serve("older.ini", {.serial = 9, .items = item}, "older", keyA);
  const std::string expired = Serve("expired.ini", {.serial = 11, .expires = "2001-01-01T00:00:00Z", .items = item},
                                    "expired", keyA);
  const std::string foreign = Serve("foreign.ini", {.serial = 11, .product = "p2", .items = item}, "foreign", keyA);
  const std::string loose = Serve("loose.ini", {.serial = 11, .expires = "soon", .items = item}, "loose", keyA);
  EXPECT_EQ(Run({older, expired, foreign, loose}, {keyA.publicKey}, 10), (Codes{-5, 4}));
  EXPECT_EQ(Hooks(), "");
  EXPECT_EQ(Installed("app.txt"), "app v1\n");
  EXPECT_TRUE(Logged("服务器端配置文件的序号低于已接受的序号（旧文件）：" + older));
  EXPECT_TRUE(Logged("服务器端配置文件已过期：" + expired));
  EXPECT_TRUE(Logged("服务器端配置文件不属于本产品：" + foreign));
  EXPECT_TRUE(Logged("服务器端配置文件缺少序号或有效期：" + loose));

  const std::string equal = Serve("equal.ini", {.serial = 10}, "equal", keyA);
  EXPECT_EQ(Run({older, equal}, {keyA.publicKey}, 10), (Codes{2, 4}));
  EXPECT_EQ(Hooks(), "equal\n");

  const std::string fresh = Serve("fresh.ini", {.serial = 12, .items = item}, "fresh", keyA);
  EXPECT_EQ(Run({fresh}, {keyA.publicKey}, 10), (Codes{3, 1, 4}));
  EXPECT_EQ(Hooks(), "fresh\n");
  EXPECT_EQ(Installed("app.txt"), "app v2\n");
  EXPECT_EQ(Kept("serial"), "12");

  // serial 11 was newer than what the client had before, not any more: the
  // next run starts from the serial the client kept.
  const std::string replay = Serve("replay.ini", {.serial = 11}, "replay", keyA);
  EXPECT_EQ(Run({replay}, {keyA.publicKey}, std::stoll(Kept("serial"))), (Codes{-5, 4}));
  EXPECT_EQ(Hooks(), "");
}

// A dir item fetches exactly its signed list over HTTP: the extra file the
// server offers is never installed; a swapped file fails the item and
// nothing of it is installed.
TEST_F(UpgradeTrust, DirItemTakesOnlyItsSignedListAndASwappedFileFailsIt) {
  srv.write("dir/a.txt", "a v2\n");
  srv.write("dir/sub/b.txt", "b v2\n");
  box.Dir().write("data/a.txt", "a v1\n");
  const std::string list = "files=2\r\nfile0=5," + common::FileSha256(srv.file("dir/a.txt")) + ",a.txt\r\nfile1=5," +
                           common::FileSha256(srv.file("dir/sub/b.txt")) + ",sub/b.txt\r\n";
  const std::string dir = "[dir0]\r\nver=1.1\r\nurls=url0=" + Url("dir") + "\r\npath=" + box.Folder() +
                          "/data\r\nshow_type=2\r\nop_mode=1\r\n";
  srv.write("dir/extra.sh", "#!/bin/sh\necho mirror\n");
  srv.write("dir/a.txt", "A v2\n");  // swapped, same length
  const std::string swapped = Serve("swapped.ini", {.items = dir + list}, "swapped", keyA);
  EXPECT_EQ(Run({swapped}, {keyA.publicKey}), (Codes{3, -3, 4}));
  EXPECT_EQ(Installed("data/a.txt"), "a v1\n");
  EXPECT_FALSE(fs::exists(box.Dir().file("data/sub/b.txt")));
  const Lines log = box.LogTexts();
  EXPECT_TRUE(std::any_of(log.begin(), log.end(),
                          [](const std::string& line) { return line.starts_with("文件的SHA256值不符："); }));

  srv.write("dir/a.txt", "a v2\n");
  const std::string good = Serve("good.ini", {.serial = 11, .items = dir + list}, "good", keyA);
  EXPECT_EQ(Run({good}, {keyA.publicKey}), (Codes{3, 1, 4}));
  EXPECT_EQ(Installed("data/a.txt"), "a v2\n");
  EXPECT_EQ(Installed("data/sub/b.txt"), "b v2\n");
  EXPECT_FALSE(fs::exists(box.Dir().file("data/extra.sh")));
  EXPECT_EQ(Hooks(), "good\n");

  // A dir item without a list is refused under a signature.
  const std::string bare = Serve("bare.ini", {.serial = 12, .items = dir}, "bare", keyA);
  box.Dir().write("data/a.txt", "a v1\n");
  EXPECT_EQ(Run({bare}, {keyA.publicKey}), (Codes{3, -3, 4}));
  EXPECT_EQ(Installed("data/a.txt"), "a v1\n");
}

// A file longer than its signed size is cut off and not installed; a file
// item without a digest is not fetched at all under a signature.
TEST_F(UpgradeTrust, OversizeAndUndigestedItemsAreNotInstalled) {
  const std::string oversize = Serve("oversize.ini", {.items = FileItem("app.txt", true, -2)}, "oversize", keyA);
  EXPECT_EQ(Run({oversize}, {keyA.publicKey}), (Codes{3, -3, 4}));
  EXPECT_EQ(Installed("app.txt"), "app v1\n");
  const Lines log = box.LogTexts();
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
    return line.starts_with("下载的数据超过了配置文件给出的长度，已中断：");
  }));

  const std::string bare = Serve("bare.ini", {.items = FileItem("app.txt", false)}, "bare", keyA);
  EXPECT_EQ(Run({bare}, {keyA.publicKey}), (Codes{3, -3, 4}));
  EXPECT_EQ(Installed("app.txt"), "app v1\n");
}

// A client that knows the new key B and the old key A takes the withdrawal
// of A from a configuration signed with B; from then on a configuration
// signed with A is refused. A withdrawal signed with the old key is never
// taken: a leaked old key cannot shut out its successor.
TEST_F(UpgradeTrust, WithdrawnKeyIsRefusedOnceTheClientHasSeenTheList) {
  const std::string byA = Serve("by-a.ini", {.serial = 10, .revoked = keyB.publicKey}, "by-a", keyA);
  EXPECT_EQ(Run({byA}, {keyB.publicKey, keyA.publicKey}), (Codes{2, 4}));
  EXPECT_EQ(Kept("revoked"), "");

  const std::string byB = Serve("by-b.ini", {.serial = 11, .revoked = keyA.publicKey}, "by-b", keyB);
  EXPECT_EQ(Run({byB}, {keyB.publicKey, keyA.publicKey}), (Codes{2, 4}));
  EXPECT_EQ(Hooks(), "by-b\n");
  EXPECT_EQ(Kept("revoked"), keyA.publicKey);

  const std::string later = Serve("later.ini", {.serial = 12, .items = FileItem("app.txt")}, "later", keyA);
  EXPECT_EQ(Run({later}, {keyB.publicKey, keyA.publicKey}, 11, "revoked=" + Kept("revoked") + "\r\n"),
            (Codes{-5, 4}));
  EXPECT_EQ(Hooks(), "");
  EXPECT_EQ(Installed("app.txt"), "app v1\n");
  EXPECT_TRUE(Logged("服务器端配置文件签名验证失败：" + later));
}

}  // namespace
}  // namespace apptest
