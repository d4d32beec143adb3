#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "client/transfer/text_fetch.h"
#include "client/transfer/transfer_context.h"
#include "client/transfer/transfer_engine.h"
#include "recording_sink.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_servers.h"

using namespace transfer;
using testsupport::TempDir;
using transfer_test::LogRecorder;
using transfer_test::RecordingSink;

namespace {

class FtpTransfer : public ::testing::Test {
 protected:
  void SetUp() override {
    root_.write("top.txt", "top level");
    root_.write("pub/one.bin", std::string(10000, '1'));
    root_.write("pub/two.bin", std::string(20000, '2'));
    root_.write("pub/empty.bin", "");
    root_.write("pub/sub/deep.bin", "deep");
    root_.write("other/one.bin", "other one");
    root_.write("one.bin", "login folder one");
  }
  void StartServer(double idleTimeout = 300) {
    ASSERT_TRUE(server_.Start(root_.path().string(), "tester", "secret", commandLog_, idleTimeout));
  }
  std::unique_ptr<TransferEngine> Engine() {
    EngineOptions options;
    options.ftpTimeoutMs = 3000;
    options.ftpConnectAttempts = 2;
    options.stallSeconds = 5;
    return std::make_unique<TransferEngine>(context_, &sink_, nullptr, std::ref(log_), options);
  }
  // The commands the server received, one per line.
  std::vector<std::string> Commands() const {
    std::vector<std::string> out;
    std::istringstream in(TempDir::read(commandLog_));
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
  }
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const auto& c : Commands()) n += c.rfind(prefix, 0) == 0;
    return n;
  }

  TempDir root_{"ftp-root-"};
  TempDir out_{"ftp-out-"};
  std::string commandLog_ = out_.file("commands.log");
  testsupport::FtpTestServer server_;
  TransferContext context_;
  RecordingSink sink_;
  LogRecorder log_;
};

}  // namespace

TEST_F(FtpTransfer, ConnectLogsItsStepsAndReusesTheConnection) {
  StartServer();
  auto engine = Engine();
  ASSERT_EQ(engine->FtpConnect("127.0.0.1", "tester", "secret", server_.port()), 1);
  auto lines = log_.Lines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "FTP\xB7\xFE\xCE\xF1\xC6\xF7\xA3\xBA" "127.0.0.1");      // FTP服务器：
  EXPECT_EQ(lines[1], "\xD3\xC3\xBB\xA7\xC3\xFB\xA3\xBA" "tester");            // 用户名：
  EXPECT_EQ(lines[2], "\xBF\xDA\xC1\xEE\xA3\xBA\xB2\xBB\xCF\xD4\xCA\xBE");    // 口令：不显示
  EXPECT_EQ(lines[3], "\xB6\xCB\xBF\xDA\xA3\xBA" + std::to_string(server_.port()));  // 端口：
  EXPECT_EQ(lines[4], "FTP\xB7\xFE\xCE\xF1\xC6\xF7" "127.0.0.1\xC1\xAC\xBD\xD3\xB3\xC9\xB9\xA6");  // 连接成功
  EXPECT_EQ(context_.connectedServer, "127.0.0.1");
  // Already connected to that server: nothing new happens.
  ASSERT_EQ(engine->FtpConnect("127.0.0.1", "tester", "secret", server_.port()), 1);
  EXPECT_EQ(log_.Lines().size(), 5u);
  EXPECT_EQ(Count("USER"), 1);
}

TEST_F(FtpTransfer, ConnectFailuresAreLoggedAndLeaveNoConnection) {
  StartServer();
  auto engine = Engine();
  EXPECT_EQ(engine->FtpConnect("", "tester", "secret", server_.port()), 0);
  EXPECT_EQ(log_.Lines().back(), "\xB4\xED\xCE\xF3\xA3\xBA" "FTP\xB7\xFE\xCE\xF1\xC6\xF7\xC3\xFB\xB3\xC6\xB2\xBB\xC4\xDC"
                                 "\xCE\xAA\xBF\xD5\xA3\xA1");
  EXPECT_EQ(engine->FtpConnect("127.0.0.1", "tester", "wrong", server_.port()), 0);
  EXPECT_EQ(log_.Lines().back(), "FTP\xB7\xFE\xCE\xF1\xC6\xF7" "127.0.0.1\xC1\xAC\xBD\xD3\xCA\xA7\xB0\xDC");  // 连接失败
  EXPECT_EQ(Count("USER"), 2);  // every attempt logs in again
  EXPECT_EQ(context_.connectedServer, "");
  EXPECT_EQ(engine->FtpDownload("/pub/one.bin", out_.file("one.bin"), 0, 0), 0);
}

TEST_F(FtpTransfer, FilesOfOneFolderChangeFolderOnceInActiveMode) {
  StartServer();
  auto engine = Engine();
  ASSERT_EQ(engine->FtpConnect("127.0.0.1", "tester", "secret", server_.port()), 1);
  ASSERT_EQ(engine->FtpDownload("/pub/one.bin", out_.file("dl/one.bin"), 0, 0), 1);
  ASSERT_EQ(engine->FtpDownload("/pub/two.bin", out_.file("dl/two.bin"), 20000, 1), 1);
  EXPECT_EQ(TempDir::read(out_.file("dl/one.bin")), std::string(10000, '1'));
  EXPECT_EQ(TempDir::read(out_.file("dl/two.bin")), std::string(20000, '2'));
  EXPECT_EQ(Count("CWD"), 1);
  EXPECT_EQ(Count("USER"), 1);
  EXPECT_EQ(Count("RETR one.bin"), 1);
  EXPECT_EQ(Count("PASV") + Count("EPSV"), 0);
  EXPECT_EQ(Count("PORT") + Count("EPRT"), 2);
  EXPECT_EQ(Count("TYPE I"), Count("TYPE"));  // binary transfers only
  // The unknown size came from the server and went into the row.
  EXPECT_EQ(sink_.rowText[0], "(9.8KB)");
  EXPECT_EQ(sink_.rowText[1], "(19.5KB)");
  EXPECT_EQ(sink_.messages, (std::vector<std::string>{"OK!", "OK!"}));
  EXPECT_EQ(context_.currentRemoteDir, "/pub/");

  // A listing moves the server's folder: the next download changes again.
  std::vector<FtpEntry> entries;
  ASSERT_EQ(engine->FtpListFolder("/pub", entries), 1);
  EXPECT_EQ(context_.currentRemoteDir, "NoCD_qirra");
  ASSERT_EQ(engine->FtpDownload("/pub/one.bin", out_.file("dl/one-again.bin"), 0, 0), 1);
  EXPECT_EQ(Count("CWD"), 3);
  EXPECT_EQ(Count("USER"), 1);
}

TEST_F(FtpTransfer, PathWithoutSlashComesFromTheRootAndAnotherFolderChangesAgain) {
  StartServer();
  auto engine = Engine();
  ASSERT_EQ(engine->FtpConnect("127.0.0.1", "tester", "secret", server_.port()), 1);
  ASSERT_EQ(engine->FtpDownload("top.txt", out_.file("top.txt"), 0, 0), 1);
  EXPECT_EQ(TempDir::read(out_.file("top.txt")), "top level");
  ASSERT_EQ(engine->FtpDownload("/other/one.bin", out_.file("o.bin"), 0, 0), 1);
  EXPECT_EQ(TempDir::read(out_.file("o.bin")), "other one");
  auto cmds = Commands();
  std::vector<std::string> cwds;
  for (const auto& c : cmds)
    if (c.rfind("CWD", 0) == 0) cwds.push_back(c);
  EXPECT_EQ(cwds, (std::vector<std::string>{"CWD /", "CWD /other/"}));
}

TEST_F(FtpTransfer, MissingFolderFileAndEmptyFile) {
  StartServer();
  auto engine = Engine();
  ASSERT_EQ(engine->FtpConnect("127.0.0.1", "tester", "secret", server_.port()), 1);
  // 错误：无法在Ftp服务器中设置当前目录：
  EXPECT_EQ(engine->FtpDownload("/nowhere/a.bin", out_.file("a.bin"), 0, 0), 0);
  EXPECT_EQ(log_.Lines().back(), "\xB4\xED\xCE\xF3\xA3\xBA\xCE\xDE\xB7\xA8\xD4\xDA" "Ftp\xB7\xFE\xCE\xF1\xC6\xF7"
                                 "\xD6\xD0\xC9\xE8\xD6\xC3\xB5\xB1\xC7\xB0\xC4\xBF\xC2\xBC\xA3\xBA" "/nowhere/");
  // 错误：无法取得文件长度！ then 错误：无法在Ftp服务器中打开文件：
  EXPECT_EQ(engine->FtpDownload("/pub/missing.bin", out_.file("m.bin"), 0, 0), 0);
  auto lines = log_.Lines();
  EXPECT_EQ(lines[lines.size() - 2], "\xB4\xED\xCE\xF3\xA3\xBA\xCE\xDE\xB7\xA8\xC8\xA1\xB5\xC3\xCE\xC4\xBC\xFE\xB3\xA4"
                                     "\xB6\xC8\xA3\xA1");
  EXPECT_EQ(lines.back(), "\xB4\xED\xCE\xF3\xA3\xBA\xCE\xDE\xB7\xA8\xD4\xDA" "Ftp\xB7\xFE\xCE\xF1\xC6\xF7\xD6\xD0\xB4\xF2"
                          "\xBF\xAA\xCE\xC4\xBC\xFE\xA3\xBA" "missing.bin");
  EXPECT_FALSE(std::filesystem::exists(out_.file("m.bin")));
  // An empty remote file still gives an (empty) destination; it was found,
  // so its length of 0 is no error for the log.
  const size_t linesBefore = log_.Lines().size();
  EXPECT_EQ(engine->FtpDownload("/pub/empty.bin", out_.file("e.bin"), 0, 0), 1);
  EXPECT_TRUE(std::filesystem::exists(out_.file("e.bin")));
  EXPECT_EQ(log_.Lines().size(), linesBefore);
}

TEST_F(FtpTransfer, EngineOverAContextAnEarlierEngineConnectedNeedsItsOwnConnect) {
  StartServer();
  {
    auto first = Engine();
    ASSERT_EQ(first->FtpConnect("127.0.0.1", "tester", "secret", server_.port()), 1);
    ASSERT_EQ(first->FtpDownload("/pub/one.bin", out_.file("one.bin"), 0, 0), 1);
  }
  // The connection went with the first engine: the context must not claim it.
  auto second = Engine();
  EXPECT_EQ(context_.connectedServer, "");
  EXPECT_EQ(second->FtpDownload("/pub/two.bin", out_.file("two.bin"), 0, 0), 0);
  ASSERT_EQ(second->FtpConnect("127.0.0.1", "tester", "secret", server_.port()), 1);
  ASSERT_EQ(second->FtpDownload("/pub/one.bin", out_.file("again.bin"), 0, 0), 1);
  EXPECT_EQ(TempDir::read(out_.file("again.bin")), std::string(10000, '1'));
}

TEST_F(FtpTransfer, KnownSizeSkipRule) {
  StartServer();
  auto engine = Engine();
  ASSERT_EQ(engine->FtpConnect("127.0.0.1", "tester", "secret", server_.port()), 1);
  std::string dest = out_.write("one.bin", std::string(10000, 'x'));
  ASSERT_EQ(engine->FtpDownload("/pub/one.bin", dest, 10000, 0), 1);
  EXPECT_EQ(TempDir::read(dest), std::string(10000, 'x'));
  EXPECT_EQ(Count("RETR"), 0);
  EXPECT_EQ(Count("SIZE"), 0);
}

TEST_F(FtpTransfer, ListingGivesNamesSizesAndFolders) {
  StartServer();
  auto engine = Engine();
  ASSERT_EQ(engine->FtpConnect("127.0.0.1", "tester", "secret", server_.port()), 1);
  std::vector<FtpEntry> entries;
  ASSERT_EQ(engine->FtpListFolder("/pub", entries), 1);
  std::map<std::string, FtpEntry> byName;
  for (const auto& e : entries) byName[e.name] = e;
  ASSERT_EQ(byName.size(), 4u);
  EXPECT_EQ(byName["two.bin"].size, 20000);
  EXPECT_FALSE(byName["two.bin"].isFolder);
  EXPECT_TRUE(byName["sub"].isFolder);
  EXPECT_EQ(byName["empty.bin"].size, 0);
  // 无法打开服务器文件夹：
  EXPECT_EQ(engine->FtpListFolder("/nowhere", entries), 0);
  EXPECT_EQ(log_.Lines().back(), "\xCE\xDE\xB7\xA8\xB4\xF2\xBF\xAA\xB7\xFE\xCE\xF1\xC6\xF7\xCE\xC4\xBC\xFE\xBC\xD0\xA3\xBA"
                                 "/nowhere");
}

TEST_F(FtpTransfer, DroppedControlConnectionNeverFetchesFromTheLoginFolder) {
  StartServer(1.0);  // the server drops idle connections after a second
  auto engine = Engine();
  ASSERT_EQ(engine->FtpConnect("127.0.0.1", "tester", "secret", server_.port()), 1);
  ASSERT_EQ(engine->FtpDownload("/pub/two.bin", out_.file("two.bin"), 0, 0), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(1800));
  // Same folder as before, but over a new connection: one.bin must come
  // from /pub, not from the login folder that holds another one.bin.
  ASSERT_EQ(engine->FtpDownload("/pub/one.bin", out_.file("one.bin"), 0, 0), 1);
  EXPECT_EQ(TempDir::read(out_.file("one.bin")), std::string(10000, '1'));
}

TEST_F(FtpTransfer, FetchTextReadsInAsciiModeAndLogsEachStep) {
  root_.write("conf/server.ini", "[system]\r\nurls=x\r\n");
  StartServer();
  std::string url = "ftp://127.0.0.1:" + std::to_string(server_.port()) + "/conf/server.ini";
  LogRecorder log;
  EXPECT_EQ(FtpFetchText(url, "tester", "secret", std::ref(log), {.timeoutMs = 3000, .attempts = 2}),
            "[system]\nurls=x\n");
  auto lines = log.Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "\xC1\xAC\xBD\xD3" "FTP\xB7\xFE\xCE\xF1\xC6\xF7");                      // 连接FTP服务器
  EXPECT_EQ(lines[1], "\xC9\xE8\xD6\xC3\xB5\xB1\xC7\xB0\xC4\xBF\xC2\xBC\xCE\xAA\xA3\xBA" "/conf/");  // 设置当前目录为：
  EXPECT_EQ(lines[2], "\xB4\xF2\xBF\xAA\xCE\xC4\xBC\xFE\xA3\xBA" "server.ini");              // 打开文件：
  EXPECT_EQ(lines[3], "\xBF\xAA\xCA\xBC\xCF\xC2\xD4\xD8");                                  // 开始下载
  EXPECT_GE(Count("TYPE A"), 1);

  LogRecorder failed;
  EXPECT_EQ(FtpFetchText(url, "tester", "wrong", std::ref(failed), {.timeoutMs = 3000, .attempts = 2}), "");
  EXPECT_EQ(failed.Lines().back().substr(0, 4), "\xC1\xAC\xBD\xD3");
  EXPECT_EQ(failed.Lines().size(), 2u);
  EXPECT_EQ(FtpFetchText("ftp://127.0.0.1:" + std::to_string(server_.port()) + "/conf/none.ini", "tester", "secret",
                         std::ref(failed), {.timeoutMs = 3000, .attempts = 2}),
            "");
}
