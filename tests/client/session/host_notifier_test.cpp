#include "client/session/host_notifier.h"

#include <iconv.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "client/session/host_messages.h"
#include "tests/support/host_capture.h"

namespace {

using session::HostNotifier;
using testsupport::HostCapture;

std::vector<int64_t> Params(const std::vector<platform::HostMessage>& ms, int message,
                            bool lParam) {
  std::vector<int64_t> out;
  for (const auto& m : ms) {
    if (m.message == message) out.push_back(lParam ? m.lParam : m.wParam);
  }
  return out;
}

TEST(HostNotifier, OutcomeCodesArriveSignedWithZeroLParam) {
  HostCapture host;
  HostNotifier notifier;
  notifier.SetHostWindow(host.endpoint());
  for (int code : {3, -1, -2, -3, -4, -5, 1, 2, 4}) notifier.NotifyHost(code);
  ASSERT_TRUE(host.WaitFor(9));
  const std::vector<int64_t> want = {3, -1, -2, -3, -4, -5, 1, 2, 4};
  EXPECT_EQ(Params(host.messages(), session::kMsgOutcome, false), want);
  for (const auto& m : host.messages()) EXPECT_EQ(m.lParam, 0);
}

TEST(HostNotifier, WithoutHostNothingIsSent) {
  HostCapture host;
  // Watch endpoint 0 too: "no host" must not turn into a host named 0.
  int zero = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0);
  ASSERT_GE(zero, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string name = platform::HostEndpointName(0);
  std::memcpy(address.sun_path + 1, name.data(), name.size());
  const bool watchingZero =
      bind(zero, reinterpret_cast<sockaddr*>(&address),
           offsetof(sockaddr_un, sun_path) + 1 + name.size()) == 0;
  HostNotifier notifier;  // no "/HWND:": endpoint 0
  for (int code : {1, 2, 3, 4, -3}) notifier.NotifyHost(code);
  notifier.PostOverallProgress(100, 100);
  EXPECT_TRUE(notifier.ReportFileProgress(10, 5));  // the percent is still remembered
  EXPECT_EQ(notifier.LastPercent(), 50);
  // A host that appears later only sees what is sent after it became known.
  notifier.SetHostWindow(host.endpoint());
  notifier.NotifyHost(4);
  ASSERT_TRUE(host.WaitFor(1));
  host.Settle(100);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].wParam, 4);
  char buffer[64];
  if (watchingZero) {
    EXPECT_LT(recv(zero, buffer, sizeof(buffer), 0), 0);
  }
  close(zero);
}

TEST(HostNotifier, OverallProgressOfTwoFileItemsAndOneDirItem) {
  HostCapture host;
  HostNotifier notifier;
  notifier.SetHostWindow(host.endpoint());
  const int64_t range = 3 * 100;
  notifier.PostOverallProgress(range, 100);
  notifier.PostOverallProgress(range, 200);
  for (int k = 1; k <= 4; ++k) notifier.PostOverallProgress(range, session::DirItemPosition(2, k, 4));
  ASSERT_TRUE(host.WaitFor(6));
  EXPECT_EQ(Params(host.messages(), session::kMsgOverall, true),
            (std::vector<int64_t>{100, 200, 225, 250, 275, 300}));
  EXPECT_EQ(Params(host.messages(), session::kMsgOverall, false), std::vector<int64_t>(6, 300));
}

TEST(HostNotifier, DirItemPositionTruncatesEachStep) {
  EXPECT_EQ(session::DirItemPosition(0, 1, 3), 33);
  EXPECT_EQ(session::DirItemPosition(0, 2, 3), 66);
  EXPECT_EQ(session::DirItemPosition(1, 3, 3), 200);
  EXPECT_EQ(session::DirItemPosition(4, 0, 0), 400);  // empty dir item: no division by zero
}

TEST(HostNotifier, FileProgressPostsPercentThenBytesOnEachNewPercent) {
  HostCapture host;
  HostNotifier notifier;
  notifier.SetHostWindow(host.endpoint());
  EXPECT_EQ(notifier.LastPercent(), -1);
  EXPECT_TRUE(notifier.ReportFileProgress(1000, 400));
  EXPECT_TRUE(notifier.ReportFileProgress(1000, 800));
  EXPECT_FALSE(notifier.ReportFileProgress(1000, 805));  // still 80 %: nothing
  EXPECT_TRUE(notifier.ReportFileProgress(1000, 1000));
  ASSERT_TRUE(host.WaitFor(6));
  host.Settle(100);
  const auto& ms = host.messages();
  ASSERT_EQ(ms.size(), 6u);
  const int64_t want[6][3] = {{2021, 100, 40},   {2020, 1000, 400}, {2021, 100, 80},
                              {2020, 1000, 800}, {2021, 100, 100},  {2020, 1000, 1000}};
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(ms[i].message, want[i][0]) << i;
    EXPECT_EQ(ms[i].wParam, want[i][1]) << i;
    EXPECT_EQ(ms[i].lParam, want[i][2]) << i;
  }
}

TEST(HostNotifier, LastPercentIsSharedByAllFilesOfTheProcess) {
  HostNotifier notifier;
  EXPECT_TRUE(notifier.ReportFileProgress(1000, 1000));
  // The next file arriving in one chunk repeats 100: nothing new for the host.
  EXPECT_FALSE(notifier.ReportFileProgress(50, 50));
  EXPECT_TRUE(notifier.ReportFileProgress(3000, 1000));
  EXPECT_EQ(notifier.LastPercent(), 33);
}

TEST(HostNotifier, EmptyOrOverlongFilesReportWholePercents) {
  HostNotifier notifier;
  EXPECT_TRUE(notifier.ReportFileProgress(0, 0));  // no division by zero
  EXPECT_EQ(notifier.LastPercent(), 100);
  EXPECT_TRUE(notifier.ReportFileProgress(100, 0));
  EXPECT_EQ(notifier.LastPercent(), 0);
  EXPECT_TRUE(notifier.ReportFileProgress(100, 250));  // more than announced
  EXPECT_EQ(notifier.LastPercent(), 100);
  // Sizes past 2^31 bytes: no overflow in done x 100.
  EXPECT_TRUE(notifier.ReportFileProgress(int64_t{8} << 32, int64_t{4} << 32));
  EXPECT_EQ(notifier.LastPercent(), 50);
}

// A burst of progress fills the host's queue; the outcome that follows must
// still arrive once the host reads again.
TEST(HostNotifier, OutcomeSurvivesAFullQueue) {
  HostCapture host;
  HostNotifier notifier;
  notifier.SetHostWindow(host.endpoint());
  std::atomic<bool> notifying{false};
  bool wasFull = false;
  std::chrono::steady_clock::duration callTook{};
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i) notifier.PostOverallProgress(5000, i);
    wasFull = platform::SendHostMessage(host.endpoint(), {2022, 0, 0}) ==
              platform::HostSendResult::kQueueFull;
    notifying = true;
    // The caller may be the window thread: it must not wait for the host.
    const auto start = std::chrono::steady_clock::now();
    notifier.NotifyHost(session::kOutcomeDownloadFailed);
    notifier.NotifyHost(session::kOutcomeExit);  // queued behind, never ahead
    callTook = std::chrono::steady_clock::now() - start;
  });
  while (!notifying) std::this_thread::yield();
  // The host is busy for a moment, then reads again.
  std::this_thread::sleep_for(std::chrono::milliseconds(40));
  bool seen = false;
  for (size_t n = 1; n < 100 && !seen && host.WaitFor(n, 1000); ++n) {
    seen = host.messages().back().message == session::kMsgOutcome;
  }
  worker.join();
  notifier.Flush();
  host.Settle(100);
  EXPECT_TRUE(wasFull);
  ASSERT_TRUE(seen);
  EXPECT_LT(callTook, std::chrono::milliseconds(20));
  EXPECT_EQ(Params(host.messages(), session::kMsgOutcome, false), (std::vector<int64_t>{-3, 4}));
}

// A host busy for two seconds (a modal dialog, a long save) while a
// download's progress floods its queue: progress may be lost, but the
// outcomes it acts on arrive, in the order they were posted.
TEST(HostNotifier, OutcomesWaitForAHostBusyForTwoSeconds) {
  HostCapture host;
  HostNotifier notifier;
  notifier.SetHostWindow(host.endpoint());
  std::thread worker([&] {
    notifier.NotifyHost(session::kOutcomeNewVersion);
    for (int i = 0; i < 300; ++i) notifier.PostOverallProgress(300, i);
    notifier.NotifyHost(session::kOutcomeSuccess);
    notifier.NotifyHost(session::kOutcomeExit);
  });
  // No event loop runs here: nothing is read for two seconds.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  worker.join();
  std::vector<int64_t> outcomes;
  for (size_t n = 1; n < 400 && outcomes.size() < 3 && host.WaitFor(n, 2000); ++n) {
    outcomes = Params(host.messages(), session::kMsgOutcome, false);
  }
  notifier.Flush();
  host.Settle(100);
  EXPECT_EQ(Params(host.messages(), session::kMsgOutcome, false), (std::vector<int64_t>{3, 1, 4}));
  EXPECT_LT(host.messages().size(), 300u);  // the burst did not all fit: some progress was dropped
}

std::string GbkToUtf8(std::string_view gbk) {
  iconv_t cd = iconv_open("UTF-8", "GBK");
  std::string in(gbk), out(in.size() * 3 + 4, '\0');
  char* inPtr = in.data();
  char* outPtr = out.data();
  size_t inLeft = in.size(), outLeft = out.size();
  size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return "<invalid GBK>";
  out.resize(out.size() - outLeft);
  return out;
}

TEST(HostMessages, LogLinesForEachOutcomeAreTheExpectedGbkTexts) {
  struct Case {
    int code;
    const char* notice;
    const char* follow;
  };
  const Case cases[] = {
      {1, "发“升级成功”消息(1)通知宿主程序。", ""},
      {2, "发“未发现新版本”消息(2)通知宿主程序。", ""},
      {3, "发“发现新版本”消息(3)通知宿主程序。", ""},
      {4, "发“退出升级程序”消息(4)通知宿主程序。", ""},
      {-1, "发“配置文件解析错误，退出升级程序”消息(-1)通知宿主程序。", ""},
      {-2, "发“下载前强制退出”消息(-2)通知宿主程序。", "下载前强制退出升级过程。"},
      {-3, "发“下载失败退出，或是强制退出下载过程。”消息(-3)通知宿主程序。",
       "下载失败或是强制退出下载过程！"},
      {-4, "发“下载完成后强制退出”消息(-4)通知宿主程序。", "下载完成后强制退出升级过程。"},
      {-5, "发“无网络，退出升级程序”消息(-5)通知宿主程序。", ""},
  };
  for (const Case& c : cases) {
    const session::OutcomeLogLines lines = session::OutcomeLog(c.code);
    EXPECT_EQ(GbkToUtf8(lines.notice), c.notice) << c.code;
    EXPECT_EQ(GbkToUtf8(lines.follow), c.follow) << c.code;
  }
  EXPECT_TRUE(session::OutcomeLog(0).notice.empty());
  EXPECT_TRUE(session::OutcomeLog(5).notice.empty());
}

}  // namespace
