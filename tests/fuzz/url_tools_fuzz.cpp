// The client's URL helpers over any location text: cracking, cleaning the
// object path, canonical and escaped forms, FTP path splitting. The
// canonical form must fit its buffer's limit, and the prepared form hold no
// byte after the scheme that a request line cannot carry.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "client/download/url_tools.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const transfer::UrlParts parts = transfer::CrackUrl(text);
  (void)transfer::CleanObjectPath(parts.objectPath);
  (void)transfer::CleanObjectPath(text);
  std::string canonical;
  if (transfer::CanonicalizeUrl(text, canonical) && canonical.size() > transfer::kMaxCanonicalUrl) std::abort();
  std::string prepared;
  if (transfer::PrepareUrl(text, prepared)) {
    // The scheme is copied as it stands (the transfer library refuses a bad
    // one); everything after it must be escaped.
    const size_t sep = prepared.find("://");
    for (size_t i = sep == std::string::npos ? 0 : sep + 3; i < prepared.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(prepared[i]);
      if (c <= 0x20 || c >= 0x7F) std::abort();
    }
  }
  const transfer::RemotePath remote = transfer::SplitRemotePath(text);
  if (remote.folder.empty() || remote.folder.back() != '/') std::abort();
  if (remote.name.find('/') != std::string::npos) std::abort();
  (void)transfer::EscapePathBytes(text);
  return 0;
}
