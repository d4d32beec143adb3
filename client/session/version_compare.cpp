#include "client/session/version_compare.h"

#include <string>

#include "common/gbk.h"

namespace session {

namespace {

// Takes the component before the first "." off text and gives its value;
// without a "." the whole text is the component and text becomes the
// replacement.
long TakeComponent(std::string& text, std::string_view replacement) {
  const size_t dot = text.find('.');
  if (dot == std::string::npos) {
    long value = common::AtoL(text);
    text = replacement;
    return value;
  }
  long value = common::AtoL(std::string_view(text).substr(0, dot));
  text.erase(0, dot + 1);
  return value;
}

}  // namespace

bool IsNewer(std::string_view serverText, std::string_view localText) {
  std::string server(serverText);
  std::string local(localText);
  while (server.find('.') != std::string::npos) {
    const long s = TakeComponent(server, "");
    const long l = TakeComponent(local, "0");
    if (l < s) return true;
    if (s < l) return false;
  }
  const long s = common::AtoL(server);
  const size_t dot = local.find('.');
  const long l = common::AtoL(dot == std::string::npos ? std::string_view(local)
                                                       : std::string_view(local).substr(0, dot));
  return l < s;
}

}  // namespace session
