#include "platform/host_channel.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <thread>
#include <vector>

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

}  // namespace
}  // namespace platform
