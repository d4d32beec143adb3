#include "platform/win32_text.h"

#include <windows.h>

#include "common/gbk.h"

namespace platform {

namespace {

std::wstring ToWide(UINT codePage, std::string_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), n);
  return wide;
}

}  // namespace

std::wstring Wide(std::string_view utf8) { return ToWide(CP_UTF8, utf8); }

std::wstring WideFromGbk(std::string_view gbk) { return ToWide(936, gbk); }

namespace {

std::string Utf8FromWide(std::wstring_view wide) {
  std::string out;
  if (!wide.empty()) {
    const int length = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    out.resize(static_cast<size_t>(n > 0 ? n : 0));
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, out.data(), n, nullptr, nullptr);
  }
  return out;
}

}  // namespace

std::string NativeFromWide(std::wstring_view wide) {
  std::string out = Utf8FromWide(wide);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

std::string GbkTextFromWide(std::wstring_view wide) { return common::Utf8ToGbk(Utf8FromWide(wide)); }

std::string GbkFromWide(std::wstring_view wide) { return common::Utf8ToGbk(NativeFromWide(wide)); }

std::string SystemErrorText(std::string_view op, unsigned long error) {
  return std::string(op) + ": Windows error " + std::to_string(error);
}

}  // namespace platform
