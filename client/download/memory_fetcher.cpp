#include "client/download/memory_fetcher.h"

#include <curl/curl.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "client/download/curl_support.h"
#include "common/gbk.h"
#include "client/download/url_tools.h"

namespace transfer {

namespace {
using Clock = std::chrono::steady_clock;
}

struct MemoryFetcher::Fetch {
  MemoryFetcher* fetcher = nullptr;
  std::string* text = nullptr;
  std::string host;
  Clock::time_point opened = Clock::now();
  Clock::time_point lastData = Clock::now();
  bool requestSent = false;
  bool responseSeen = false;
  bool tooLarge = false;
  bool timedOut = false;
};

MemoryFetcher::MemoryFetcher() = default;

MemoryFetcher::~MemoryFetcher() {
  if (session_) curl_easy_cleanup(session_);
}

std::string MemoryFetcher::StatusCallbackText(int status, const std::string& info, uint32_t result, uint32_t error,
                                              bool hasResult) {
  char buf[160];
  switch (status) {
    case 10: return "Resolving name for " + info;
    case 11: return "Resolved name for " + info;
    case 20: return "Connecting to socket address ";
    case 21: return "Connected to socket address";
    case 30: return "Sending request...";
    case 31: return "Request sent";
    case 41: return "Response received";
    case 50: return "Closing the connection to the server";
    case 51: return "Connection to the server closed";
    case 100:
      if (!hasResult) return "Request complete";
      std::snprintf(buf, sizeof buf, "Request complete, dwResult = %8.8X, dwError = %8.8X", result, error);
      return buf;
    case 40:
    case 60:
    case 70:
      return {};
    default:
      std::snprintf(buf, sizeof buf, "Unknown status: %d", status);
      return buf;
  }
}

void MemoryFetcher::SetStatus(std::string text) {
  statusText_ = std::move(text);
  if (observer_ && !statusText_.empty()) observer_(statusText_);
}

size_t MemoryFetcher::OnHeader(char* data, size_t size, size_t count, void* user) {
  auto& f = *static_cast<Fetch*>(user);
  size_t n = size * count;
  std::string_view line(data, n);
  if (!f.responseSeen) {
    f.responseSeen = true;
    f.fetcher->SetStatus(StatusCallbackText(31));
    f.fetcher->SetStatus(StatusCallbackText(41));
  }
  // Keep only the final answer's headers (a redirect or "100 Continue"
  // starts a new block).
  if (line.size() >= 5 && (line.substr(0, 5) == "HTTP/" || line.substr(0, 5) == "http/")) f.fetcher->headers_.clear();
  std::string_view trimmed = line;
  while (!trimmed.empty() && (trimmed.back() == '\n' || trimmed.back() == '\r')) trimmed.remove_suffix(1);
  if (!trimmed.empty()) {
    f.fetcher->headers_.append(trimmed);
    f.fetcher->headers_ += "\r\n";
  }
  f.lastData = Clock::now();
  return n;
}

size_t MemoryFetcher::OnBody(char* data, size_t size, size_t count, void* user) {
  auto& f = *static_cast<Fetch*>(user);
  size_t n = size * count;
  if (f.text->size() + n > curl::kMaxTextBytes) {
    f.tooLarge = true;
    return CURL_WRITEFUNC_ERROR;
  }
  f.text->append(data, n);
  f.lastData = Clock::now();
  double elapsed = std::chrono::duration<double>(Clock::now() - f.opened).count();
  long seconds = std::lround(elapsed);
  char buf[128];
  int bytes = static_cast<int>(f.text->size());
  if (seconds == 0) {
    std::snprintf(buf, sizeof buf, common::Gbk("已读%d字节数").c_str(), bytes);
  } else {
    std::snprintf(buf, sizeof buf, common::Gbk("已读%d字节数(%0.1f Kb/s)").c_str(), bytes,
                  f.text->size() / 1024.0 / static_cast<double>(seconds));
  }
  f.fetcher->SetStatus(buf);
  return n;
}

int MemoryFetcher::OnXferInfo(void* user, int64_t, int64_t, int64_t, int64_t) {
  auto& f = *static_cast<Fetch*>(user);
  long limit = f.fetcher->receiveTimeoutMs_;
  if (limit > 0 && f.requestSent && Clock::now() - f.lastData > std::chrono::milliseconds(limit)) {
    f.timedOut = true;
    return 1;
  }
  return 0;
}

int MemoryFetcher::OnPrereq(void* user, char*, char*, int, int) {
  auto& f = *static_cast<Fetch*>(user);
  f.fetcher->SetStatus(StatusCallbackText(21));
  f.fetcher->SetStatus(StatusCallbackText(30));
  f.requestSent = true;
  f.lastData = Clock::now();
  return CURL_PREREQFUNC_OK;
}

int MemoryFetcher::FetchToMemory(const std::string& url, std::string& text) {
  errorText_.clear();
  statusCode_ = 0;
  headers_.clear();
  text.clear();
  std::string prepared;
  if (!PrepareUrl(url, prepared)) {
    errorText_ = "The URL cannot be canonicalised";
    return 0;
  }
  if (!session_) session_ = curl::NewEasy();
  if (!session_) {
    errorText_ = "Cannot open an Internet session";
    return 0;
  }
  curl_easy_reset(session_);
  CURL* h = session_;
  curl::HeaderList headers(curl::HttpHeaderLines());
  Fetch f;
  f.fetcher = this;
  f.text = &text;
  UrlParts parts = CrackUrl(prepared);
  f.host = parts.server;
  curl::ApplyHttpRequest(h, prepared, headers);
  curl::ApplyTls(h, caFile_);
  curl::ApplyCallbacks(h, &MemoryFetcher::OnHeader, &MemoryFetcher::OnBody, &MemoryFetcher::OnXferInfo, &f);
  curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &MemoryFetcher::OnPrereq);
  curl_easy_setopt(h, CURLOPT_PREREQDATA, &f);
  if (totalTimeoutMs_ > 0) curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, totalTimeoutMs_);
  char errorBuffer[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);

  SetStatus(StatusCallbackText(10, f.host));
  CURLcode rc = curl_easy_perform(h);
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &statusCode_);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, nullptr);
  if (rc != CURLE_OK) {
    if (f.tooLarge) errorText_ = "The answer is larger than 16 MiB";
    else if (f.timedOut || rc == CURLE_OPERATION_TIMEDOUT) errorText_ = "The operation timed out";
    else errorText_ = errorBuffer[0] ? errorBuffer : curl_easy_strerror(rc);
    text.clear();
    statusText_.clear();
    return 0;
  }
  SetStatus(StatusCallbackText(100));
  statusText_.clear();
  return 1;
}

}  // namespace transfer
