#include "client/transfer/text_fetch.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>

#include "client/transfer/curl_support.h"
#include "common/gbk.h"
#include "client/transfer/transfer_texts.h"
#include "client/transfer/url_tools.h"

namespace transfer {

namespace {

struct TextSink {
  std::string* text;
  const std::function<void(const std::string&)>* log;
  bool started = false;
  bool tooLarge = false;
};

void Log(const std::function<void(const std::string&)>& log, const std::string& text) {
  if (log) log(text);
}

size_t OnText(char* data, size_t size, size_t count, void* user) {
  auto& s = *static_cast<TextSink*>(user);
  size_t n = size * count;
  if (!s.started) {
    s.started = true;
    Log(*s.log, texts::kStartDownload);
  }
  if (s.text->size() + n > curl::kMaxTextBytes) {
    s.tooLarge = true;
    return CURL_WRITEFUNC_ERROR;
  }
  s.text->append(data, n);
  return n;
}

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

void ApplyFtp(CURL* h, const std::string& url, const std::string& user, const std::string& password,
              const FtpTextOptions& options) {
  curl_easy_reset(h);
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  if (!user.empty()) {
    curl_easy_setopt(h, CURLOPT_USERNAME, user.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, password.c_str());
  }
  curl_easy_setopt(h, CURLOPT_FTPPORT, "-");
  curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, options.timeoutMs);
  curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, std::max(1L, (options.timeoutMs + 999) / 1000));
  curl_easy_setopt(h, CURLOPT_ACCEPTTIMEOUT_MS, options.timeoutMs);
  // A data connection that stalls must not hold the run for ever.
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, 60L);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
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
  Log(log, texts::kFtpConnecting);
  curl::EasyPtr h(curl::NewEasy());
  std::string base = "ftp://" + parts.server + ":" + std::to_string(parts.port ? parts.port : 21) + "/";

  bool connected = false;
  if (h && !parts.server.empty()) {
    for (int attempt = 0; attempt < options.attempts && !connected; ++attempt) {
      ApplyFtp(h.get(), base, user, password, options);
      curl_easy_setopt(h.get(), CURLOPT_NOBODY, 1L);
      connected = curl_easy_perform(h.get()) == CURLE_OK;
    }
  }
  std::string text;
  if (connected) {
    size_t slash = object.rfind('/');
    std::string folder = slash == std::string::npos ? "/" : object.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? object : object.substr(slash + 1);
    Log(log, texts::kSetCurrentDir + folder);
    ApplyFtp(h.get(), base, user, password, options);
    curl::HeaderList quote({"CWD " + folder});
    curl_easy_setopt(h.get(), CURLOPT_QUOTE, quote.get());
    curl_easy_setopt(h.get(), CURLOPT_NOBODY, 1L);
    if (curl_easy_perform(h.get()) == CURLE_OK) {
      Log(log, texts::kOpenFile + name);
      ApplyFtp(h.get(), base + EscapePathBytes(name), user, password, options);
      curl_easy_setopt(h.get(), CURLOPT_TRANSFERTEXT, 1L);
      TextSink sink{&text, &log};
      curl_easy_setopt(h.get(), CURLOPT_WRITEFUNCTION, &OnText);
      curl_easy_setopt(h.get(), CURLOPT_WRITEDATA, &sink);
      CURLcode rc = curl_easy_perform(h.get());
      if (rc == CURLE_OK) {
        if (!sink.started) Log(log, texts::kStartDownload);
        return text;
      }
    }
  }
  Log(log, texts::kFtpFetchFailed);
  return {};
}

std::string ReadLocalText(const std::string& gbkPath) {
  std::FILE* f = std::fopen(common::NativePath(gbkPath).c_str(), "rbe");
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
