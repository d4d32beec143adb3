#pragma once
// Real peers for the tests: the HTTP(S) and FTP test servers of this folder
// run under Debian's Python on 127.0.0.1 with an ephemeral port, and a test
// CA made with openssl for the HTTPS tests. A server stops when its object
// goes away.

#include <string>
#include <vector>

namespace testsupport {

class ServerProcess {
 public:
  ServerProcess() = default;
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  /// Starts argv[0] with argv and waits for its "PORT <n>" line; false when
  /// it did not come within 10 s.
  bool Start(const std::vector<std::string>& argv);
  void Stop();
  int port() const { return port_; }

 private:
  int pid_ = -1;
  int port_ = 0;
};

struct HttpServerOptions {
  std::string certFile;  // with keyFile: serve HTTPS
  std::string keyFile;
  std::string logFile;   // request log, "METHOD raw-path" per line
};

/// http_test_server.py serving `root`; see the script for its routes.
class HttpTestServer : public ServerProcess {
 public:
  bool Start(const std::string& root, const HttpServerOptions& options = {});
  /// "http://127.0.0.1:<port>" (or https) without a trailing "/".
  std::string BaseUrl() const;

 private:
  bool tls_ = false;
};

/// ftp_test_server.py: user `user`, password `password`, home `root`.
class FtpTestServer : public ServerProcess {
 public:
  bool Start(const std::string& root, const std::string& user = "tester", const std::string& password = "secret",
             const std::string& logFile = {}, double idleTimeoutSeconds = 300);
};

struct TestCertificates {
  std::string caCert;      // PEM of the test CA
  std::string serverCert;  // PEM for 127.0.0.1 / localhost, signed by the CA
  std::string serverKey;
};

/// Makes a CA and a server certificate in `dir` with openssl; false when
/// openssl failed.
bool MakeTestCertificates(const std::string& dir, TestCertificates& out);

}  // namespace testsupport
