#include "formats/version_compare.h"

#include "common/gbk.h"

namespace formats {

namespace {

// Takes the component before the first "." off text and gives its value;
// without a "." the whole text is the component and text becomes the
// replacement. Views, not erased strings: a version text of megabytes of
// components must cost one pass, not one copy per component.
long TakeComponent(std::string_view& text, std::string_view replacement) {
  const size_t dot = text.find('.');
  if (dot == std::string_view::npos) {
    long value = common::AtoL(text);
    text = replacement;
    return value;
  }
  long value = common::AtoL(text.substr(0, dot));
  text.remove_prefix(dot + 1);
  return value;
}

}  // namespace

bool IsNewer(std::string_view server, std::string_view local) {
  while (server.find('.') != std::string_view::npos) {
    const long s = TakeComponent(server, "");
    const long l = TakeComponent(local, "0");
    if (l < s) return true;
    if (s < l) return false;
  }
  const long s = common::AtoL(server);
  return common::AtoL(local.substr(0, local.find('.'))) < s;
}

bool IsDottedDecimal(std::string_view version) {
  size_t digits = 0;
  for (char c : version) {
    if (c >= '0' && c <= '9') {
      if (++digits > 9) return false;
    } else if (c == '.' && digits > 0) {
      digits = 0;
    } else {
      return false;
    }
  }
  return digits > 0;
}

}  // namespace formats
