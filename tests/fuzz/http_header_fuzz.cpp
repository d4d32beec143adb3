// The client's HTTP answer handling over any bytes a server may send: a
// loopback server answers every request with the input (status line,
// headers, body as they come), and the configuration fetch, the
// availability check and the download each read it. The process's proxy
// is pointed at the same server, so a redirect to any host stays on
// 127.0.0.1. A download that succeeds must have written exactly the length
// it was announced.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "client/download/memory_fetcher.h"
#include "client/stage/transfer_context.h"
#include "client/download/transfer_engine.h"

namespace {

namespace fs = std::filesystem;

class LoopbackServer {
 public:
  LoopbackServer() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&addr), len) != 0 || listen(listener_, 16) != 0) std::abort();
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    std::thread([this] { Serve(); }).detach();
  }

  int Port() const { return port_; }
  void SetAnswer(std::string answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    answer_ = std::move(answer);
  }

 private:
  void Serve() {
    for (;;) {
      const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      // The request up to its blank line (or whatever fits), then the answer.
      std::string request;
      char buf[4096];
      while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        request.append(buf, static_cast<size_t>(n));
      }
      std::string answer;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        answer = answer_;
      }
      for (size_t sent = 0; sent < answer.size();) {
        const ssize_t n = send(fd, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
      }
      shutdown(fd, SHUT_RDWR);
      close(fd);
    }
  }

  int listener_ = -1;
  int port_ = 0;
  std::mutex mutex_;
  std::string answer_;
};

LoopbackServer& Server() {
  static LoopbackServer* server = [] {
    auto* s = new LoopbackServer();
    const std::string proxy = "http://127.0.0.1:" + std::to_string(s->Port());
    setenv("http_proxy", proxy.c_str(), 1);
    setenv("https_proxy", proxy.c_str(), 1);
    setenv("HTTPS_PROXY", proxy.c_str(), 1);
    unsetenv("no_proxy");
    unsetenv("NO_PROXY");
    return s;
  }();
  return *server;
}

const fs::path& WorkFolder() {
  static const fs::path folder = [] {
    fs::path p = fs::temp_directory_path() / ("upgrade-http-header-fuzz-" + std::to_string(getpid()));
    fs::create_directories(p);
    return p;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LoopbackServer& server = Server();
  server.SetAnswer(std::string(reinterpret_cast<const char*>(data), size));
  const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/cfg/server.ini";

  transfer::MemoryFetcher fetcher;
  fetcher.SetTotalTimeout(5000);
  std::string text;
  (void)fetcher.FetchToMemory(url, text);

  transfer::TransferContext context;
  transfer::EngineOptions options;
  options.stallSeconds = 5;
  options.checkTimeoutMs = 5000;
  transfer::TransferEngine engine(context, nullptr, nullptr, {}, options);
  std::string message;
  (void)engine.HttpCheck(url, message);
  const fs::path destination = WorkFolder() / "item.bin";
  std::error_code ec;
  fs::remove(destination, ec);
  if (engine.HttpDownload(url, destination.string(), 0) == 1) {
    // The announced length, and only it, reached the file.
    const auto written = fs::file_size(destination, ec);
    if (ec || written == 0 || written > size) std::abort();
  }
  return 0;
}
