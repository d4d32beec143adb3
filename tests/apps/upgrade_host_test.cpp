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

}  // namespace
}  // namespace apptest
