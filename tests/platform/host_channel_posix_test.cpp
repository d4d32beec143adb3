#include "platform/host_channel.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/host_capture.h"
#include "tests/support/run_command.h"

namespace {

using platform::HostMessage;
using platform::HostSendResult;
using testsupport::HostCapture;

TEST(HostChannel, ListenerReceivesMessagesInOrderWithSignsIntact) {
  HostCapture host;
  ASSERT_NE(host.endpoint(), 0);
  const int64_t big = std::numeric_limits<int64_t>::max();
  const HostMessage sent[] = {{2023, -5, 0}, {2022, 300, 225}, {2021, 100, 40},
                              {2020, big, std::numeric_limits<int64_t>::min()}};
  for (const HostMessage& m : sent) {
    EXPECT_EQ(platform::SendHostMessage(host.endpoint(), m), HostSendResult::kSent);
  }
  ASSERT_TRUE(host.WaitFor(4));
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(host.messages()[i].message, sent[i].message) << i;
    EXPECT_EQ(host.messages()[i].wParam, sent[i].wParam) << i;
    EXPECT_EQ(host.messages()[i].lParam, sent[i].lParam) << i;
  }
}

TEST(HostChannel, SendWithoutListenerFailsAtOnce) {
  HostCapture host;  // takes an endpoint, then gives it back
  const int64_t endpoint = host.endpoint();
  host.listener().Close();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(platform::SendHostMessage(endpoint, {2023, 4, 0}), HostSendResult::kNoListener);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST(HostChannel, EndpointIsExclusiveAndZeroIsNoHost) {
  HostCapture first;
  platform::HostListener second;
  EXPECT_FALSE(second.Listen(first.endpoint(), nullptr));
  EXPECT_FALSE(second.IsListening());
  EXPECT_FALSE(second.Listen(0, nullptr));
  platform::HostReceiver third;
  EXPECT_FALSE(third.Listen(first.endpoint()));
  first.listener().Close();
  EXPECT_TRUE(second.Listen(first.endpoint(), nullptr));
}

TEST(HostChannel, FullQueueNeverBlocksTheSender) {
  HostCapture host;
  // Nobody drains while we send: the kernel queue fills and the sender must
  // get "full" back at once instead of waiting for the host.
  const auto start = std::chrono::steady_clock::now();
  int sent = 0, full = 0;
  for (int i = 0; i < 2000; ++i) {
    HostSendResult r = platform::SendHostMessage(host.endpoint(), {2021, 100, i});
    if (r == HostSendResult::kSent) ++sent;
    if (r == HostSendResult::kQueueFull) ++full;
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_GT(full, 0);
  ASSERT_GT(sent, 0);
  ASSERT_TRUE(host.WaitFor(sent));
  for (int i = 0; i < sent; ++i) EXPECT_EQ(host.messages()[i].lParam, i);  // the first ones kept
}

TEST(HostChannel, ForeignDatagramsAreSkipped) {
  HostCapture host;
  int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string name = platform::HostEndpointName(host.endpoint());
  std::memcpy(address.sun_path + 1, name.data(), name.size());
  const socklen_t length = offsetof(sockaddr_un, sun_path) + 1 + name.size();
  const std::string good = platform::EncodeHostMessage({2023, 2, 0});
  const std::string longer = good + "x";
  sendto(fd, "hello", 5, 0, reinterpret_cast<sockaddr*>(&address), length);
  sendto(fd, longer.data(), longer.size(), 0, reinterpret_cast<sockaddr*>(&address), length);
  sendto(fd, good.data(), good.size(), 0, reinterpret_cast<sockaddr*>(&address), length);
  close(fd);
  ASSERT_TRUE(host.WaitFor(1));
  host.Settle(100);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].wParam, 2);
}

TEST(HostChannel, DatagramsFromAnotherUserAreDropped) {
  if (geteuid() != 0) GTEST_SKIP() << "sending as another user needs root";
  HostCapture host;
  // "nobody" sends a fake "update completed"; then the own user a real one.
  const std::string send =
      "import socket,struct,sys; s=socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM); "
      "s.sendto(struct.pack('<qqq', 2023, int(sys.argv[1]), 0), b'\\0' + sys.argv[2].encode())";
  const std::string name = platform::HostEndpointName(host.endpoint());
  const std::string python = "/usr/bin/python3 -c " + testsupport::ShellQuote(send);
  ASSERT_EQ(testsupport::RunCommand("setpriv --reuid=65534 --regid=65534 --clear-groups " + python + " 1 " +
                                    testsupport::ShellQuote(name)).exitCode, 0);
  ASSERT_EQ(testsupport::RunCommand(python + " 2 " + testsupport::ShellQuote(name)).exitCode, 0);
  ASSERT_TRUE(host.WaitFor(1));
  host.Settle(200);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].wParam, 2);
}

TEST(HostChannel, HandlerMayCloseTheListener) {
  HostCapture host;
  int calls = 0;
  platform::HostListener& listener = host.listener();
  const int64_t endpoint = host.endpoint();
  listener.Close();
  ASSERT_TRUE(listener.Listen(endpoint, [&](const HostMessage&) {
    ++calls;
    listener.Close();
  }));
  platform::SendHostMessage(endpoint, {2023, 4, 0});
  platform::SendHostMessage(endpoint, {2023, 4, 0});
  host.Settle(200);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(platform::SendHostMessage(endpoint, {2023, 4, 0}), HostSendResult::kNoListener);
}

// The listener documented for host applications, written in Python, reads
// what the client sends: the wire format does not depend on our own decoder.
TEST(HostChannel, PythonHostReadsTheWireFormat) {
  HostCapture spare;  // reserve a free endpoint number, then hand it to Python
  const int64_t endpoint = spare.endpoint();
  spare.listener().Close();
  const std::string command = "timeout 10 " + std::string(testsupport::kPython) + " " +
                              testsupport::SupportDir() + "/host_listener.py " +
                              std::to_string(endpoint) + " 3";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char line[256];
  ASSERT_NE(fgets(line, sizeof(line), pipe), nullptr);
  EXPECT_STREQ(line, "ready\n");
  EXPECT_EQ(platform::SendHostMessage(endpoint, {2023, -3, 0}), HostSendResult::kSent);
  EXPECT_EQ(platform::SendHostMessage(endpoint, {2020, 5000000000, 4999999999}),
            HostSendResult::kSent);
  EXPECT_EQ(platform::SendHostMessage(endpoint, {2022, 300, 275}), HostSendResult::kSent);
  std::string output;
  while (fgets(line, sizeof(line), pipe)) output += line;
  EXPECT_EQ(pclose(pipe), 0);
  EXPECT_EQ(output, "2023 -3 0\n2020 5000000000 4999999999\n2022 300 275\n");
}

}  // namespace
