// TransferEngine over HTTP(S): the availability check and the download of
// one object into a file.

#include <curl/curl.h>

#include <cstdint>
#include <string_view>

#include "client/download/curl_support.h"
#include "client/download/engine_transfer.h"
#include "client/download/transfer_engine.h"
#include "client/download/url_tools.h"
#include "common/gbk.h"

namespace transfer {

std::string HttpStatusMessage(long status) {
  switch (status) {
    case 400: return common::Gbk("Http错误400: 请求无效");
    case 401: return common::Gbk("Http错误401: 未授权");
    case 403: return common::Gbk("Http错误403: 禁止访问");
    case 404: return common::Gbk("Http错误404: 无法找到文件");
    case 405: return common::Gbk("Http错误405: 资源被禁止");
    case 406: return common::Gbk("Http错误406: 无法接受");
    // From 407 on the texts have two blanks after the colon.
    case 407: return common::Gbk("Http错误407:  要求代理身份验证");
    case 414: return common::Gbk("Http错误414:  请求 - URI 太长");
    case 500: return common::Gbk("Http错误500:  内部服务器错误");
    case 501: return common::Gbk("Http错误501:  未实现");
    case 502: return common::Gbk("Http错误502:  网关错误");
    default: return {};
  }
}

namespace {

// Remembers the answer's Content-Length; a later one with another value
// (or one that is no number) marks the answer as conflicting.
void NoteContentLength(int64_t& announced, bool& conflict, std::string_view value) {
  int64_t n = 0;
  bool digits = false;
  for (char c : value) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (c < '0' || c > '9' || n > (INT64_MAX - 9) / 10) {
      conflict = true;
      return;
    }
    n = n * 10 + (c - '0');
    digits = true;
  }
  if (!digits) return;
  if (announced >= 0 && announced != n) conflict = true;
  announced = n;
}

}  // namespace

size_t TransferEngine::OnHttpHeader(char* data, size_t size, size_t count, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  size_t n = size * count;
  std::string_view line(data, n);
  if (common::StartsWithNoCase(line, "http/")) {
    t.sawLocation = false;
    t.announcedLength = -1;
    t.lengthConflict = false;
  } else if (common::StartsWithNoCase(line, "location:")) {
    t.sawLocation = true;
  } else if (common::StartsWithNoCase(line, "content-length:")) {
    NoteContentLength(t.announcedLength, t.lengthConflict, line.substr(15));
  }
  if (line != "\r\n" && line != "\n") return n;

  long code = 0;
  curl_easy_getinfo(t.h, CURLINFO_RESPONSE_CODE, &code);
  if (code < 200) return n;                            // interim answer
  if (code >= 300 && code < 400 && t.sawLocation) return n;  // redirect libcurl follows
  t.status = code;
  t.headersDone = true;
  // A HEAD has no body to stop; the ranged GET of the fallback stops at its
  // headers (a server that ignores the range would send the whole file).
  if (t.kind == Transfer::kCheck) return t.head ? n : 0;

  TransferEngine& e = *t.engine;
  curl_off_t length = -1;
  curl_easy_getinfo(t.h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  // An error page is never taken for the file, whatever its length; nor is
  // an answer that names two lengths: which body is the file is anyone's
  // guess (a proxy and the client may each pick another one).
  if (code < 200 || code > 299 || length <= 0 || t.lengthConflict) {
    if (t.lengthConflict) e.Log(common::Gbk("服务器的应答长度不一致，拒绝此文件。"));
    t.rejected = true;
    return 0;
  }
  t.length = length;
  e.reporter_.AppendSize(t.row, length);
  e.reporter_.SetFileBar(0);
  if (e.SkipIfPresent(t.destination, length, t.row)) {
    t.skipped = true;
    return 0;
  }
  if (!e.FitsOnDisk(t.destination, length)) {
    t.rejected = true;
    return 0;
  }
  if (!e.OpenDestination(t)) {
    t.createFailed = true;
    return 0;
  }
  e.reporter_.StartTransfer();
  return n;
}

int TransferEngine::PerformHttp(const std::string& url, Transfer& t) {
  std::string prepared;
  if (!PrepareUrl(url, prepared)) return -1;
  CURL* h = Handle();
  if (!h) return -1;
  t.engine = this;
  t.h = h;
  curl::HeaderList headers(curl::HttpHeaderLines());
  curl::ApplyHttpRequest(h, prepared, headers);
  curl::ApplyTls(h, options_.caFile);
  curl::ApplyCallbacks(h, &TransferEngine::OnHttpHeader, &TransferEngine::OnBody, &TransferEngine::OnXferInfo, &t);
  if (t.kind == Transfer::kHttp) curl_easy_setopt(h, CURLOPT_BUFFERSIZE, options_.httpChunk);
  if (t.kind == Transfer::kCheck && options_.checkTimeoutMs > 0) {
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, options_.checkTimeoutMs);
  }
  // The check asks for the headers alone (HEAD), or for the first byte.
  curl_easy_setopt(h, CURLOPT_NOBODY, t.kind == Transfer::kCheck && t.head ? 1L : 0L);
  curl_easy_setopt(h, CURLOPT_RANGE, t.kind == Transfer::kCheck && !t.head ? "0-0" : nullptr);
  const int rc = curl_easy_perform(h);
  curl_easy_setopt(h, CURLOPT_RANGE, nullptr);
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, 0L);
  return rc;
}

int TransferEngine::HttpCheck(const std::string& url, std::string& message) {
  message.clear();
  // The check must not cost a second copy of the file: a GET that stops
  // after the headers still has the server write on until the connection
  // closes. HEAD asks for the headers alone; a server that refuses HEAD
  // gets a GET of one byte.
  Transfer t;
  t.kind = Transfer::kCheck;
  t.head = true;
  if (PerformHttp(url, t) < 0) return 0;
  if (t.headersDone && (t.status == 405 || t.status == 501)) {
    t = Transfer();
    t.kind = Transfer::kCheck;
    if (PerformHttp(url, t) < 0) return 0;
  }
  if (!t.headersDone) return 0;
  if (t.status >= 200 && t.status <= 299) return 1;
  message = HttpStatusMessage(t.status);
  return 0;
}

int TransferEngine::HttpDownload(const std::string& url, const std::string& destination, int row) {
  Transfer t;
  t.kind = Transfer::kHttp;
  t.destination = destination;
  t.row = row;
  int rc = PerformHttp(url, t);
  if (rc < 0) return 0;
  reporter_.Flush();
  if (t.skipped) return 1;
  bool closed = CloseDestination(t);
  // The body must be exactly the announced length: more would be bytes the
  // file never had.
  const bool whole = t.done == t.length;
  return Finish(rc == CURLE_OK && t.file && closed && whole && !t.stopped && !context_.stopRequested.load());
}

}  // namespace transfer
