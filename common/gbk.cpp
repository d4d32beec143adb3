#include "common/gbk.h"
#include "common/gbk_conversion.h"

#include <cerrno>
#include <climits>

namespace common {

namespace {

bool IsGbkTrail(unsigned char byte) { return byte >= 0x40 && byte <= 0xFE && byte != 0x7F; }

// Magnitude of the number by the atoi rule, saturated at cap; sets negative.
unsigned long long ParseMagnitude(std::string_view text, unsigned long long cap, bool* negative) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  *negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    *negative = text[i] == '-';
    ++i;
  }
  unsigned long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const unsigned digit = static_cast<unsigned>(text[i] - '0');
    // Checked before multiplying: a long run of digits must saturate, not
    // wrap round to a small number ("18446744073709551617" is not 1).
    value = value > (cap - digit) / 10 ? cap : value * 10 + digit;
  }
  return value;
}

}  // namespace

bool IsGbkLead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

size_t GbkCharLength(std::string_view text, size_t pos) {
  if (pos + 1 < text.size() && IsGbkLead(static_cast<unsigned char>(text[pos])) &&
      IsGbkTrail(static_cast<unsigned char>(text[pos + 1]))) {
    return 2;
  }
  return 1;
}

size_t GbkFind(std::string_view text, char c, size_t from) {
  for (size_t i = from; i < text.size(); i += GbkCharLength(text, i)) {
    if (text[i] == c) return i;
  }
  return std::string_view::npos;
}

size_t GbkFind(std::string_view text, std::string_view needle, size_t from) {
  if (needle.empty()) return from <= text.size() ? from : std::string_view::npos;
  for (size_t i = from; i < text.size(); i += GbkCharLength(text, i)) {
    if (text.compare(i, needle.size(), needle) == 0) return i;
  }
  return std::string_view::npos;
}

size_t GbkFindLast(std::string_view text, char c) {
  size_t found = std::string_view::npos;
  for (size_t i = 0; i < text.size(); i += GbkCharLength(text, i)) {
    if (text[i] == c) found = i;
  }
  return found;
}

std::string GbkReplaceChar(std::string_view text, char from, char to) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); i += GbkCharLength(out, i)) {
    if (out[i] == from) out[i] = to;
  }
  return out;
}

std::string GbkToLowerAscii(std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i < out.size();) {
    size_t n = GbkCharLength(out, i);
    if (n == 1 && out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
    i += n;
  }
  return out;
}

namespace {

// True when a character of text starts at pos (pos == size included).
bool IsCharBoundary(std::string_view text, size_t pos) {
  size_t i = 0;
  while (i < pos) i += GbkCharLength(text, i);
  return i == pos;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && GbkToLowerAscii(a) == GbkToLowerAscii(b);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && IsCharBoundary(text, prefix.size()) &&
         EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  const size_t start = text.size() - suffix.size();
  return IsCharBoundary(text, start) && EqualsNoCase(text.substr(start), suffix);
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// White space is single-byte and never a GBK trail byte (trail bytes start at
// 0x40), so trimming byte by byte cannot cut a double-byte character.
std::string TrimLeft(std::string_view text) {
  size_t b = 0;
  while (b < text.size() && IsBlank(text[b])) ++b;
  return std::string(text.substr(b));
}

std::string TrimRight(std::string_view text) {
  size_t e = text.size();
  while (e > 0 && IsBlank(text[e - 1])) --e;
  return std::string(text.substr(0, e));
}

std::string Trim(std::string_view text) {
  size_t b = 0;
  while (b < text.size() && IsBlank(text[b])) ++b;
  size_t e = text.size();
  while (e > b && IsBlank(text[e - 1])) --e;
  return std::string(text.substr(b, e - b));
}

size_t Utf8SequenceLength(std::string_view text, size_t pos) {
  unsigned char b = static_cast<unsigned char>(text[pos]);
  size_t n = 1;
  if (b >= 0xC2 && b <= 0xDF) {
    n = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3;
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4;
  }
  size_t i = 1;
  while (i < n && pos + i < text.size() &&
         (static_cast<unsigned char>(text[pos + i]) & 0xC0) == 0x80) {
    ++i;
  }
  return i;
}

std::string NativePath(std::string_view gbkPath) {
  // UTF-8 has no 0x5C inside a multi-byte sequence, so after the conversion
  // every remaining backslash is a real separator.
  std::string path = GbkToUtf8(gbkPath);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

int AtoI(std::string_view text) {
  bool negative = false;
  unsigned long long cap = static_cast<unsigned long long>(INT_MAX) + 1;
  unsigned long long m = ParseMagnitude(text, cap, &negative);
  if (negative) return m > static_cast<unsigned long long>(INT_MAX) ? INT_MIN : -static_cast<int>(m);
  return m > static_cast<unsigned long long>(INT_MAX) ? INT_MAX : static_cast<int>(m);
}

long AtoL(std::string_view text) {
  bool negative = false;
  unsigned long long cap = static_cast<unsigned long long>(LONG_MAX) + 1;
  unsigned long long m = ParseMagnitude(text, cap, &negative);
  if (negative) return m > static_cast<unsigned long long>(LONG_MAX) ? LONG_MIN : -static_cast<long>(m);
  return m > static_cast<unsigned long long>(LONG_MAX) ? LONG_MAX : static_cast<long>(m);
}

}  // namespace common
