#include "formats/skin_reader.h"

#include <gtest/gtest.h>

#include "common/gbk.h"
#include "common/ini_document.h"
#include "formats/value_syntax.h"

namespace formats {
namespace {

using common::Gbk;

SkinDescription ParseText(const std::string& text) {
  common::IniDocument doc;
  if (!text.empty()) {
    EXPECT_TRUE(doc.SetText(text));
  }
  IniSkinValueReader reader(doc);
  return ParseSkinValues(reader);
}

TEST(ParseRect, WidthAndHeightBecomeRightAndBottom) {
  EXPECT_EQ(ParseRect("10,20,100,30"), (SkinRect{10, 20, 110, 50}));
  // Values past what a screen shows are clamped before they are added: no
  // sum overflows, no 16000 x 16000 picture is made, and every width and
  // height can be taken.
  EXPECT_EQ(ParseRect("2147483647,0,1,-1"), (SkinRect{4096, 0, 4097, -1}));
  EXPECT_EQ(ParseRect("0,0,16000,16000"), (SkinRect{0, 0, 4096, 4096}));
  const SkinRect wide = ParseRect("-2147483648,-99999999999,2147483647,2147483647");
  EXPECT_EQ(wide, (SkinRect{-4096, -4096, 0, 0}));
  EXPECT_EQ(wide.Width(), 4096);
  EXPECT_EQ(ParseRect("-2147483648,0,-2147483648,0").Width(), -4096);
  EXPECT_EQ(ParseRect(" 5 , 6 ,7, 8"), (SkinRect{5, 6, 12, 14}));
  EXPECT_EQ(ParseRect(",,,"), (SkinRect{0, 0, 0, 0}));
  // Anything after the fourth number ends it, as atoi does.
  EXPECT_EQ(ParseRect("1,2,3,4,5"), (SkinRect{1, 2, 4, 6}));
}

TEST(ParseRect, FewerThanThreeCommasIsTheEmptyRectangle) {
  EXPECT_EQ(ParseRect("10,20,100"), SkinRect{});
  EXPECT_EQ(ParseRect(""), SkinRect{});
  EXPECT_TRUE(ParseRect("10,20,100").IsEmpty());
}

TEST(SkinValues, FirstFieldNeedsNoSeparatorOthersDo) {
  const std::string value = "show=1;;clrbk=255;;rect=1,2,3,4";
  EXPECT_EQ(GetSubField(value, "show"), "1");
  EXPECT_EQ(GetSubField(value, "clrbk"), "255");
  EXPECT_EQ(GetSubField(value, "rect"), "1,2,3,4");
  // "clrbk" not at the start and without ";;" in front is not a field.
  EXPECT_EQ(GetSubField("xclrbk=5", "clrbk"), "");
  EXPECT_EQ(GetSubField(value, "text"), "");
}

TEST(SkinValues, DoubleByteTrailBytesAreNotSeparators) {
  // 乗 is 81 5C and 乚 is 81 5D: neither may end or start a field.
  const std::string value = "show=1;;text=" + Gbk("乗乚") + ";;url=http://x";
  EXPECT_EQ(GetSubField(value, "text"), Gbk("乗乚"));
  EXPECT_EQ(GetSubField(value, "url"), "http://x");
}

TEST(ParseSkinValues, ReadsEveryFieldOfAPage) {
  const std::string text =
      "[win1]\r\n"
      "attr=show=1;;clrbk=16711680;;rect=0,0,436,400\r\n"
      "image1=show=1;;clrtp=0;;rect=0,355,436,45;;bmpfile=res\\bottom.bmp\r\n"
      "button0=show=1;;rect=247,358,82,29;;text=" + Gbk("暂停(&P)") + "\r\n"
      "static3=show=1;;clrtext=1;;clrnormal=38400;;clrHover=255;;nor_underline=1;;"
      "hov_underline=0;;fontsize=14;;fontweight=700;;fontitalic=1;;fontunderline=0;;"
      "rect=10,355,205,15;;text=" + Gbk("点击访问我们的网站") + ";;url=http://example.org/\r\n"
      "list=show=0;;rect=37,106,383,153\r\n"
      "progress1=show=1;;rect=37,300,383,18\r\n"
      "status1=show=1;;rect=37,280,383,15\r\n"
      "[UI]\r\ntitle=My Update\r\nsysicon=res\\sysicon.bmp : 3\r\n";
  SkinDescription skin = ParseText(text);
  const PageSkin& page = skin.pages[1];
  EXPECT_EQ(page.show, 1);
  EXPECT_EQ(page.clrbk, 16711680u);
  EXPECT_EQ(page.rect, (SkinRect{0, 0, 436, 400}));
  EXPECT_EQ(page.images[1].bmpfile, "res\\bottom.bmp");
  EXPECT_EQ(page.images[1].rect, (SkinRect{0, 355, 436, 400}));
  EXPECT_EQ(page.buttons[0].text, Gbk("暂停(&P)"));
  const LabelSkin& link = page.labels[3];
  EXPECT_EQ(link.url, "http://example.org/");
  EXPECT_EQ(link.text, Gbk("点击访问我们的网站"));
  EXPECT_EQ(link.clrNormal, 38400u);
  EXPECT_EQ(link.clrHover, 255u);
  EXPECT_EQ(link.norUnderline, 1);
  EXPECT_EQ(link.hovUnderline, 0);
  EXPECT_EQ(link.fontSize, 14);
  EXPECT_EQ(link.fontWeight, 700);
  EXPECT_EQ(link.fontItalic, 1);
  EXPECT_EQ(page.list.show, 0);
  EXPECT_EQ(page.list.rect, (SkinRect{37, 106, 420, 259}));
  EXPECT_EQ(page.progress[1].show, 1);
  EXPECT_EQ(page.status[1].rect, (SkinRect{37, 280, 420, 295}));
  EXPECT_EQ(skin.title, "My Update");
  // The value as read; spaces are dropped only when the strip is built.
  EXPECT_EQ(skin.sysIcon, "res\\sysicon.bmp : 3");
}

TEST(ParseSkinValues, MissingSectionsAndKeysGiveDefaults) {
  SkinDescription skin = ParseText("[win0]\r\nattr=show=1;;rect=0,0,300,200\r\n");
  EXPECT_EQ(skin.title, "Tarnwick");
  EXPECT_EQ(skin.sysIcon, "");
  EXPECT_EQ(skin.pages[0].clrbk, 0u);  // no clrbk: a black page
  for (int n = 1; n < 4; ++n) {
    EXPECT_EQ(skin.pages[n].show, 0);
    EXPECT_EQ(skin.pages[n].rect.Width(), 0);
    EXPECT_EQ(skin.pages[n].rect.Height(), 0);
  }
}

TEST(ParseSkinValues, LabelRectWithTooFewCommasIsEmpty) {
  SkinDescription skin =
      ParseText("[win0]\r\nstatic2=show=1;;rect=10,20,30;;text=x\r\n");
  EXPECT_TRUE(skin.pages[0].labels[2].rect.IsEmpty());
  EXPECT_EQ(skin.pages[0].labels[2].show, 1);
}

TEST(ParseSkinValues, OnlyThePageOwnExtrasAreRead) {
  SkinDescription skin = ParseText(
      "[win2]\r\nlist=show=1;;rect=1,1,10,10\r\n"
      "[win3]\r\nlist=show=1;;rect=1,1,10,10\r\nprogress1=show=1;;rect=1,1,10,10\r\n"
      "progress0=show=1;;rect=2,2,10,10\r\n");
  EXPECT_EQ(skin.pages[2].list.show, 0);
  EXPECT_EQ(skin.pages[3].list.show, 0);
  EXPECT_EQ(skin.pages[3].progress[1].show, 0);
  EXPECT_EQ(skin.pages[3].progress[0].show, 1);
}

}  // namespace
}  // namespace formats
