#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <thread>

#include "client/download/memory_fetcher.h"
#include "client/stage/transfer_context.h"
#include "client/download/transfer_engine.h"
#include "client/session/host_notifier.h"
#include "common/gbk.h"
#include "recording_sink.h"
#include "tests/support/host_capture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_servers.h"

using namespace transfer;
using testsupport::TempDir;
using transfer_test::LogRecorder;
using transfer_test::RecordingSink;

namespace {

const std::string kAlreadyDownloaded = common::Gbk("此文件以前下载过，不用再下载了。");

std::string Pattern(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + 7) % 251);
  return s;
}

class HttpTransfer : public ::testing::Test {
 protected:
  void SetUp() override {
    files_.write("a.bin", Pattern(50000));
    files_.write("big.bin", Pattern(400000));
    testsupport::HttpServerOptions options;
    options.logFile = requestLog_;
    ASSERT_TRUE(server_.Start(files_.path().string(), options));
  }

  std::unique_ptr<TransferEngine> Engine(EngineOptions options = {}) {
    options.stallSeconds = 2;
    return std::make_unique<TransferEngine>(context_, &sink_, nullptr, std::ref(log_), options);
  }
  // Body bytes of files the server has written so far.
  uint64_t SentByServer() {
    transfer::MemoryFetcher fetcher;
    std::string text;
    if (!fetcher.FetchToMemory(Url("/sent"), text)) return 0;
    return std::stoull(text);
  }

  std::string Url(const std::string& path) const { return server_.BaseUrl() + path; }
  std::string Requests() const { return TempDir::read(requestLog_); }

  TempDir files_{"http-files-"};
  TempDir out_{"http-out-"};
  std::string requestLog_ = out_.file("requests.log");
  testsupport::HttpTestServer server_;
  TransferContext context_;
  RecordingSink sink_;
  LogRecorder log_;
};

}  // namespace

TEST_F(HttpTransfer, CheckAnswersWithTheStatusTableWithoutReadingTheFile) {
  auto engine = Engine();
  std::string message = "stale";
  EXPECT_EQ(engine->HttpCheck(Url("/files/a.bin"), message), 1);
  EXPECT_EQ(message, "");
  EXPECT_EQ(engine->HttpCheck(Url("/files/missing.bin"), message), 0);
  EXPECT_EQ(message, common::Gbk("Http错误404: 无法找到文件"));
  EXPECT_EQ(engine->HttpCheck(Url("/status/500"), message), 0);
  // Two blanks after the colon from 407 on.
  EXPECT_EQ(message, common::Gbk("Http错误500:  内部服务器错误"));
  EXPECT_EQ(engine->HttpCheck(Url("/status/503"), message), 0);
  EXPECT_EQ(message, "");
  EXPECT_EQ(engine->HttpCheck(Url("/redirect/a.bin"), message), 1);
  // A big body is not asked for: the check is a HEAD.
  EXPECT_EQ(engine->HttpCheck(Url("/files/big.bin?chunk=1000&delay=0.5"), message), 1);
  EXPECT_NE(Requests().find("HEAD /files/a.bin"), std::string::npos);
  EXPECT_EQ(Requests().find("GET /files/a.bin"), std::string::npos);
  // A server that refuses HEAD gets a GET of one byte; a missing file still
  // gives its status.
  EXPECT_EQ(engine->HttpCheck(Url("/nohead/big.bin"), message), 1);
  EXPECT_EQ(engine->HttpCheck(Url("/nohead/missing.bin"), message), 0);
  EXPECT_EQ(message, common::Gbk("Http错误404: 无法找到文件"));
  EXPECT_EQ(SentByServer(), 1u);

  testsupport::HttpTestServer gone;  // a port nobody listens on
  ASSERT_TRUE(gone.Start(files_.path().string()));
  std::string deadUrl = gone.BaseUrl() + "/files/a.bin";
  gone.Stop();
  EXPECT_EQ(engine->HttpCheck(deadUrl, message), 0);
  EXPECT_EQ(message, "");
}

// Measured at the server: an item checked and downloaded costs the file's
// bytes once, with or without HEAD.
TEST_F(HttpTransfer, CheckAndDownloadSendTheFileOnce) {
  files_.write("item.bin", Pattern(712120));
  auto engine = Engine();
  for (const char* route : {"/files/item.bin", "/nohead/item.bin"}) {
    SCOPED_TRACE(route);
    const uint64_t before = SentByServer();
    std::string message;
    ASSERT_EQ(engine->HttpCheck(Url(route), message), 1);
    const std::string dest = out_.file("item.bin");
    std::filesystem::remove(dest);
    ASSERT_EQ(engine->HttpDownload(Url(route), dest, 1), 1);
    EXPECT_LE(SentByServer() - before, 712120u + 1u);
  }
}

TEST_F(HttpTransfer, DownloadWritesTheFileAndReportsSizeProgressAndOk) {
  auto engine = Engine();
  std::string dest = out_.file("a.bin");
  ASSERT_EQ(engine->HttpDownload(Url("/files/a.bin"), dest, 1), 1);
  EXPECT_EQ(TempDir::read(dest), Pattern(50000));
  EXPECT_EQ(sink_.rowText[1], "(48.8KB)");
  EXPECT_EQ(sink_.fileBar.front(), 0);
  EXPECT_EQ(sink_.fileBar.back(), 100);
  EXPECT_EQ(sink_.rowProgress[1], 100);
  EXPECT_EQ(sink_.messages.back(), "OK!");
  EXPECT_EQ(context_.OpenFileCount(), 0u);
  // Sent as the client always asks: any type, no cache.
  std::string echo;
  ASSERT_EQ(engine->HttpDownload(Url("/echo/x"), out_.file("echo.txt"), 0), 1);
  echo = TempDir::read(out_.file("echo.txt"));
  EXPECT_NE(echo.find("Accept: */*"), std::string::npos);
  EXPECT_NE(echo.find("User-Agent: Agent0"), std::string::npos);
  EXPECT_NE(echo.find("Pragma: no-cache"), std::string::npos);
}

TEST_F(HttpTransfer, HostReceivesFileProgressOnlyWhenThePercentChanges) {
  files_.write("k.bin", std::string(1000, 'k'));
  testsupport::HostCapture capture;
  session::HostNotifier host;
  host.SetHostWindow(capture.endpoint());
  TransferEngine engine(context_, &sink_, &host, {});
  // 1000 bytes in chunks of 400, then the same file again: already there,
  // so no byte progress and no message.
  ASSERT_EQ(engine.HttpDownload(Url("/files/k.bin?chunk=400&delay=0.1"), out_.file("k.bin"), 0), 1);
  ASSERT_EQ(engine.HttpDownload(Url("/files/k.bin"), out_.file("k.bin"), 0), 1);
  ASSERT_TRUE(capture.WaitFor(6));
  capture.Settle();
  const std::vector<std::array<int64_t, 3>> expected = {{2021, 100, 40},  {2020, 1000, 400}, {2021, 100, 80},
                                                        {2020, 1000, 800}, {2021, 100, 100}, {2020, 1000, 1000}};
  ASSERT_EQ(capture.messages().size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(capture.messages()[i].message, expected[i][0]) << i;
    EXPECT_EQ(capture.messages()[i].wParam, expected[i][1]) << i;
    EXPECT_EQ(capture.messages()[i].lParam, expected[i][2]) << i;
  }
}

TEST_F(HttpTransfer, NonAsciiPathGoesOutAsUtf8Escapes) {
  files_.write("中文 a.bin", "hello");  // UTF-8 on disk
  auto engine = Engine();
  std::string dest = out_.file(common::Gbk("中.bin"));  // a GBK destination
  ASSERT_EQ(engine->HttpDownload(Url("/files/" + common::Gbk("中文 a.bin")), dest, 0), 1);
  EXPECT_NE(Requests().find("GET /files/%E4%B8%AD%E6%96%87%20a.bin"), std::string::npos);
  EXPECT_EQ(TempDir::read(out_.file("中.bin")), "hello");
}

TEST_F(HttpTransfer, DestinationOfTheAnnouncedLengthIsNotFetchedAgain) {
  auto engine = Engine();
  std::string dest = out_.write("a.bin", std::string(50000, 'k'));
  ASSERT_EQ(engine->HttpDownload(Url("/files/a.bin"), dest, 0), 1);
  EXPECT_EQ(TempDir::read(dest), std::string(50000, 'k'));
  EXPECT_TRUE(log_.Has(kAlreadyDownloaded));
  EXPECT_EQ(sink_.fileBar.back(), 100);
  EXPECT_EQ(sink_.rowProgress[0], 100);

  // Another length: overwritten.
  out_.write("a.bin", std::string(49999, 'k'));
  ASSERT_EQ(engine->HttpDownload(Url("/files/a.bin"), dest, 0), 1);
  EXPECT_EQ(TempDir::read(dest), Pattern(50000));
}

TEST_F(HttpTransfer, DownloadFailsWithoutUsableLengthOrOnAnErrorStatus) {
  auto engine = Engine();
  EXPECT_EQ(engine->HttpDownload(Url("/nolength/a.bin"), out_.file("n.bin"), 0), 0);
  EXPECT_EQ(engine->HttpDownload(Url("/zerolength"), out_.file("z.bin"), 0), 0);
  // An error page is not saved as the file, whatever its length.
  EXPECT_EQ(engine->HttpDownload(Url("/files/missing.bin"), out_.file("m.bin"), 0), 0);
  EXPECT_FALSE(std::filesystem::exists(out_.file("m.bin")));
  EXPECT_TRUE(sink_.messages.empty());
  // Two Content-Length headers that disagree: neither body is the file.
  EXPECT_EQ(engine->HttpDownload(Url("/twolengths/a.bin"), out_.file("t.bin"), 0), 0);
  EXPECT_FALSE(std::filesystem::exists(out_.file("t.bin")));
  // A destination that cannot be created.
  EXPECT_EQ(engine->HttpDownload(Url("/files/a.bin"), out_.file("no/such/dir/a.bin"), 0), 0);
}

TEST_F(HttpTransfer, StopRequestMidTransferLeavesThePartialFileAndFails) {
  auto engine = Engine();
  std::string dest = out_.file("big.bin");
  int result = -1;
  std::thread worker([&] { result = engine->HttpDownload(Url("/files/big.bin?chunk=20000&delay=0.05"), dest, 0); });
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  std::error_code ec;
  while ((std::filesystem::file_size(dest, ec) == 0 || ec) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  context_.RequestStop();
  worker.join();
  EXPECT_EQ(result, 0);
  auto size = std::filesystem::file_size(dest);
  EXPECT_GT(size, 0u);
  EXPECT_LT(size, 400000u);
  EXPECT_TRUE(sink_.messages.empty());
}

TEST_F(HttpTransfer, PausedGateHoldsTheWorkerUntilResumed) {
  auto engine = Engine();
  context_.paused = true;
  std::string dest = out_.file("a.bin");
  std::atomic<int> result{-1};
  std::thread worker([&] { result = engine->HttpDownload(Url("/files/a.bin?chunk=10000&delay=0.01"), dest, 0); });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(result.load(), -1);  // held after its first chunk
  context_.paused = false;
  context_.resumeEvent.Set();
  worker.join();
  EXPECT_EQ(result.load(), 1);
  EXPECT_EQ(TempDir::read(dest), Pattern(50000));
}

TEST_F(HttpTransfer, ClosingTheOpenDestinationFromTheWindowFailsTheTransfer) {
  auto engine = Engine();
  std::string dest = out_.file("big.bin");
  std::atomic<int> result{-1};
  std::thread worker([&] { result = engine->HttpDownload(Url("/files/big.bin?chunk=20000&delay=0.05"), dest, 0); });
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (context_.OpenFileCount() == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  context_.CloseOpenFiles();
  worker.join();
  EXPECT_EQ(result.load(), 0);
}

TEST_F(HttpTransfer, DownloadBelowTheLowSpeedLimitFailsButAPauseDoesNotCount) {
  EngineOptions options;
  options.lowSpeedBytes = 1024;
  options.lowSpeedSeconds = 1;
  auto engine = Engine(options);
  // 100 bytes every 0.1 s: steady, never stalled, but under 1 KB/s.
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(engine->HttpDownload(Url("/files/big.bin?chunk=100&delay=0.1"), out_.file("slow.bin"), 0), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  // Held by the pause gate well past the window, then fast: no failure.
  context_.paused = true;
  std::atomic<int> result{-1};
  std::thread worker([&] { result = engine->HttpDownload(Url("/files/a.bin?chunk=10000&delay=0.01"), out_.file("a.bin"), 0); });
  std::this_thread::sleep_for(std::chrono::milliseconds(1600));
  context_.paused = false;
  context_.resumeEvent.Set();
  worker.join();
  EXPECT_EQ(result.load(), 1);
}

// A file that claims to be huge: at 1.3 KB/s (above the low-speed limit)
// a terabyte would take years, and no disk holds 10^17 bytes.
TEST_F(HttpTransfer, DownloadThatCannotEndInTimeOrFitOnDiskFails) {
  EngineOptions options;
  options.lowSpeedBytes = 1024;
  options.lowSpeedSeconds = 2;
  auto engine = Engine(options);
  // Half the free space fits, but takes far more than a day at 1.3 KB/s.
  const uint64_t fits = std::filesystem::space(out_.path()).available / 2;
  ASSERT_GT(fits, 200000000u);
  struct Case {
    std::string claim;
    const char* logged;
  } cases[] = {{std::to_string(fits), "错误：按当前速度下载此文件所需时间过长，放弃："},
               {"100000000000000000", "错误：文件大小超过磁盘剩余空间，放弃下载："}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.claim);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(engine->HttpDownload(Url("/claims/" + c.claim), out_.file("huge.bin"), 0), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    EXPECT_TRUE(log_.Has(common::Gbk(c.logged) + out_.file("huge.bin")));
  }
  // A small file at the same rate is well within the limit.
  options.maxExpectedSeconds = 24 * 60 * 60;
  files_.write("small.bin", Pattern(3000));
  EXPECT_EQ(Engine(options)->HttpDownload(Url("/files/small.bin?chunk=300&delay=0.1"), out_.file("small.bin"), 0), 1);
}

TEST_F(HttpTransfer, StalledServerEndsTheTransferAsFailure) {
  auto engine = Engine();  // 2 s without data
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(engine->HttpDownload(Url("/stall/big.bin"), out_.file("s.bin"), 0), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(std::filesystem::file_size(out_.file("s.bin")), 200000u);
}

TEST_F(HttpTransfer, FetchToMemoryKeepsBodyStatusAndHeaders) {
  MemoryFetcher fetcher;
  std::string text;
  ASSERT_EQ(fetcher.FetchToMemory(Url("/files/a.bin"), text), 1);
  EXPECT_EQ(text, Pattern(50000));
  EXPECT_EQ(fetcher.StatusCode(), 200);
  EXPECT_NE(fetcher.Headers().find("Content-Length: 50000\r\n"), std::string::npos);
  EXPECT_EQ(fetcher.StatusText(), "");
  // The status code stays with the fetcher; the body is read whatever it is.
  ASSERT_EQ(fetcher.FetchToMemory(Url("/status/404"), text), 1);
  EXPECT_EQ(fetcher.StatusCode(), 404);
  EXPECT_EQ(text, "status 404");
  EXPECT_EQ(fetcher.ErrorText(), "");
}

TEST_F(HttpTransfer, FetchToMemoryRefusesAnEndlessAnswerAndReportsFailures) {
  MemoryFetcher fetcher;
  std::string text;
  EXPECT_EQ(fetcher.FetchToMemory(Url("/endless"), text), 0);
  EXPECT_TRUE(text.empty());
  EXPECT_FALSE(fetcher.ErrorText().empty());

  fetcher.SetReceiveTimeout(500);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(fetcher.FetchToMemory(Url("/stall/big.bin"), text), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(fetcher.ErrorText().empty());
}

TEST(FetcherStatusText, TextsOfTheRequestStatusCodes) {
  EXPECT_EQ(MemoryFetcher::StatusCallbackText(10, "host"), "Resolving name for host");
  EXPECT_EQ(MemoryFetcher::StatusCallbackText(20), "Connecting to socket address ");
  EXPECT_EQ(MemoryFetcher::StatusCallbackText(100, {}, 0x1234, 0, true),
            "Request complete, dwResult = 00001234, dwError = 00000000");
  EXPECT_EQ(MemoryFetcher::StatusCallbackText(100), "Request complete");
  EXPECT_EQ(MemoryFetcher::StatusCallbackText(60), "");
  EXPECT_EQ(MemoryFetcher::StatusCallbackText(77), "Unknown status: 77");
}

class HttpsTransfer : public ::testing::Test {
 protected:
  void SetUp() override {
    files_.write("a.bin", "secure");
    ASSERT_TRUE(testsupport::MakeTestCertificates(certs_.path().string(), certs));
    testsupport::HttpServerOptions options;
    options.certFile = certs.serverCert;
    options.keyFile = certs.serverKey;
    ASSERT_TRUE(server_.Start(files_.path().string(), options));
  }
  TempDir files_{"https-files-"};
  TempDir certs_{"https-certs-"};
  TempDir out_{"https-out-"};
  testsupport::TestCertificates certs;
  testsupport::HttpTestServer server_;
  TransferContext context_;
};

TEST_F(HttpsTransfer, TrustedThroughTheCaOptionRejectedWithout) {
  std::string message;
  EngineOptions options;
  options.caFile = certs.caCert;
  TransferEngine trusting(context_, nullptr, nullptr, {}, options);
  EXPECT_EQ(trusting.HttpCheck(server_.BaseUrl() + "/files/a.bin", message), 1);
  ASSERT_EQ(trusting.HttpDownload(server_.BaseUrl() + "/files/a.bin", out_.file("a.bin"), 0), 1);
  EXPECT_EQ(TempDir::read(out_.file("a.bin")), "secure");

  // The system store does not know the test CA: like an unreachable server.
  TransferEngine strict(context_, nullptr, nullptr, {});
  EXPECT_EQ(strict.HttpCheck(server_.BaseUrl() + "/files/a.bin", message), 0);
  EXPECT_EQ(message, "");
  EXPECT_EQ(strict.HttpDownload(server_.BaseUrl() + "/files/a.bin", out_.file("b.bin"), 0), 0);

  MemoryFetcher fetcher;
  std::string text;
  EXPECT_EQ(fetcher.FetchToMemory(server_.BaseUrl() + "/files/a.bin", text), 0);
  fetcher.SetCaFile(certs.caCert);
  EXPECT_EQ(fetcher.FetchToMemory(server_.BaseUrl() + "/files/a.bin", text), 1);
  EXPECT_EQ(text, "secure");
}
