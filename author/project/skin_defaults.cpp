#include "author/project/skin_defaults.h"

#include "common/gbk.h"
#include "formats/default_skin.h"

namespace author {

using formats::DesignElement;
using formats::DesignWindow;

namespace {

DesignElement Plain(const formats::ExtraSkin& extra) {
  DesignElement e;
  e.exists = !extra.rect.IsEmpty();
  e.show = extra.show;
  e.rect = extra.rect;
  return e;
}

}  // namespace

DesignWindow DefaultWindow(int n, const std::string& picsFolder) {
  static const formats::SkinDescription skin = formats::DefaultSkin();
  const formats::PageSkin& page = skin.pages[n];
  DesignWindow w;
  w.show = 1;
  w.rect = {0, 0, page.rect.Width(), page.rect.Height()};
  w.clrbk = page.clrbk;
  for (int i = 0; i < 4; ++i) {
    const formats::LabelSkin& l = page.labels[i];
    DesignElement& e = w.elements[formats::kText0 + i];
    e.exists = true;
    e.show = l.show;
    e.rect = l.rect;
    e.text = l.text;
    e.url = l.url;
    e.clrText = l.clrText;
    e.clrNormal = l.clrNormal;
    e.clrHover = l.clrHover;
    e.norUnderline = l.norUnderline;
    e.hovUnderline = l.hovUnderline;
    e.fontSize = l.fontSize;
    e.fontWeight = l.fontWeight;
    e.fontItalic = l.fontItalic;
    e.fontUnderline = l.fontUnderline;
  }
  const char* const pictures[2] = {"top.bmp", "bottom.bmp"};
  for (int i = 0; i < 2; ++i) {
    DesignElement& e = w.elements[formats::kPicture0 + i];
    e.exists = true;
    e.show = page.images[i].show;
    e.rect = page.images[i].rect;
    e.picture = picsFolder + pictures[i];
    e.clrtp = formats::kColorWhite;
  }
  for (int i = 0; i < 2; ++i) {
    DesignElement& e = w.elements[formats::kButton0 + i];
    e.exists = true;
    e.text = page.buttons[i].text;
    e.show = e.text.empty() ? 0 : 1;
    // The update window's first button has no place in the shared layout;
    // it keeps the spot of the others so that showing it puts it there.
    e.rect = page.buttons[i].rect.IsEmpty() ? skin.pages[0].buttons[i].rect : page.buttons[i].rect;
  }
  w.elements[formats::kList] = Plain(page.list);
  w.elements[formats::kStatusBox] = Plain(page.richEdit);
  w.elements[formats::kProgressBar] = Plain(page.progress[0]);
  w.elements[formats::kTotalProgressBar] = Plain(page.progress[1]);
  w.elements[formats::kStatusBar] = Plain(page.status[0]);
  w.elements[formats::kSpeedText] = Plain(page.status[1]);
  return w;
}

formats::SkinDesign DefaultDesign(const std::string& picsFolder) {
  formats::SkinDesign d;
  d.title = common::Gbk(kDefaultTitle);
  for (int n = 0; n < formats::kDesignWindowCount; ++n) d.windows[n] = DefaultWindow(n, picsFolder);
  return d;
}

}  // namespace author
