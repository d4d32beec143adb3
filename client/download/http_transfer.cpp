// TransferEngine over HTTP(S): the availability check and the download of
// one object into a file.

#include <curl/curl.h>

#include <cstdint>
#include <string_view>
#include <vector>

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

// The value of a header line after its name and colon, blanks and the line
// end trimmed.
std::string HeaderValue(std::string_view line, size_t nameLength) {
  std::string_view v = line.substr(nameLength);
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == '\r' || v.back() == '\n' || v.back() == ' ' || v.back() == '\t'))
    v.remove_suffix(1);
  return std::string(v);
}

// "bytes a-b/total": start a and the total; both stay -1 for anything else.
void ParseContentRange(std::string_view value, int64_t& start, int64_t& total) {
  start = total = -1;
  if (!common::StartsWithNoCase(value, "bytes ")) return;
  value.remove_prefix(6);
  int64_t a = 0, b = 0, whole = 0;
  auto number = [&value](int64_t& out, char end) {
    size_t digits = 0;
    out = 0;
    while (digits < value.size() && value[digits] >= '0' && value[digits] <= '9' && digits < 18)
      out = out * 10 + (value[digits++] - '0');
    if (digits == 0) return false;
    if (end == 0) return digits == value.size();
    if (digits == value.size() || value[digits] != end) return false;
    value.remove_prefix(digits + 1);
    return true;
  };
  if (!number(a, '-') || !number(b, '/') || !number(whole, 0) || b < a || b >= whole) return;
  start = a;
  total = whole;
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
    t.etag.clear();
    t.lastModified.clear();
    t.rangeStart = t.rangeTotal = -1;
  } else if (common::StartsWithNoCase(line, "location:")) {
    t.sawLocation = true;
  } else if (common::StartsWithNoCase(line, "content-length:")) {
    NoteContentLength(t.announcedLength, t.lengthConflict, line.substr(15));
  } else if (common::StartsWithNoCase(line, "etag:")) {
    t.etag = HeaderValue(line, 5);
  } else if (common::StartsWithNoCase(line, "last-modified:")) {
    t.lastModified = HeaderValue(line, 14);
  } else if (common::StartsWithNoCase(line, "content-range:")) {
    ParseContentRange(HeaderValue(line, 14), t.rangeStart, t.rangeTotal);
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
  ResumeRequest* resume = t.resume;
  const int64_t offset = resume ? resume->offset : 0;
  if (code == 416 && offset > 0) resume->rangeRefused = true;
  // An error page is never taken for the file, whatever its length; nor is
  // an answer that names two lengths: which body is the file is anyone's
  // guess (a proxy and the client may each pick another one).
  if (code < 200 || code > 299 || length <= 0 || t.lengthConflict) {
    if (t.lengthConflict) e.Log(common::Gbk("服务器的应答长度不一致，拒绝此文件。"));
    t.rejected = true;
    return 0;
  }
  int64_t whole = length;
  if (code == 206) {
    // Only the rest that was asked for continues the partial file; any
    // other range would put bytes in the wrong place.
    if (offset <= 0 || t.rangeStart != offset || t.rangeTotal != offset + length) {
      e.Log(common::Gbk("服务器返回的续传范围不符，拒绝此文件。"));
      t.rejected = true;
      return 0;
    }
    whole = t.rangeTotal;
    t.append = true;
    t.done = offset;
  }
  t.length = whole;
  if (resume) {
    // A weak ETag may not be sent in If-Range; the date then serves.
    const bool strong = !t.etag.empty() && !common::StartsWithNoCase(t.etag, "w/");
    resume->serverValidator = strong ? t.etag : t.lastModified;
    resume->length = whole;
    resume->continued = t.append;
  }
  e.reporter_.AppendSize(t.row, whole);
  e.reporter_.SetFileBar(0);
  if (e.SkipIfPresent(t.destination, whole, t.row)) {
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
  e.reporter_.StartTransfer(t.done);
  return n;
}

int TransferEngine::PerformHttp(const std::string& url, Transfer& t) {
  std::string prepared;
  if (!PrepareUrl(url, prepared)) return -1;
  CURL* h = Handle();
  if (!h) return -1;
  t.engine = this;
  t.h = h;
  std::vector<std::string> lines = curl::HttpHeaderLines();
  std::string range;
  if (t.resume && t.resume->offset > 0) {
    // The rest only if the file is still the one the bytes came from;
    // otherwise the server sends the whole file.
    range = std::to_string(t.resume->offset) + "-";
    if (!t.resume->validator.empty()) lines.push_back("If-Range: " + t.resume->validator);
  }
  curl::HeaderList headers(lines);
  curl::ApplyHttpRequest(h, prepared, headers);
  curl::ApplyTls(h, options_.caFile);
  curl::ApplyCallbacks(h, &TransferEngine::OnHttpHeader, &TransferEngine::OnBody, &TransferEngine::OnXferInfo, &t);
  if (t.kind == Transfer::kHttp) curl_easy_setopt(h, CURLOPT_BUFFERSIZE, options_.httpChunk);
  if (t.kind == Transfer::kCheck && options_.checkTimeoutMs > 0) {
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, options_.checkTimeoutMs);
  }
  // The check asks for the headers alone (HEAD), or for the first byte.
  curl_easy_setopt(h, CURLOPT_NOBODY, t.kind == Transfer::kCheck && t.head ? 1L : 0L);
  // The check's first byte, or the rest of a partial file.
  const char* ranged = t.kind == Transfer::kCheck ? (t.head ? nullptr : "0-0") : range.empty() ? nullptr : range.c_str();
  curl_easy_setopt(h, CURLOPT_RANGE, ranged);
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
  return HttpDownloadInto(url, destination, row, nullptr);
}

int TransferEngine::HttpDownload(const std::string& url, const std::string& destination, int row,
                                 ResumeRequest& resume) {
  resume.serverValidator.clear();
  resume.length = 0;
  resume.continued = false;
  resume.rangeRefused = false;
  return HttpDownloadInto(url, destination, row, &resume);
}

int TransferEngine::HttpDownloadInto(const std::string& url, const std::string& destination, int row,
                                     ResumeRequest* resume) {
  Transfer t;
  t.kind = Transfer::kHttp;
  t.destination = destination;
  t.row = row;
  t.resume = resume;
  if (resume) t.writePath = resume->partPath;
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
