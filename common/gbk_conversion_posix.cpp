// GBK <-> UTF-8 through glibc's iconv.
#include <iconv.h>

#include <cerrno>
#include <string>

#include "common/gbk.h"
#include "common/gbk_conversion.h"

namespace common {

namespace {

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

}  // namespace

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

}  // namespace common
