// GBK <-> UTF-8 through the system's code page 936 (GBK). The code page
// functions refuse a whole text for one bad byte, so a text they refuse is
// converted again one character at a time, with the same replacements the
// iconv backend makes: U+FFFD for a GBK character that is not one, "?" for
// a character GBK cannot hold.
#include <windows.h>

#include <string>

#include "common/gbk.h"
#include "common/gbk_conversion.h"

namespace common {

namespace {

constexpr UINT kGbkCodePage = 936;

std::wstring Widen(UINT codePage, std::string_view text, bool* ok) {
  *ok = true;
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
  if (n <= 0) {
    *ok = false;
    return {};
  }
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), n);
  // Code page 936 gives the user-defined GBK areas (A1-A9 A1-FE and the
  // like) private-use characters; GBK itself, as the files are read
  // everywhere else, has no character there.
  if (codePage == kGbkCodePage) {
    for (wchar_t c : wide) *ok = *ok && !(c >= 0xE000 && c <= 0xF8FF);
  }
  return wide;
}

// UTF-16 to code page bytes; false when a character has no mapping there.
bool Narrow(UINT codePage, const std::wstring& wide, std::string* out) {
  if (wide.empty()) return true;
  if (codePage == kGbkCodePage) {
    for (wchar_t c : wide) {
      if (c >= 0xE000 && c <= 0xF8FF) return false;  // no GBK character, as above
    }
  }
  BOOL usedDefault = FALSE;
  BOOL* check = codePage == CP_UTF8 ? nullptr : &usedDefault;
  const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int length = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr, check);
  if (n <= 0 || usedDefault) return false;
  const size_t at = out->size();
  out->resize(at + static_cast<size_t>(n));
  WideCharToMultiByte(codePage, flags, wide.data(), length, out->data() + at, n, nullptr, nullptr);
  return true;
}

template <typename Step, typename One>
std::string Convert(UINT from, UINT to, std::string_view text, Step step, One bad) {
  std::string out;
  bool ok = false;
  std::wstring wide = Widen(from, text, &ok);
  if (ok && Narrow(to, wide, &out)) return out;
  out.clear();
  for (size_t pos = 0; pos < text.size();) {
    const size_t n = step(text, pos);
    std::wstring one = Widen(from, text.substr(pos, n), &ok);
    if (!ok || !Narrow(to, one, &out)) out += bad;
    pos += n;
  }
  return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  return Convert(kGbkCodePage, CP_UTF8, gbk, GbkCharLength, kReplacementUtf8);
}

std::string Utf8ToGbk(std::string_view utf8) {
  return Convert(CP_UTF8, kGbkCodePage, utf8, Utf8SequenceLength, "?");
}

}  // namespace common
