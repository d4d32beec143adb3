#pragma once
// MemoryFetcher: reads a whole HTTP(S) document into memory (the server
// configuration). It keeps the status code and the raw response headers of
// the last fetch for the caller, an error text when the fetch failed, and a
// status text that follows the request while it runs. A document larger
// than 16 MiB is refused, so a broken or hostile server cannot exhaust
// memory with an endless answer.

#include <cstdint>
#include <functional>
#include <string>

typedef void CURL;

namespace transfer {

class MemoryFetcher {
 public:
  MemoryFetcher();
  ~MemoryFetcher();
  MemoryFetcher(const MemoryFetcher&) = delete;
  MemoryFetcher& operator=(const MemoryFetcher&) = delete;

  /// PEM file of trusted CAs; empty = the system's trust store.
  void SetCaFile(std::string caFile) { caFile_ = std::move(caFile); }
  /// Data-receive time-out in milliseconds (0 = none): the fetch fails when
  /// nothing arrives for that long once the request is sent.
  void SetReceiveTimeout(long milliseconds) { receiveTimeoutMs_ = milliseconds; }
  /// Overall time-out of one fetch in milliseconds (0 = none): the fetch
  /// fails when it has not ended that long after it began, however steadily
  /// the server dribbles.
  void SetTotalTimeout(long milliseconds) { totalTimeoutMs_ = milliseconds; }
  /// Called with every new status text (a bound window); may be empty.
  void SetStatusObserver(std::function<void(const std::string&)> observer) { observer_ = std::move(observer); }

  /// 1 when the body was read (whatever the status code); 0 when the URL
  /// cannot be prepared, the server cannot be reached, the transfer breaks
  /// off or the body passes 16 MiB; ErrorText() then says why.
  int FetchToMemory(const std::string& url, std::string& text);

  /// HTTP status of the last fetch; 0 when no answer came.
  long StatusCode() const { return statusCode_; }
  /// Raw response headers of the final answer, lines separated by CR LF.
  const std::string& Headers() const { return headers_; }
  /// Why the last fetch failed; empty after a success.
  const std::string& ErrorText() const { return errorText_; }
  /// The status text while a fetch runs; empty once it has ended.
  const std::string& StatusText() const { return statusText_; }

  /// The status text for a request-status code (the texts of the session's
  /// status callback); empty for the codes that produce none.
  static std::string StatusCallbackText(int status, const std::string& info = {}, uint32_t result = 0,
                                        uint32_t error = 0, bool hasResult = false);

 private:
  struct Fetch;
  static size_t OnHeader(char* data, size_t size, size_t count, void* user);
  static size_t OnBody(char* data, size_t size, size_t count, void* user);
  static int OnXferInfo(void* user, int64_t, int64_t, int64_t, int64_t);
  static int OnPrereq(void* user, char*, char*, int, int);
  void SetStatus(std::string text);

  CURL* session_ = nullptr;
  std::string caFile_;
  long receiveTimeoutMs_ = 0;
  long totalTimeoutMs_ = 0;
  std::function<void(const std::string&)> observer_;
  long statusCode_ = 0;
  std::string headers_;
  std::string errorText_;
  std::string statusText_;
};

}  // namespace transfer
