#include "client/download/curl_support.h"

#include <algorithm>
#include <mutex>

namespace transfer::curl {

CURL* NewEasy() {
  static std::once_flag once;
  static CURLcode initResult = CURLE_OK;
  std::call_once(once, [] { initResult = curl_global_init(CURL_GLOBAL_DEFAULT); });
  if (initResult != CURLE_OK) return nullptr;
  return curl_easy_init();
}

HeaderList::HeaderList(const std::vector<std::string>& lines) {
  for (const auto& l : lines) {
    curl_slist* next = curl_slist_append(list_, l.c_str());
    if (next) list_ = next;
  }
}

void ApplyTls(CURL* h, const std::string& caFile) {
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!caFile.empty()) curl_easy_setopt(h, CURLOPT_CAINFO, caFile.c_str());
}

std::vector<std::string> HttpHeaderLines() {
  // A reload that bypasses every cache on the way, as the client always
  // wants the server's current file.
  return {"Accept: */*", "Pragma: no-cache", "Cache-Control: no-cache"};
}

void ApplyHttpRequest(CURL* h, const std::string& url, const HeaderList& headers) {
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  // An address without a scheme must not be guessed into FTP or a local
  // file, and a redirect must not leave HTTP(S).
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
  // The number in the agent name means nothing to any server.
  curl_easy_setopt(h, CURLOPT_USERAGENT, "Agent0");
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
}

void ApplyCallbacks(CURL* h, curl_write_callback header, curl_write_callback body,
                    curl_xferinfo_callback progress, void* data) {
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, header);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, data);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, body);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, data);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, progress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, data);
}

std::string FtpBaseUrl(const std::string& server, int port) {
  return "ftp://" + server + ":" + std::to_string(port) + "/";
}

void ResetToFtpRequest(CURL* h, const std::string& url, const std::string& user, const std::string& password,
                       long timeoutMs) {
  curl_easy_reset(h);
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  if (!user.empty()) {
    curl_easy_setopt(h, CURLOPT_USERNAME, user.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, password.c_str());
  }
  // Active mode, as the servers of the publishers expect.
  curl_easy_setopt(h, CURLOPT_FTPPORT, "-");
  curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
  curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, std::max(1L, (timeoutMs + 999) / 1000));
  curl_easy_setopt(h, CURLOPT_ACCEPTTIMEOUT_MS, timeoutMs);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
}

std::vector<std::string> FtpCwd(const std::string& folder) { return {"CWD " + folder}; }

}  // namespace transfer::curl
