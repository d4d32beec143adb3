#pragma once
// Small helpers around libcurl shared by the engine and the fetchers: one
// process-wide initialisation, owned handles and header lists, the request
// options every HTTP(S) and every FTP request of the client carries.

#include <curl/curl.h>

#include <memory>
#include <string>
#include <vector>

namespace transfer::curl {

/// A new easy handle after the process-wide initialisation; null on failure.
CURL* NewEasy();

struct EasyDeleter {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
using EasyPtr = std::unique_ptr<CURL, EasyDeleter>;

class HeaderList {
 public:
  explicit HeaderList(const std::vector<std::string>& lines);
  ~HeaderList() { curl_slist_free_all(list_); }
  HeaderList(const HeaderList&) = delete;
  HeaderList& operator=(const HeaderList&) = delete;
  curl_slist* get() const { return list_; }

 private:
  curl_slist* list_ = nullptr;
};

/// Certificate checks stay on; caFile (PEM) replaces the system's trust
/// store when not empty.
void ApplyTls(CURL* h, const std::string& caFile);

/// The request the client's HTTP transfers make: GET of the whole object,
/// the "Accept: */*" line, no cache, redirects followed, the agent name.
void ApplyHttpRequest(CURL* h, const std::string& url, const HeaderList& headers);
std::vector<std::string> HttpHeaderLines();

/// Header lines, body and progress calls of the handle go to the three
/// callbacks, each called with `data`.
void ApplyCallbacks(CURL* h, curl_write_callback header, curl_write_callback body,
                    curl_xferinfo_callback progress, void* data);

/// "ftp://server:port/": the folder every FTP request names its path from.
std::string FtpBaseUrl(const std::string& server, int port);

/// Resets the handle to the request every FTP transfer of the client makes:
/// the URL, the login (none for an empty user), active mode, and the
/// connect and control-channel time-outs. libcurl itself changes no folder:
/// the callers send their own CWD, so that they decide when one is needed,
/// and name files relative to the current folder.
void ResetToFtpRequest(CURL* h, const std::string& url, const std::string& user, const std::string& password,
                       long timeoutMs);

/// The command that makes `folder` current, for CURLOPT_QUOTE.
std::vector<std::string> FtpCwd(const std::string& folder);

/// The 16 MiB cap on texts fetched into memory.
inline constexpr size_t kMaxTextBytes = 16u * 1024u * 1024u;

}  // namespace transfer::curl
