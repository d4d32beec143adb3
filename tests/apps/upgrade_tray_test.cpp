// Runs of the real `upgrade` on a private X server whose notification area
// is the fake_tray helper: the tray switch in "pre.dat" decides whether an
// icon docks, the icon is there while the client works and gone at its end.

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <thread>

#include "common/gbk.h"
#include "tests/apps/client_sandbox.h"
#include "tests/support/xvfb_tray.h"

namespace apptest {
namespace {

using testsupport::TrayEvent;

class UpgradeTray : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!x.Ok()) GTEST_SKIP() << "no X server for tray tests: " << x.Error();
    box.UseDisplay(x.Display());
  }

  // A client whose configuration finds file0 newer and whose run_before
  // waits (the client with it) until the test creates the file "go".
  void Prepare(const std::string& closetray) {
    const std::string hook = box.Dir().write(
        "before.sh", "#!/bin/sh\nexec >/dev/null 2>&1\n: > '" + box.Dir().file("waiting") +
                         "'\nwhile [ ! -f '" + box.Dir().file("go") +
                         "' ]; do sleep 0.05; done\necho before >> '" + box.Dir().file("hooks.txt") +
                         "'\n");
    std::filesystem::permissions(hook, std::filesystem::perms::owner_all);
    box.WriteArchive(
        {{"pre.dat", "[pre]\r\ncloselog=0\r\nclosetray=" + closetray + "\r\n"},
         {"client.dat", "[system]\r\nurls=url0=file://" + box.Folder() +
                            "/srv/server.ini\r\n[file0]\r\nver=1.0.0\r\n"},
         {"ui.dat", "[UI]\r\ntitle=演示\r\n"}});
    box.Dir().write("srv/server.ini",
                    common::Utf8ToGbk("[system]\r\nrun_before=" + hook +
                                      "\r\nrun_before_pause=1\r\n[file0]\r\nver=1.1.0\r\n"
                                      "urls=url0=http://127.0.0.1:9/app\r\nshow_type=2\r\nop_mode=1\r\n"));
  }

  // Waits until the hook runs (the client is then between its start and
  // its pages).
  bool WaitForHook() {
    for (int i = 0; i < 500; ++i) {
      if (std::filesystem::exists(box.Dir().path() / "waiting")) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  // Icon windows docked and not destroyed since.
  std::vector<uint32_t> Present() const {
    std::vector<uint32_t> present;
    for (const TrayEvent& e : x.Events()) {
      if (e.what == "dock") present.push_back(e.window);
      if (e.what == "gone") std::erase(present, e.window);
    }
    return present;
  }

  testsupport::XvfbTray x;
  ClientSandbox box;
};

TEST_F(UpgradeTray, IconIsDockedWhileTheClientWorksAndGoneAtItsEnd) {
  Prepare("0");
  auto run = std::async(std::launch::async, [this] { return box.Run(); });
  ASSERT_TRUE(WaitForHook());
  // The hook holds the client after its start-up: the icon made then is up.
  ASSERT_TRUE(x.WaitFor("dock"));
  const std::vector<uint32_t> docked = x.Docked();
  ASSERT_TRUE(x.WaitFor("map", docked.back()));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(Present(), std::vector<uint32_t>{x.Docked().back()}) << "one icon while the client works";

  box.Dir().write("go", "");
  ASSERT_EQ(run.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_EQ(run.get().exitCode, 0);
  EXPECT_EQ(testsupport::TempDir::read(box.Dir().path() / "hooks.txt"), "before\n");
  EXPECT_TRUE(x.WaitFor("gone", docked.back()));
  EXPECT_TRUE(Present().empty()) << "an icon stayed in the tray after the client ended";
}

TEST_F(UpgradeTray, TraySwitchOffDocksNothing) {
  Prepare("1");
  auto run = std::async(std::launch::async, [this] { return box.Run(); });
  ASSERT_TRUE(WaitForHook());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  box.Dir().write("go", "");
  ASSERT_EQ(run.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_EQ(run.get().exitCode, 0);
  EXPECT_TRUE(x.Events().empty());
}

}  // namespace
}  // namespace apptest
