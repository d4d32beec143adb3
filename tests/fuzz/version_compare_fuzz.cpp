// Version comparison: the input up to its first NUL byte is the server's
// version, the rest the local one.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "client/session/version_compare.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  const size_t nul = text.find('\0');
  std::string_view server = text.substr(0, nul);
  std::string_view local = nul == std::string_view::npos ? std::string_view("1.0") : text.substr(nul + 1);
  session::IsNewer(server, local);
  session::IsNewer(local, server);
  return 0;
}
