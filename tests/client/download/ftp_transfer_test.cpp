#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "client/download/text_fetch.h"
#include "client/stage/transfer_context.h"
#include "client/download/transfer_engine.h"
#include "common/gbk.h"
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
  // An engine connected to a freshly started server; null when the
  // connection failed.
  std::unique_ptr<TransferEngine> ConnectedEngine() {
    StartServer();
    auto engine = Engine();
    if (engine->FtpConnect("127.0.0.1", "tester", "secret", server_.port()) != 1) return nullptr;
    return engine;
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
  auto engine = ConnectedEngine();
  ASSERT_TRUE(engine);
  auto lines = log_.Lines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], common::Gbk("FTP服务器：127.0.0.1"));
  EXPECT_EQ(lines[1], common::Gbk("用户名：tester"));
  EXPECT_EQ(lines[2], common::Gbk("口令：不显示"));
  EXPECT_EQ(lines[3], common::Gbk("端口：") + std::to_string(server_.port()));
  EXPECT_EQ(lines[4], common::Gbk("FTP服务器127.0.0.1连接成功"));
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
  EXPECT_EQ(log_.Lines().back(), common::Gbk("错误：FTP服务器名称不能为空！"));
  EXPECT_EQ(engine->FtpConnect("127.0.0.1", "tester", "wrong", server_.port()), 0);
  EXPECT_EQ(log_.Lines().back(), common::Gbk("FTP服务器127.0.0.1连接失败"));
  EXPECT_EQ(Count("USER"), 2);  // every attempt logs in again
  EXPECT_EQ(context_.connectedServer, "");
  EXPECT_EQ(engine->FtpDownload("/pub/one.bin", out_.file("one.bin"), 0, 0), 0);
}

TEST_F(FtpTransfer, FilesOfOneFolderChangeFolderOnceInActiveMode) {
  auto engine = ConnectedEngine();
  ASSERT_TRUE(engine);
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
  auto engine = ConnectedEngine();
  ASSERT_TRUE(engine);
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
  auto engine = ConnectedEngine();
  ASSERT_TRUE(engine);
  EXPECT_EQ(engine->FtpDownload("/nowhere/a.bin", out_.file("a.bin"), 0, 0), 0);
  EXPECT_EQ(log_.Lines().back(), common::Gbk("错误：无法在Ftp服务器中设置当前目录：/nowhere/"));
  EXPECT_EQ(engine->FtpDownload("/pub/missing.bin", out_.file("m.bin"), 0, 0), 0);
  auto lines = log_.Lines();
  EXPECT_EQ(lines[lines.size() - 2], common::Gbk("错误：无法取得文件长度！"));
  EXPECT_EQ(lines.back(), common::Gbk("错误：无法在Ftp服务器中打开文件：missing.bin"));
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
  auto engine = ConnectedEngine();
  ASSERT_TRUE(engine);
  std::string dest = out_.write("one.bin", std::string(10000, 'x'));
  ASSERT_EQ(engine->FtpDownload("/pub/one.bin", dest, 10000, 0), 1);
  EXPECT_EQ(TempDir::read(dest), std::string(10000, 'x'));
  EXPECT_EQ(Count("RETR"), 0);
  EXPECT_EQ(Count("SIZE"), 0);
}

TEST_F(FtpTransfer, ListingGivesNamesSizesAndFolders) {
  auto engine = ConnectedEngine();
  ASSERT_TRUE(engine);
  std::vector<FtpEntry> entries;
  ASSERT_EQ(engine->FtpListFolder("/pub", entries), 1);
  std::map<std::string, FtpEntry> byName;
  for (const auto& e : entries) byName[e.name] = e;
  ASSERT_EQ(byName.size(), 4u);
  EXPECT_EQ(byName["two.bin"].size, 20000);
  EXPECT_FALSE(byName["two.bin"].isFolder);
  EXPECT_TRUE(byName["sub"].isFolder);
  EXPECT_EQ(byName["empty.bin"].size, 0);
  EXPECT_EQ(engine->FtpListFolder("/nowhere", entries), 0);
  EXPECT_EQ(log_.Lines().back(), common::Gbk("无法打开服务器文件夹：/nowhere"));
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
  EXPECT_EQ(lines[0], common::Gbk("连接FTP服务器"));
  EXPECT_EQ(lines[1], common::Gbk("设置当前目录为：/conf/"));
  EXPECT_EQ(lines[2], common::Gbk("打开文件：server.ini"));
  EXPECT_EQ(lines[3], common::Gbk("开始下载"));
  EXPECT_GE(Count("TYPE A"), 1);

  LogRecorder failed;
  EXPECT_EQ(FtpFetchText(url, "tester", "wrong", std::ref(failed), {.timeoutMs = 3000, .attempts = 2}), "");
  EXPECT_EQ(failed.Lines().back().substr(0, 4), common::Gbk("连接"));
  EXPECT_EQ(failed.Lines().size(), 2u);
  EXPECT_EQ(FtpFetchText("ftp://127.0.0.1:" + std::to_string(server_.port()) + "/conf/none.ini", "tester", "secret",
                         std::ref(failed), {.timeoutMs = 3000, .attempts = 2}),
            "");
}
