#include "client/ui/skin_parser.h"

#include <gtest/gtest.h>

#include <map>

#include "client/session/value_syntax.h"
#include "common/gbk.h"
#include "common/ini_document.h"

namespace {

using ui::ParseRect;
using ui::SkinRect;

std::string Gbk(const char* utf8) { return common::Utf8ToGbk(utf8); }

ui::SkinDescription ParseText(const std::string& text) {
  common::IniDocument doc;
  if (!text.empty()) {
    EXPECT_TRUE(doc.SetText(text));
  }
  ui::IniSkinValueReader reader(doc);
  return ui::ParseSkinValues(reader);
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
  EXPECT_EQ(session::GetSubField(value, "show"), "1");
  EXPECT_EQ(session::GetSubField(value, "clrbk"), "255");
  EXPECT_EQ(session::GetSubField(value, "rect"), "1,2,3,4");
  // "clrbk" not at the start and without ";;" in front is not a field.
  EXPECT_EQ(session::GetSubField("xclrbk=5", "clrbk"), "");
  EXPECT_EQ(session::GetSubField(value, "text"), "");
}

TEST(SkinValues, DoubleByteTrailBytesAreNotSeparators) {
  // 乗 is 81 5C and 乚 is 81 5D: neither may end or start a field.
  const std::string value = "show=1;;text=" + Gbk("乗乚") + ";;url=http://x";
  EXPECT_EQ(session::GetSubField(value, "text"), Gbk("乗乚"));
  EXPECT_EQ(session::GetSubField(value, "url"), "http://x");
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
  ui::SkinDescription skin = ParseText(text);
  const ui::PageSkin& page = skin.pages[1];
  EXPECT_EQ(page.show, 1);
  EXPECT_EQ(page.clrbk, 16711680u);
  EXPECT_EQ(page.rect, (SkinRect{0, 0, 436, 400}));
  EXPECT_EQ(page.images[1].bmpfile, "res\\bottom.bmp");
  EXPECT_EQ(page.images[1].rect, (SkinRect{0, 355, 436, 400}));
  EXPECT_EQ(page.buttons[0].text, Gbk("暂停(&P)"));
  const ui::LabelSkin& link = page.labels[3];
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
  ui::SkinDescription skin = ParseText("[win0]\r\nattr=show=1;;rect=0,0,300,200\r\n");
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
  ui::SkinDescription skin =
      ParseText("[win0]\r\nstatic2=show=1;;rect=10,20,30;;text=x\r\n");
  EXPECT_TRUE(skin.pages[0].labels[2].rect.IsEmpty());
  EXPECT_EQ(skin.pages[0].labels[2].show, 1);
}

TEST(ParseSkinValues, OnlyThePageOwnExtrasAreRead) {
  ui::SkinDescription skin = ParseText(
      "[win2]\r\nlist=show=1;;rect=1,1,10,10\r\n"
      "[win3]\r\nlist=show=1;;rect=1,1,10,10\r\nprogress1=show=1;;rect=1,1,10,10\r\n"
      "progress0=show=1;;rect=2,2,10,10\r\n");
  EXPECT_EQ(skin.pages[2].list.show, 0);
  EXPECT_EQ(skin.pages[3].list.show, 0);
  EXPECT_EQ(skin.pages[3].progress[1].show, 0);
  EXPECT_EQ(skin.pages[3].progress[0].show, 1);
}

// A client run seen from the parser: archive, boxes, log switch, and a
// configuration reader that would log every value it reads.
class FakeRun : public ui::SkinHost {
 public:
  bool archive = true;
  std::map<std::string, std::string> members;
  std::vector<std::string> notices;
  int logSwitch = 1;
  int readsWhileLogging = 0;

  bool ArchiveExists() override { return archive; }
  std::string ArchiveFileName() override { return "upgrade.bin"; }
  std::optional<std::string> ReadArchiveMember(std::string_view name) override {
    auto it = members.find(std::string(name));
    if (it == members.end()) return std::nullopt;
    return it->second;
  }
  void Notice(std::string_view text) override { notices.emplace_back(text); }
  int LogMasterSwitch() override { return logSwitch; }
  void SetLogMasterSwitch(int on) override { logSwitch = on; }
  std::string ReadValue(common::IniDocument& doc, std::string_view section, std::string_view key,
                        std::string_view def) override {
    if (logSwitch) ++readsWhileLogging;
    return common::Trim(doc.GetString(section, key, def));
  }
};

TEST(ParseSkin, MissingArchiveOrSkinShowsTheBoxAndFails) {
  FakeRun run;
  ui::SkinDescription skin;
  run.archive = false;
  EXPECT_FALSE(ui::ParseSkin(run, skin));
  ASSERT_EQ(run.notices.size(), 1u);
  EXPECT_EQ(run.notices[0], Gbk("错误：没有找到配置文件:") + "upgrade.bin");

  run.archive = true;
  EXPECT_FALSE(ui::ParseSkin(run, skin));  // no "ui.dat"
  run.members["ui.dat"] = "";
  EXPECT_FALSE(ui::ParseSkin(run, skin));  // empty "ui.dat"
  ASSERT_EQ(run.notices.size(), 3u);
  EXPECT_EQ(run.notices[1], Gbk("错误：界面配置解析错误！"));
  EXPECT_EQ(run.notices[2], Gbk("错误：界面配置解析错误！"));
}

TEST(ParseSkin, LogIsOffWhileParsingAndRestoredAfter) {
  FakeRun run;
  run.members["ui.dat"] = "[UI]\r\ntitle=T\r\n[win0]\r\nattr=show=1;;rect=0,0,10,10\r\n";
  ui::SkinDescription skin;
  ASSERT_TRUE(ui::ParseSkin(run, skin));
  EXPECT_EQ(run.readsWhileLogging, 0);
  EXPECT_EQ(run.logSwitch, 1);
  EXPECT_EQ(skin.title, "T");
  EXPECT_EQ(skin.pages[0].show, 1);
  EXPECT_TRUE(run.notices.empty());
}

}  // namespace
