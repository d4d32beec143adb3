#include "client/download/url_tools.h"

#include <cstdlib>

#include "common/gbk.h"

namespace transfer {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendEscaped(std::string& out, unsigned char byte) {
  out += '%';
  out += kHex[byte >> 4];
  out += kHex[byte & 0x0F];
}

}  // namespace

UrlParts CrackUrl(std::string_view url) {
  UrlParts parts;
  size_t sep = url.find("://");
  if (sep == std::string_view::npos) return parts;
  std::string_view scheme = url.substr(0, sep);
  std::string_view rest = url.substr(sep + 3);
  int defaultPort = 0;
  if (common::EqualsNoCase(scheme, "http")) {
    parts.scheme = Scheme::kHttp;
    defaultPort = 80;
  } else if (common::EqualsNoCase(scheme, "https")) {
    parts.scheme = Scheme::kHttps;
    defaultPort = 443;
  } else if (common::EqualsNoCase(scheme, "ftp")) {
    parts.scheme = Scheme::kFtp;
    defaultPort = 21;
  } else if (common::EqualsNoCase(scheme, "file")) {
    parts.scheme = Scheme::kFile;
  } else {
    return UrlParts{};
  }

  if (parts.scheme == Scheme::kFile) {
    // file:///path, file://localhost/path, and the old file://C:\dir form.
    size_t slash = rest.find('/');
    if (!rest.empty() && rest[0] == '/') {
      parts.objectPath = std::string(rest);
    } else if (rest.find(':') != std::string_view::npos &&
               (slash == std::string_view::npos || rest.find(':') < slash)) {
      parts.objectPath = std::string(rest);
    } else if (slash == std::string_view::npos) {
      parts.server = std::string(rest);
    } else {
      parts.server = std::string(rest.substr(0, slash));
      parts.objectPath = std::string(rest.substr(slash));
    }
    return parts;
  }

  size_t pathStart = rest.find_first_of("/?");
  std::string_view authority = rest.substr(0, pathStart);
  if (pathStart != std::string_view::npos) parts.objectPath = std::string(rest.substr(pathStart));
  size_t at = authority.rfind('@');
  if (at != std::string_view::npos) {
    std::string_view login = authority.substr(0, at);
    authority = authority.substr(at + 1);
    size_t colon = login.find(':');
    parts.user = std::string(login.substr(0, colon));
    if (colon != std::string_view::npos) parts.password = std::string(login.substr(colon + 1));
  }
  parts.port = defaultPort;
  size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos) {
    std::string digits(authority.substr(colon + 1));
    authority = authority.substr(0, colon);
    if (!digits.empty()) parts.port = std::atoi(digits.c_str());
  }
  parts.server = std::string(authority);
  if (parts.server.empty()) return UrlParts{};
  return parts;
}

std::string CleanObjectPath(std::string_view objectPath) {
  std::string out;
  out.reserve(objectPath.size());
  for (size_t i = 0; i < objectPath.size();) {
    if (objectPath.compare(i, 3, "%20") == 0) {
      out += ' ';
      i += 3;
    } else {
      out += objectPath[i++];
    }
  }
  // A last byte 0x5C may be the trail byte of a double-byte character.
  if (!out.empty() && (out.back() == '/' || common::GbkFindLast(out, '\\') + 1 == out.size())) out.pop_back();
  return out;
}

bool CanonicalizeUrl(std::string_view url, std::string& out) {
  std::string result;
  result.reserve(url.size() + 16);
  size_t sep = url.find("://");
  size_t start = sep == std::string_view::npos ? 0 : sep + 3;
  result.append(url.substr(0, start));
  for (size_t i = start; i < url.size();) {
    size_t len = common::GbkCharLength(url, i);
    unsigned char c = static_cast<unsigned char>(url[i]);
    if (len == 1 && (c <= 0x20 || c == 0x7F || c == '<' || c == '>' || c == '"' || c == '\\' ||
                     c == '^' || c == '`' || c == '{' || c == '|' || c == '}')) {
      AppendEscaped(result, c);
    } else {
      result.append(url.substr(i, len));
    }
    i += len;
  }
  if (result.size() > kMaxCanonicalUrl) return false;
  out = std::move(result);
  return true;
}

std::string EscapeDoubleByte(std::string_view canonical) {
  std::string out;
  out.reserve(canonical.size());
  for (size_t i = 0; i < canonical.size();) {
    unsigned char c = static_cast<unsigned char>(canonical[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    size_t len = common::GbkCharLength(canonical, i);
    for (unsigned char b : common::GbkToUtf8(canonical.substr(i, len))) AppendEscaped(out, b);
    i += len;
  }
  return out;
}

bool PrepareUrl(std::string_view gbkUrl, std::string& out) {
  std::string canonical;
  if (!CanonicalizeUrl(gbkUrl, canonical)) return false;
  out = EscapeDoubleByte(canonical);
  return true;
}

std::string EscapePathBytes(std::string_view path) {
  std::string out;
  for (unsigned char c : path) {
    bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (keep) out += static_cast<char>(c);
    else AppendEscaped(out, c);
  }
  return out;
}

RemotePath SplitRemotePath(std::string_view path) {
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {"/", std::string(path)};
  return {std::string(path.substr(0, slash + 1)), std::string(path.substr(slash + 1))};
}

}  // namespace transfer
