#include "platform/host_channel.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <limits>
#include <thread>
#include <vector>

#include "common/gbk.h"
#include "platform/folders.h"
#include "platform/launcher.h"
#include "tests/support/temp_dir.h"

namespace platform {
namespace {

using namespace std::chrono_literals;

// Takes what arrives until `count` messages are in or two seconds passed.
std::vector<HostMessage> Collect(HostReceiver& receiver, size_t count) {
  std::vector<HostMessage> got;
  const auto deadline = std::chrono::steady_clock::now() + 2s;
  while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
    if (!receiver.WaitReadable(100ms)) continue;
    HostMessage m;
    while (receiver.Receive(&m)) got.push_back(m);
  }
  return got;
}

TEST(HostReceiver, MessagesArriveInOrderWithSignsIntactFromAnyThread) {
  HostReceiver receiver;
  const int64_t endpoint = receiver.ListenOnFreeEndpoint();
  ASSERT_NE(endpoint, 0);
  EXPECT_TRUE(receiver.IsListening());
  EXPECT_NE(receiver.ReadableHandle(), -1);
  const int64_t big = std::numeric_limits<int64_t>::max();
  const std::vector<HostMessage> sent = {{2023, -5, 0}, {2022, 300, 225}, {2021, 100, 40},
                                         {2020, big, std::numeric_limits<int64_t>::min()}};
  // The client posts from its worker thread, not from the host's.
  std::thread worker([&] {
    for (const HostMessage& m : sent) EXPECT_EQ(SendHostMessage(endpoint, m), HostSendResult::kSent);
  });
  worker.join();
  const std::vector<HostMessage> got = Collect(receiver, sent.size());
  ASSERT_EQ(got.size(), sent.size());
  for (size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(got[i].message, sent[i].message) << i;
    EXPECT_EQ(got[i].wParam, sent[i].wParam) << i;
    EXPECT_EQ(got[i].lParam, sent[i].lParam) << i;
  }
  HostMessage none;
  EXPECT_FALSE(receiver.Receive(&none));
  EXPECT_FALSE(receiver.WaitReadable(50ms));
}

TEST(HostReceiver, AClosedEndpointFailsAtOnceAndZeroIsNoHost) {
  HostReceiver receiver;
  const int64_t endpoint = receiver.ListenOnFreeEndpoint();
  ASSERT_NE(endpoint, 0);
  receiver.Close();
  EXPECT_FALSE(receiver.IsListening());
  EXPECT_EQ(receiver.Endpoint(), 0);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 100; ++i) EXPECT_EQ(SendHostMessage(endpoint, {2023, 4, 0}), HostSendResult::kNoListener);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
  EXPECT_EQ(SendHostMessage(0, {2023, 4, 0}), HostSendResult::kNoListener);
  EXPECT_FALSE(receiver.Listen(0));
  EXPECT_FALSE(receiver.WaitReadable(10ms));
}

TEST(HostReceiver, TwoReceiversHaveTwoEndpoints) {
  HostReceiver first, second;
  const int64_t a = first.ListenOnFreeEndpoint(), b = second.ListenOnFreeEndpoint();
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  EXPECT_NE(a, b);
  ASSERT_EQ(SendHostMessage(b, {2023, 3, 0}), HostSendResult::kSent);
  EXPECT_FALSE(first.WaitReadable(50ms));
  ASSERT_EQ(Collect(second, 1).size(), 1u);
}

// Run by the test below in a second process of this program: sends the
// outcome messages a client ends with to the endpoint named in ./endpoint.
TEST(HostSenderChild, SendsToTheEndpointNamedInItsFolder) {
  std::ifstream in("endpoint");
  long long endpoint = 0;
  if (!(in >> endpoint)) GTEST_SKIP() << "only as the second process of the test below";
  EXPECT_EQ(SendHostMessage(endpoint, {2023, 3, 0}), HostSendResult::kSent);
  EXPECT_EQ(SendHostMessage(endpoint, {2023, 4, -1}), HostSendResult::kSent);
}

TEST(HostReceiver, MessagesOfAnotherProcessArrive) {
  HostReceiver receiver;
  const int64_t endpoint = receiver.ListenOnFreeEndpoint();
  ASSERT_NE(endpoint, 0);
  testsupport::TempDir dir;
  dir.write("endpoint", std::to_string(endpoint));
  LaunchRequest request;
  request.program = common::NativePath(ModulePath());
  request.folder = std::filesystem::path(dir.path()).generic_string();
  request.arguments = {"--gtest_filter=HostSenderChild.*"};
  request.hidden = true;
  request.wait = true;
  ASSERT_EQ(Launch(request), kLaunchOk);
  const std::vector<HostMessage> got = Collect(receiver, 2);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].wParam, 3);
  EXPECT_EQ(got[1].wParam, 4);
  EXPECT_EQ(got[1].lParam, -1);
}

}  // namespace
}  // namespace platform
