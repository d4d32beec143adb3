#include "author/project/url_entry.h"

#include "common/gbk.h"
#include "formats/value_syntax.h"

namespace author {

namespace {

const std::string& UserLabel() {
  static const std::string text = common::Gbk("  用户名：");
  return text;
}

const std::string& PasswordLabel() {
  static const std::string text = common::Gbk("  口令：");
  return text;
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (size_t pos = common::GbkFind(text, from); pos != std::string::npos;
       pos = common::GbkFind(text, from, pos + to.size())) {
    text.replace(pos, from.size(), to);
  }
  return text;
}

// address[,,user[,,password]] split at the first ",," and the next one.
UrlFields SplitStored(std::string_view stored) {
  UrlFields f;
  std::string address(stored);
  size_t p = common::GbkFind(stored, ",,");
  if (p != std::string::npos) {
    address = std::string(stored.substr(0, p));
    std::string_view rest = stored.substr(p + 2);
    size_t q = common::GbkFind(rest, ",,");
    f.user = std::string(rest.substr(0, q));
    if (q != std::string::npos) f.password = std::string(rest.substr(q + 2));
  }
  size_t s = common::GbkFind(address, "://");
  if (s != std::string::npos) {
    f.scheme = address.substr(0, s + 3);
    f.address = address.substr(s + 3);
  } else {
    f.address = address;
  }
  return f;
}

}  // namespace

std::string DisplayText(const UrlFields& fields) {
  std::string line = fields.scheme + fields.address;
  if (fields.scheme == "ftp://") line += UserLabel() + fields.user + PasswordLabel() + fields.password;
  return line;
}

UrlFields FieldsFromDisplay(std::string_view line) {
  return SplitStored(ReplaceAll(ReplaceAll(std::string(line), UserLabel(), ",,"), PasswordLabel(), ",,"));
}

std::string StoredFromDisplay(std::string_view line) {
  UrlFields f = FieldsFromDisplay(line);
  std::string stored = f.scheme + f.address;
  if (!f.user.empty()) {
    stored += ",," + f.user;
    if (!f.password.empty()) stored += ",," + f.password;
  }
  return stored;
}

std::vector<std::string> DisplayLinesFromUrls(std::string_view urlsValue) {
  std::vector<std::string> lines;
  for (size_t i = 0; i < kMaxUrls; ++i) {
    std::string entry = formats::GetSubField(urlsValue, "url" + std::to_string(i));
    if (entry.empty()) break;
    UrlFields f = SplitStored(entry);
    if (f.scheme.empty() || f.address.empty()) continue;
    std::string line = f.scheme + f.address;
    if (!f.user.empty()) {
      line += UserLabel() + f.user;
      if (!f.password.empty()) line += PasswordLabel() + f.password;
    }
    lines.push_back(line);
  }
  return lines;
}

std::string UrlsFromDisplayLines(const std::vector<std::string>& lines) {
  std::string value;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) value += ";;";
    value += "url" + std::to_string(i) + "=" + StoredFromDisplay(lines[i]);
  }
  return value;
}

}  // namespace author
