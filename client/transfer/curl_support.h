#pragma once
// Small helpers around libcurl shared by the engine and the fetchers: one
// process-wide initialisation, owned handles and header lists, the request
// options every HTTP(S) request of the client carries.

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

/// The 16 MiB cap on texts fetched into memory.
inline constexpr size_t kMaxTextBytes = 16u * 1024u * 1024u;

}  // namespace transfer::curl
