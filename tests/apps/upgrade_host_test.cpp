// What a host application hears from a real `upgrade` run.

#include <gtest/gtest.h>

#include <string>

#include "tests/apps/client_sandbox.h"
#include "tests/support/host_capture.h"

namespace apptest {
namespace {

TEST(UpgradeHost, RunWithoutHostWindowSendsNothing) {
  testsupport::HostCapture host;
  ASSERT_NE(host.endpoint(), 0);
  ClientSandbox box;
  box.WriteArchive({{"pre.dat", "[pre]\r\ncloselog=0\r\n"}});  // no client.dat: the -5 path
  // The endpoint number appears on the command line, but not as /HWND:.
  EXPECT_EQ(box.Run("/OP:CheckVer /Ad:" + std::to_string(host.endpoint())).exitCode, 0);
  host.Settle(400);
  EXPECT_TRUE(host.messages().empty());
  ASSERT_TRUE(box.LogExists());

  // The same run with the endpoint as host window is heard: -5, then 4.
  box.Run("/OP:CheckVer /HWND:" + std::to_string(host.endpoint()));
  ASSERT_TRUE(host.WaitFor(2));
  EXPECT_EQ(host.messages()[0].wParam, -5);
  EXPECT_EQ(host.messages()[1].wParam, 4);
}

TEST(UpgradeHost, CommandLineThatEndsTheRunStillEndsWithTheExitCode) {
  testsupport::HostCapture host;
  ASSERT_NE(host.endpoint(), 0);
  ClientSandbox box;
  box.WriteArchive({{"pre.dat", "[pre]\r\ncloselog=0\r\n"}, {"client.dat", "[file0]\r\nver=1.0.0\r\n"}});
  // The relaunch request is not carried out: the run ends at the command
  // line, before any configuration, yet the host was named and hears 4.
  box.Run("/HWND:" + std::to_string(host.endpoint()) + " /self_update:0-1.1.0");
  ASSERT_TRUE(host.WaitFor(1));
  host.Settle(300);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].message, 2023);
  EXPECT_EQ(host.messages()[0].wParam, 4);
}

}  // namespace
}  // namespace apptest
