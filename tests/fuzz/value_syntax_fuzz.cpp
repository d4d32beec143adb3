// Sub-fields, URL entries and path macros over any value text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/value_syntax.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string value(reinterpret_cast<const char*>(data), size);
  formats::GetSubField(value, "url0");
  formats::GetSubField(value, "version");
  formats::ParseUrlEntry(value);
  formats::UrlList list;
  formats::AppendUrlList(value, list);
  static const formats::FolderValues folders = {"", "/home/u", "/etc", "/usr/lib", "/tmp",
                                                "/opt", "/f", "/d", "/k"};
  formats::ExpandPathMacros(value, folders);
  return 0;
}
