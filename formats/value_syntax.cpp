#include "formats/value_syntax.h"

#include "common/gbk.h"

namespace formats {

std::string ExpandPathMacros(std::string_view text, const FolderValues& folders) {
  std::string out(text);
  for (size_t m = 0; m < kPathMacros.size(); ++m) {
    std::string_view macro = kPathMacros[m];
    if (common::GbkFind(out, macro) != 0) continue;
    const std::string& value = folders[m];
    std::string replaced;
    size_t from = 0;
    for (size_t pos = common::GbkFind(out, macro); pos != std::string::npos;
         pos = common::GbkFind(out, macro, from)) {
      replaced.append(out, from, pos - from);
      replaced += value;
      from = pos + macro.size();
    }
    replaced.append(out, from, std::string::npos);
    out = std::move(replaced);
    // Values carry no trailing separator, so "{win}system32" and
    // "{win}\system32" both name a file inside the folder.
    if (out.size() <= value.size() || out[value.size()] != '\\') out.insert(value.size(), 1, '\\');
  }
  return out;
}

std::string GetSubField(std::string_view rawValue, std::string_view name) {
  std::string value = common::Trim(rawValue);
  std::string key = ";;" + std::string(name) + "=";
  size_t start;
  size_t pos = common::GbkFind(value, key);
  if (pos != std::string::npos && pos > 0) {
    start = pos + name.size() + 3;
  } else if (value.compare(0, name.size(), name) == 0) {
    // The character after the name is taken to be "=" without looking.
    start = name.size() + 1;
  } else {
    return "";
  }
  if (start >= value.size()) return "";
  size_t end = common::GbkFind(value, ";;", start);
  return value.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

UrlEntry ParseUrlEntry(std::string_view rawEntry) {
  UrlEntry e;
  std::string entry = common::Trim(common::GbkReplaceChar(rawEntry, '\\', '/'));
  std::string address = entry;
  size_t p = common::GbkFind(entry, ",,");
  if (p != std::string::npos && p > 0) {
    address = entry.substr(0, p);
    std::string rest = entry.substr(p + 2);
    size_t q = common::GbkFind(rest, ",,");
    if (q != std::string::npos && q > 0) {
      e.user = rest.substr(0, q);
      e.password = rest.substr(q + 2);
    } else {
      e.user = rest;
    }
  }
  size_t s = common::GbkFind(address, "://");
  if (s != std::string::npos && s > 0) {
    e.scheme = address.substr(0, s + 3);
    e.rest = address.substr(s + 3);
  } else {
    e.rest = address;
  }
  return e;
}

size_t UrlList::PickMirror(bool random, std::mt19937& rng) const {
  if (!random || urls.size() < 2) return 0;
  return std::uniform_int_distribution<size_t>(0, urls.size() - 1)(rng);
}

Mirror UrlList::RemoveMirror(size_t i) {
  const auto at = static_cast<std::ptrdiff_t>(i);
  Mirror mirror{std::move(urls[i]), std::move(users[i]), std::move(passwords[i])};
  urls.erase(urls.begin() + at);
  users.erase(users.begin() + at);
  passwords.erase(passwords.begin() + at);
  return mirror;
}

Mirror UrlList::TakeMirror(bool random, std::mt19937& rng) { return RemoveMirror(PickMirror(random, rng)); }

void AppendUrlList(std::string_view urlsValue, UrlList& list) {
  for (int n = 0; n <= 9; ++n) {
    std::string entry = GetSubField(urlsValue, "url" + std::to_string(n));
    if (entry.empty()) break;
    UrlEntry e = ParseUrlEntry(entry);
    if (!e.Usable()) continue;
    list.urls.push_back(e.Url());
    list.users.push_back(e.user);
    list.passwords.push_back(e.password);
  }
}

namespace {

// Masks the user info password of the URL that starts entry, if any.
std::string HideUserInfoPassword(std::string_view entry) {
  const size_t scheme = entry.find("://");
  if (scheme == std::string_view::npos) return std::string(entry);
  const size_t start = scheme + 3;
  size_t end = entry.find_first_of("/\\", start);
  if (end == std::string_view::npos) end = entry.size();
  const size_t at = entry.substr(0, end).rfind('@');
  if (at == std::string_view::npos || at < start) return std::string(entry);
  const size_t colon = entry.substr(0, at).find(':', start);
  if (colon == std::string_view::npos) return std::string(entry);
  return std::string(entry.substr(0, colon + 1)) + "***" + std::string(entry.substr(at));
}

// "address,,user,,password": the password masked, both in the third field
// and in the address.
std::string HideEntryPassword(std::string_view entry) {
  const size_t first = common::GbkFind(entry, ",,");
  const size_t second = first == std::string_view::npos ? first : common::GbkFind(entry, ",,", first + 2);
  std::string out = HideUserInfoPassword(entry.substr(0, first));
  if (first == std::string_view::npos) return out;
  out += entry.substr(first, second == std::string_view::npos ? std::string_view::npos : second - first);
  if (second != std::string_view::npos) out += second + 2 < entry.size() ? ",,***" : ",,";
  return out;
}

}  // namespace

std::string HidePasswords(std::string_view text) {
  std::string out;
  size_t pos = 0;
  while (true) {
    const size_t end = common::GbkFind(text, ";;", pos);
    out += HideEntryPassword(text.substr(pos, end == std::string_view::npos ? end : end - pos));
    if (end == std::string_view::npos) break;
    out += ";;";
    pos = end + 2;
  }
  return out;
}

}  // namespace formats
