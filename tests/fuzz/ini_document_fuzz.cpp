// The INI store over any text: every lookup, then a write and a delete that
// rewrite the lines.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/ini_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  // The first line names a section and a key to look up; the rest is the file.
  const size_t nl = text.find('\n');
  std::string probe = nl == std::string::npos ? text : text.substr(0, nl);
  const size_t eq = probe.find('=');
  const std::string section = probe.substr(0, eq == std::string::npos ? probe.size() : eq);
  const std::string key = eq == std::string::npos ? "key" : probe.substr(eq + 1);
  common::IniDocument doc;
  if (!doc.SetText(text)) return 0;
  doc.GetString(section, key, "def", 1);
  doc.GetString(section, key, "def", 3);
  doc.GetInt(section, key, 7);
  doc.GetString("system", "urls", "");
  doc.PutValue(section, key, "value");
  doc.DeleteKey(section, key);
  doc.PutValue("new", "k", "v");
  doc.GetText();
  return 0;
}
