// Sub-fields, URL entries and path macros over any value text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "client/session/value_syntax.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string value(reinterpret_cast<const char*>(data), size);
  session::GetSubField(value, "url0");
  session::GetSubField(value, "version");
  session::ParseUrlEntry(value);
  session::UrlList list;
  session::AppendUrlList(value, list);
  static const session::FolderValues folders = {"", "/home/u", "/etc", "/usr/lib", "/tmp",
                                                "/opt", "/f", "/d", "/k"};
  session::ExpandPathMacros(value, folders);
  return 0;
}
