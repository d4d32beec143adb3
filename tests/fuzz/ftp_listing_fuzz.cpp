// The FTP listing parser over any LIST or MLSD answer; every name it calls
// safe must really be safe to put in a local path.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "client/download/ftp_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const transfer::FtpEntry& entry : transfer::ParseFtpListing(text)) {
    if (!entry.unsafeName && (entry.name.empty() || entry.name == "." || entry.name == "..")) std::abort();
  }
  transfer::IsUnsafeListedName(text);
  return 0;
}
