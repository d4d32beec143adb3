#include "common/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <climits>

namespace common {

namespace {

constexpr const char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD

bool IsGbkTrail(unsigned char byte) { return byte >= 0x40 && byte <= 0xFE && byte != 0x7F; }

// One conversion descriptor per direction and thread, opened on first use:
// the programs convert many short texts and iconv_open is not free.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (Ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts text; at every sequence iconv refuses, appends `bad` and skips
  // the number of bytes `skip` tells for that position.
  template <typename Skip>
  std::string Run(std::string_view text, std::string_view bad, Skip skip) {
    std::string out;
    out.reserve(text.size() * 3 / 2 + 4);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buf[4096];
    while (inLeft > 0) {
      char* o = buf;
      size_t oLeft = sizeof buf;
      size_t r = iconv(cd_, &in, &inLeft, &o, &oLeft);
      int err = errno;
      out.append(buf, static_cast<size_t>(o - buf));
      if (r != static_cast<size_t>(-1)) break;
      if (err == E2BIG) continue;
      // EILSEQ (not convertible) or EINVAL (cut off at the end).
      size_t pos = text.size() - inLeft;
      size_t n = skip(text, pos);
      if (n == 0 || n > inLeft) n = inLeft;
      out.append(bad);
      in += n;
      inLeft -= n;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  iconv_t cd_;
};

// Length of the UTF-8 sequence at text[pos]; a sequence cut short by a
// non-continuation byte or the end counts up to where it stops, so it turns
// into one replacement character.
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

std::string GbkToUtf8(std::string_view gbk) {
  thread_local Converter conv("UTF-8", "GBK");
  if (!conv.Ok()) {
    std::string out;
    for (char c : gbk) {
      if (static_cast<unsigned char>(c) < 0x80) {
        out += c;
      } else {
        out += kReplacementUtf8;
      }
    }
    return out;
  }
  return conv.Run(gbk, kReplacementUtf8, [](std::string_view t, size_t pos) {
    return GbkCharLength(t, pos);
  });
}

std::string Utf8ToGbk(std::string_view utf8) {
  thread_local Converter conv("GBK", "UTF-8");
  if (!conv.Ok()) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); i += Utf8SequenceLength(utf8, i)) {
      out += static_cast<unsigned char>(utf8[i]) < 0x80 ? utf8[i] : '?';
    }
    return out;
  }
  return conv.Run(utf8, "?", Utf8SequenceLength);
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
