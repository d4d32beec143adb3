#include "client/download/text_fetch.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "client/download/curl_support.h"
#include "common/gbk.h"
#include "client/download/url_tools.h"
#include "platform/input_file.h"

namespace transfer {

namespace {

struct TextSink {
  std::string* text;
  const std::function<void(const std::string&)>* log;
  bool started = false;
};

void Log(const std::function<void(const std::string&)>& log, const std::string& text) {
  if (log) log(text);
}

// Logged once, with the first bytes of the file or after an empty one.
void LogStart(TextSink& s) {
  if (s.started) return;
  s.started = true;
  Log(*s.log, common::Gbk("开始下载"));
}

size_t OnText(char* data, size_t size, size_t count, void* user) {
  auto& s = *static_cast<TextSink*>(user);
  size_t n = size * count;
  LogStart(s);
  if (s.text->size() + n > curl::kMaxTextBytes) return CURL_WRITEFUNC_ERROR;
  s.text->append(data, n);
  return n;
}

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

using Clock = std::chrono::steady_clock;

// What is left of the read's overall time; at least 1 ms while any is left.
long RemainingMs(Clock::time_point deadline) {
  return static_cast<long>(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count());
}

void ApplyFtp(CURL* h, const std::string& url, const std::string& user, const std::string& password,
              const FtpTextOptions& options, Clock::time_point deadline) {
  curl::ResetToFtpRequest(h, url, user, password, options.timeoutMs);
  // Every time-out above restarts with each reply or chunk; the deadline
  // does not, so a server that answers a byte at a time still ends.
  if (options.deadlineMs > 0) curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, std::max(1L, RemainingMs(deadline)));
  // A data connection that stalls must not hold the run for ever.
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, 60L);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Discard);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &Discard);
}

}  // namespace

std::string FtpFetchText(const std::string& url, const std::string& user, const std::string& password,
                         const std::function<void(const std::string&)>& log, FtpTextOptions options) {
  UrlParts parts = CrackUrl(url);
  std::string object;
  for (size_t i = 0; i < parts.objectPath.size();) {
    if (parts.objectPath.compare(i, 3, "%20") == 0) {
      object += ' ';
      i += 3;
    } else {
      object += parts.objectPath[i++];
    }
  }
  Log(log, common::Gbk("连接FTP服务器"));
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(options.deadlineMs);
  curl::EasyPtr h(curl::NewEasy());
  std::string base = curl::FtpBaseUrl(parts.server, parts.port ? parts.port : 21);

  bool connected = false;
  if (h && !parts.server.empty()) {
    for (int attempt = 0; attempt < options.attempts && !connected; ++attempt) {
      if (options.deadlineMs > 0 && RemainingMs(deadline) <= 0) break;
      ApplyFtp(h.get(), base, user, password, options, deadline);
      curl_easy_setopt(h.get(), CURLOPT_NOBODY, 1L);
      connected = curl_easy_perform(h.get()) == CURLE_OK;
    }
  }
  std::string text;
  if (connected) {
    RemotePath remote = SplitRemotePath(object);
    Log(log, common::Gbk("设置当前目录为：") + remote.folder);
    ApplyFtp(h.get(), base, user, password, options, deadline);
    curl::HeaderList quote(curl::FtpCwd(remote.folder));
    curl_easy_setopt(h.get(), CURLOPT_QUOTE, quote.get());
    curl_easy_setopt(h.get(), CURLOPT_NOBODY, 1L);
    if (curl_easy_perform(h.get()) == CURLE_OK) {
      Log(log, common::Gbk("打开文件：") + remote.name);
      ApplyFtp(h.get(), base + EscapePathBytes(remote.name), user, password, options, deadline);
      curl_easy_setopt(h.get(), CURLOPT_TRANSFERTEXT, 1L);
      TextSink sink{&text, &log};
      curl_easy_setopt(h.get(), CURLOPT_WRITEFUNCTION, &OnText);
      curl_easy_setopt(h.get(), CURLOPT_WRITEDATA, &sink);
      CURLcode rc = curl_easy_perform(h.get());
      if (rc == CURLE_OK) {
        LogStart(sink);
        return text;
      }
    }
  }
  Log(log, common::Gbk("连接FTP服务器失败，可能是网络问题，也可能是用户名（口令）设置不对。"));
  return {};
}

std::string ReadLocalText(const std::string& gbkPath) {
  std::FILE* f = platform::OpenRegularFileForReading(common::NativePath(gbkPath));
  if (!f) return {};
  std::string raw;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
    if (raw.size() + n > curl::kMaxTextBytes) {
      std::fclose(f);
      return {};
    }
    raw.append(buf, n);
  }
  std::fclose(f);
  std::string text;
  text.reserve(raw.size() + 1);
  size_t pos = 0;
  while (pos < raw.size()) {
    size_t end = raw.find('\n', pos);
    size_t stop = end == std::string::npos ? raw.size() : end;
    size_t lineEnd = stop;
    if (end != std::string::npos && lineEnd > pos && raw[lineEnd - 1] == '\r') --lineEnd;
    text.append(raw, pos, lineEnd - pos);
    text += '\n';
    pos = stop + 1;
  }
  return text;
}

}  // namespace transfer
