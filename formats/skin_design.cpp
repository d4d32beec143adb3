#include "formats/skin_design.h"

#include <string>

#include "common/gbk.h"
#include "formats/skin_reader.h"
#include "formats/value_syntax.h"

namespace formats {
namespace {

struct ElementInfo {
  ElementKind kind;
  const char* key;
  const char* caption;
};

constexpr ElementInfo kElements[kDesignElementCount] = {
    {ElementKind::Text, "static0", "文本1"},     {ElementKind::Text, "static1", "文本2"},
    {ElementKind::Text, "static2", "文本3"},     {ElementKind::Text, "static3", "文本4"},
    {ElementKind::Plain, "status0", "状态栏"},   {ElementKind::Plain, "status1", "下载速度"},
    {ElementKind::Button, "button0", ""},        {ElementKind::Button, "button1", ""},
    {ElementKind::Plain, "list", "列表"},        {ElementKind::Plain, "rich_edit", "状态框"},
    {ElementKind::Plain, "progress0", "进度条"}, {ElementKind::Plain, "progress1", "总进度条"},
    {ElementKind::Picture, "image0", "图像1"},   {ElementKind::Picture, "image1", "图像2"},
};

int IntField(std::string_view value, std::string_view name) {
  return common::AtoI(common::Trim(GetSubField(value, name)));
}

ColorRef ColorField(std::string_view value, std::string_view name) {
  return static_cast<ColorRef>(common::AtoL(common::Trim(GetSubField(value, name))));
}

// The designer's rule for stored rectangles: an element stored without a
// width or height (a rectangle written as zeros because it lay off the
// window) comes back somewhere the author can see and grab it.
SkinRect StoredRect(std::string_view value) {
  SkinRect r = ParseRect(GetSubField(value, "rect"));
  int width = r.Width();
  int height = r.Height();
  if (height == 0) {
    r.top = 100;
    height = 20;
  }
  if (width == 0) width = 100;
  r.right = r.left + width;
  r.bottom = r.top + height;
  return r;
}

}  // namespace

ElementKind KindOf(int element) { return kElements[element].kind; }
const char* SkinKeyOf(int element) { return kElements[element].key; }
const char* CheckCaptionOf(int element) { return kElements[element].caption; }

DesignWindow ReadDesignWindow(SkinValueReader& reader, int n, const DesignWindow& start,
                              const PictureLocator& locate) {
  const std::string section = "win" + std::to_string(n);
  DesignWindow window = start;
  std::string attr = reader.ReadValue(section, "attr");
  if (!attr.empty()) {
    window.show = IntField(attr, "show");
    window.clrbk = ColorField(attr, "clrbk");
    SkinRect r = StoredRect(attr);
    window.rect = {0, 0, r.Width(), r.Height()};
  }
  for (int e = 0; e < kDesignElementCount; ++e) {
    std::string value = reader.ReadValue(section, SkinKeyOf(e));
    DesignElement element;
    if (value.empty()) {
      window.elements[e] = element;
      continue;
    }
    element.exists = true;
    element.show = IntField(value, "show");
    element.rect = StoredRect(value);
    switch (KindOf(e)) {
      case ElementKind::Text:
        element.text = GetSubField(value, "text");
        element.url = GetSubField(value, "url");
        element.clrText = ColorField(value, "clrtext");
        element.clrNormal = ColorField(value, "clrnormal");
        element.clrHover = ColorField(value, "clrHover");
        element.norUnderline = IntField(value, "nor_underline");
        element.hovUnderline = IntField(value, "hov_underline");
        element.fontSize = IntField(value, "fontsize");
        element.fontWeight = IntField(value, "fontweight");
        element.fontItalic = IntField(value, "fontitalic");
        element.fontUnderline = IntField(value, "fontunderline");
        break;
      case ElementKind::Picture: {
        element.clrtp = ColorField(value, "clrtp");
        std::string bmpfile = common::Trim(GetSubField(value, "bmpfile"));
        element.picture = bmpfile.empty() || !locate ? bmpfile : locate(bmpfile);
        break;
      }
      case ElementKind::Button:
        element.text = GetSubField(value, "text");
        break;
      case ElementKind::Plain:
        break;
    }
    window.elements[e] = element;
  }
  return window;
}

}  // namespace formats
