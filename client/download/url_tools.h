#pragma once
// URL helpers shared by every transfer: splitting a location into service
// type, server, object path and port, cleaning the object path, and turning
// a GBK URL into the byte form servers expect (unsafe characters escaped,
// double-byte characters as percent-escaped UTF-8).

#include <string>
#include <string_view>

namespace transfer {

enum class Scheme { kUnknown, kHttp, kHttps, kFtp, kFile };

// A URL taken apart the way every caller picks its transfer by.
struct UrlParts {
  Scheme scheme = Scheme::kUnknown;
  std::string server;
  std::string objectPath;  // everything after the server, query included
  int port = 0;            // the scheme's default when the URL names none
  std::string user;        // from "user:password@" in the URL, if any
  std::string password;
};

/// Splits a URL; an unparsable text gives scheme kUnknown and empty parts.
UrlParts CrackUrl(std::string_view url);

/// The object path as transfers use it: every "%20" becomes a blank and one
/// trailing "\" or "/" is removed.
std::string CleanObjectPath(std::string_view objectPath);

/// Longest canonical URL that fits the 512-byte result buffer with its NUL.
inline constexpr size_t kMaxCanonicalUrl = 511;

/// Escapes blanks, control characters and the characters that are unsafe in
/// a URL ("<", ">", "\"", "\\", "^", "`", "{", "|", "}") after the scheme;
/// "%" and the meta sequences "." and ".." are left as they are. Returns
/// false (out untouched) when the result would pass kMaxCanonicalUrl bytes.
bool CanonicalizeUrl(std::string_view url, std::string& out);

/// ASCII bytes are copied; every GBK character of two bytes (and any other
/// byte from 0x80) is written as its UTF-8 bytes, each "%" + two upper-case
/// hexadecimal digits.
std::string EscapeDoubleByte(std::string_view canonical);

/// Canonicalises and then escapes; false when canonicalising fails.
bool PrepareUrl(std::string_view gbkUrl, std::string& out);

/// An FTP path taken apart at its last "/": the folder up to and including
/// that "/" ("/" when there is none) and the file name after it.
struct RemotePath {
  std::string folder;
  std::string name;
};
RemotePath SplitRemotePath(std::string_view path);

/// Percent-escapes every byte outside the unreserved set and "/", so that a
/// GBK remote name reaches an FTP server byte for byte inside a URL.
std::string EscapePathBytes(std::string_view path);

}  // namespace transfer
