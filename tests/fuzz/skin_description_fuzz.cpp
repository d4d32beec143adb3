// The skin description reader over any "ui.dat" text, and the rectangle
// rule over the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/ini_document.h"
#include "formats/skin_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  [[maybe_unused]] static volatile int sink = 0;
  formats::SkinRect r = formats::ParseRect(text);
  sink = r.Width();
  sink = r.Height();
  common::IniDocument doc;
  if (!doc.SetText(text)) return 0;
  formats::IniSkinValueReader reader(doc);
  formats::SkinDescription skin = formats::ParseSkinValues(reader);
  for (const formats::PageSkin& page : skin.pages) {
    sink = page.rect.Width();
    sink = page.rect.Height();
    for (const formats::LabelSkin& label : page.labels) sink = label.rect.Width() + label.rect.Height();
  }
  return 0;
}
