#include "formats/patch_list.h"

#include <cctype>

#include "common/gbk.h"
#include "formats/value_syntax.h"

namespace formats {

namespace {

// A patch name comes from the server configuration and is joined to a
// location: it may only reach below the configuration's folder.
bool SafeRelativeUrl(const std::string& url) {
  if (url.empty() || url.front() == '/' || url.front() == '\\') return false;
  if (url.find("://") != std::string::npos || url.find(':') != std::string::npos) return false;
  size_t start = 0;
  while (start <= url.size()) {
    size_t end = url.find_first_of("/\\", start);
    if (end == std::string::npos) end = url.size();
    if (url.compare(start, end - start, "..") == 0 || end == start) return false;
    start = end + 1;
  }
  return true;
}

bool ParseSize(const std::string& text, int64_t& size) {
  if (text.empty() || text.size() > 18) return false;
  size = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    size = size * 10 + (c - '0');
  }
  return size > 0;
}

}  // namespace

bool IsSha256Text(std::string_view text) {
  if (text.size() != 64) return false;
  for (char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

std::vector<PatchEntry> ParsePatchList(std::string_view value) {
  std::vector<PatchEntry> entries;
  for (int n = 0; n < kMaxPatches; ++n) {
    const std::string i = std::to_string(n);
    PatchEntry e;
    e.base = common::Trim(GetSubField(value, "base" + i));
    if (e.base.empty()) break;
    e.url = common::Trim(GetSubField(value, "url" + i));
    e.digest = common::Trim(GetSubField(value, "digest" + i));
    if (!IsSha256Text(e.base) || !IsSha256Text(e.digest) || !SafeRelativeUrl(e.url) ||
        !ParseSize(common::Trim(GetSubField(value, "size" + i)), e.size)) {
      continue;
    }
    e.base = common::GbkToLowerAscii(e.base);
    e.digest = common::GbkToLowerAscii(e.digest);
    entries.push_back(std::move(e));
  }
  return entries;
}

std::string FormatPatchList(const std::vector<PatchEntry>& entries) {
  std::string value;
  for (size_t n = 0; n < entries.size() && n < static_cast<size_t>(kMaxPatches); ++n) {
    const std::string i = std::to_string(n);
    const PatchEntry& e = entries[n];
    if (!value.empty()) value += ";;";
    value += "base" + i + "=" + e.base + ";;url" + i + "=" + e.url + ";;size" + i + "=" + std::to_string(e.size) +
             ";;digest" + i + "=" + e.digest;
  }
  return value;
}

}  // namespace formats
