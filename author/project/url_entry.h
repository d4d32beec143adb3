#pragma once
// The item editors' URL forms. An entry is shown in a list line as scheme +
// address, and for FTP "  用户名：" + user + "  口令：" + password; it is
// stored as address[,,user[,,password]] (the user only when non-empty, the
// password only when both are), and a list is stored as the sub-fields
// url0=..;;url1=.. of a urls value. The urls value is read with the value
// syntax the client reads it with (formats::GetSubField).

#include <string>
#include <string_view>
#include <vector>

namespace author {

inline constexpr size_t kMaxUrls = 10;

struct UrlFields {
  std::string scheme;   // "http://", "ftp://", "file://"
  std::string address;  // what follows the scheme
  std::string user;
  std::string password;
};

/// The list line for the editor's fields (user and password only for FTP).
std::string DisplayText(const UrlFields& fields);
/// The stored entry of a list line.
std::string StoredFromDisplay(std::string_view line);
/// The fields of a list line (scheme: the address part up to "://").
UrlFields FieldsFromDisplay(std::string_view line);

/// The list lines of a urls value: url0, url1, ... up to the first missing
/// one, entries without scheme or address skipped.
std::vector<std::string> DisplayLinesFromUrls(std::string_view urlsValue);
/// The urls value of list lines: "url%d=" + stored entry, joined by ";;".
std::string UrlsFromDisplayLines(const std::vector<std::string>& lines);

}  // namespace author
