#include "formats/skin_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "common/gbk.h"
#include "common/ini_document.h"
#include "formats/value_syntax.h"

namespace formats {
namespace {

constexpr const char kDefaultTitle[] = "Tarnwick";

std::string Numbered(const char* pattern, int n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, pattern, n);
  return buf;
}

int IntField(std::string_view value, std::string_view name) {
  return common::AtoI(common::Trim(GetSubField(value, name)));
}

ColorRef ColorField(std::string_view value, std::string_view name) {
  return static_cast<ColorRef>(common::AtoL(common::Trim(GetSubField(value, name))));
}

SkinRect RectField(std::string_view value) { return ParseRect(GetSubField(value, "rect")); }

ExtraSkin ReadExtra(SkinValueReader& reader, const std::string& section, std::string_view key) {
  std::string value = reader.ReadValue(section, key);
  return ExtraSkin{IntField(value, "show"), RectField(value)};
}

LabelSkin ReadLabel(SkinValueReader& reader, const std::string& section, int n) {
  std::string value = reader.ReadValue(section, Numbered("static%d", n));
  LabelSkin label;
  label.show = IntField(value, "show");
  label.rect = RectField(value);
  label.text = GetSubField(value, "text");
  label.url = GetSubField(value, "url");
  label.clrText = ColorField(value, "clrtext");
  label.clrNormal = ColorField(value, "clrnormal");
  label.clrHover = ColorField(value, "clrHover");
  label.norUnderline = IntField(value, "nor_underline");
  label.hovUnderline = IntField(value, "hov_underline");
  label.fontSize = IntField(value, "fontsize");
  label.fontWeight = IntField(value, "fontweight");
  label.fontItalic = IntField(value, "fontitalic");
  label.fontUnderline = IntField(value, "fontunderline");
  return label;
}

PageSkin ReadPage(SkinValueReader& reader, int index) {
  const std::string section = Numbered("win%d", index);
  PageSkin page;
  std::string attr = reader.ReadValue(section, "attr");
  page.show = IntField(attr, "show");
  page.rect = RectField(attr);
  page.clrbk = ColorField(attr, "clrbk");
  for (int i = 0; i < 2; ++i) {
    std::string image = reader.ReadValue(section, Numbered("image%d", i));
    page.images[i].show = IntField(image, "show");
    page.images[i].rect = RectField(image);
    page.images[i].bmpfile = GetSubField(image, "bmpfile");
    std::string button = reader.ReadValue(section, Numbered("button%d", i));
    page.buttons[i].rect = RectField(button);
    page.buttons[i].text = GetSubField(button, "text");
  }
  for (int i = 0; i < 4; ++i) page.labels[i] = ReadLabel(reader, section, i);

  // Only the extras a page actually has are read; the writer may emit more.
  switch (index) {
    case kStartPage:
      page.list = ReadExtra(reader, section, "list");
      break;
    case kDownloadPage:
      page.list = ReadExtra(reader, section, "list");
      page.richEdit = ReadExtra(reader, section, "rich_edit");
      page.progress[0] = ReadExtra(reader, section, "progress0");
      page.progress[1] = ReadExtra(reader, section, "progress1");
      page.status[0] = ReadExtra(reader, section, "status0");
      page.status[1] = ReadExtra(reader, section, "status1");
      break;
    case kUpdatePage:
      page.richEdit = ReadExtra(reader, section, "rich_edit");
      page.progress[0] = ReadExtra(reader, section, "progress0");
      page.status[0] = ReadExtra(reader, section, "status0");
      break;
    default:
      break;
  }
  return page;
}

}  // namespace

std::string IniSkinValueReader::ReadValue(std::string_view section, std::string_view key,
                                          std::string_view def) {
  return common::Trim(doc_.GetString(section, key, def, 1));
}

SkinRect ParseRect(std::string_view text) {
  size_t c1 = text.find(',');
  if (c1 == std::string_view::npos) return {};
  size_t c2 = text.find(',', c1 + 1);
  if (c2 == std::string_view::npos) return {};
  size_t c3 = text.find(',', c2 + 1);
  if (c3 == std::string_view::npos) return {};
  int left = common::AtoI(text.substr(0, c1));
  int top = common::AtoI(text.substr(c1 + 1, c2 - c1 - 1));
  int width = common::AtoI(text.substr(c2 + 1, c3 - c2 - 1));
  int height = common::AtoI(text.substr(c3 + 1));
  // Clamped before anything is added or allocated: a crafted skin asking
  // for a 16000 x 16000 picture, or coordinates whose sums overflow, gets
  // what a screen can show. A negative size stays negative (an empty
  // rectangle).
  auto clamp = [](int v) { return std::clamp(v, -kMaxSkinExtent, kMaxSkinExtent); };
  left = clamp(left);
  top = clamp(top);
  return SkinRect{left, top, left + clamp(width), top + clamp(height)};
}

SkinDescription ParseSkinValues(SkinValueReader& reader) {
  SkinDescription skin;
  for (int n = 0; n < kPageCount; ++n) skin.pages[n] = ReadPage(reader, n);
  skin.title = reader.ReadValue("UI", "title", kDefaultTitle);
  skin.sysIcon = reader.ReadValue("UI", "sysicon");
  return skin;
}

}  // namespace formats
