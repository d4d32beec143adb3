#include "formats/patch_list.h"

#include <algorithm>
#include <array>
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

namespace {

enum FileField { kName, kBase, kUrl, kSize, kDigest, kResult, kFieldCount };
constexpr std::array<std::string_view, kFieldCount> kFieldNames = {"name", "base", "url", "size", "digest", "result"};

}  // namespace

std::vector<FilePatchEntry> ParseFilePatchList(std::string_view rawValue) {
  // Sub-fields by number; as with GetSubField the first of a name counts.
  std::vector<std::array<std::string, kFieldCount>> fields;
  const std::string value = common::Trim(rawValue);
  size_t start = 0;
  while (start < value.size()) {
    size_t end = value.find(";;", start);
    if (end == std::string::npos) end = value.size();
    const std::string_view piece(value.data() + start, end - start);
    start = end + 2;
    const size_t eq = piece.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = piece.substr(0, eq);
    const size_t digits = key.find_first_of("0123456789");
    if (digits == std::string_view::npos || digits == 0 || key.size() - digits > 6) continue;
    int n = 0;
    bool number = true;
    for (char c : key.substr(digits)) {
      number = number && c >= '0' && c <= '9';
      n = n * 10 + (c - '0');
    }
    if (!number || n >= kMaxFilePatches) continue;
    const auto field = std::find(kFieldNames.begin(), kFieldNames.end(), key.substr(0, digits));
    if (field == kFieldNames.end()) continue;
    if (static_cast<size_t>(n) >= fields.size()) fields.resize(static_cast<size_t>(n) + 1);
    std::string& slot = fields[static_cast<size_t>(n)][static_cast<size_t>(field - kFieldNames.begin())];
    if (slot.empty()) slot = common::Trim(piece.substr(eq + 1));
  }
  std::vector<FilePatchEntry> entries;
  for (const auto& f : fields) {
    if (f[kName].empty()) break;
    FilePatchEntry e{f[kName], {f[kBase], f[kUrl], 0, f[kDigest], f[kResult]}};
    if (!IsSha256Text(e.patch.base) || !IsSha256Text(e.patch.digest) || !IsSha256Text(e.patch.result) ||
        !SafeRelativeUrl(e.patch.url) || !ParseSize(f[kSize], e.patch.size)) {
      continue;
    }
    e.patch.base = common::GbkToLowerAscii(e.patch.base);
    e.patch.digest = common::GbkToLowerAscii(e.patch.digest);
    e.patch.result = common::GbkToLowerAscii(e.patch.result);
    entries.push_back(std::move(e));
  }
  return entries;
}

std::string FormatFilePatchList(const std::vector<FilePatchEntry>& entries) {
  std::string value;
  for (size_t n = 0; n < entries.size() && n < static_cast<size_t>(kMaxFilePatches); ++n) {
    const std::string i = std::to_string(n);
    const PatchEntry& p = entries[n].patch;
    if (!value.empty()) value += ";;";
    value += "name" + i + "=" + entries[n].name + ";;base" + i + "=" + p.base + ";;url" + i + "=" + p.url + ";;size" +
             i + "=" + std::to_string(p.size) + ";;digest" + i + "=" + p.digest + ";;result" + i + "=" + p.result;
  }
  return value;
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
