#include "tests/support/test_servers.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "tests/support/run_command.h"

namespace testsupport {

ServerProcess::~ServerProcess() { Stop(); }

bool ServerProcess::Start(const std::vector<std::string>& argv) {
  Stop();
  // Built before fork: the child of a threaded process may only call
  // async-signal-safe functions.
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return false;
  }
  if (pid == 0) {
    dup2(fds[1], 1);
    execv(args[0], args.data());
    _exit(127);
  }
  close(fds[1]);
  pid_ = pid;
  std::string line;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char buf[256];
    ssize_t n = read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    line.append(buf, static_cast<size_t>(n));
  }
  close(fds[0]);
  if (line.rfind("PORT ", 0) != 0) {
    Stop();
    return false;
  }
  port_ = std::atoi(line.c_str() + 5);
  return port_ > 0;
}

void ServerProcess::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 50; ++i) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        break;
      }
      usleep(20000);
    }
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
  }
  pid_ = -1;
  port_ = 0;
}

bool HttpTestServer::Start(const std::string& root, const HttpServerOptions& options) {
  std::vector<std::string> argv{kPython, SupportDir() + "/http_test_server.py", "--root", root};
  if (!options.certFile.empty()) {
    argv.insert(argv.end(), {"--cert", options.certFile, "--key", options.keyFile});
  }
  if (!options.logFile.empty()) argv.insert(argv.end(), {"--log", options.logFile});
  tls_ = !options.certFile.empty();
  return ServerProcess::Start(argv);
}

std::string HttpTestServer::BaseUrl() const {
  return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port());
}

bool FtpTestServer::Start(const std::string& root, const std::string& user, const std::string& password,
                          const std::string& logFile, double idleTimeoutSeconds) {
  std::vector<std::string> argv{kPython, SupportDir() + "/ftp_test_server.py", "--root", root,
                                "--user",  user, "--password", password};
  if (!logFile.empty()) argv.insert(argv.end(), {"--log", logFile});
  argv.insert(argv.end(), {"--idle-timeout", std::to_string(idleTimeoutSeconds)});
  return ServerProcess::Start(argv);
}

bool MakeTestCertificates(const std::string& dir, TestCertificates& out) {
  out.caCert = dir + "/ca.pem";
  out.serverCert = dir + "/server.pem";
  out.serverKey = dir + "/server.key";
  std::string d = ShellQuote(dir);
  {
    std::ofstream ext(dir + "/server.ext");
    ext << "subjectAltName=IP:127.0.0.1,DNS:localhost\n"
           "basicConstraints=CA:FALSE\n"
           "keyUsage=digitalSignature,keyEncipherment\n"
           "extendedKeyUsage=serverAuth\n";
  }
  std::string cmd =
      "cd " + d +
      " && openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj '/CN=Test CA'"
      " -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign"
      " && openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr -subj '/CN=127.0.0.1'"
      " && openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem"
      " -days 2 -extfile server.ext";
  return RunCommand("(" + cmd + ") >/dev/null 2>&1 && echo ok").output == "ok\n";
}

}  // namespace testsupport
