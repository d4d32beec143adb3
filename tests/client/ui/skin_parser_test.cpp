#include "client/skin/skin_parser.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "common/gbk.h"
#include "common/ini_document.h"

namespace {

using common::Gbk;

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
  formats::SkinDescription skin;
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
  formats::SkinDescription skin;
  ASSERT_TRUE(ui::ParseSkin(run, skin));
  EXPECT_EQ(run.readsWhileLogging, 0);
  EXPECT_EQ(run.logSwitch, 1);
  EXPECT_EQ(skin.title, "T");
  EXPECT_EQ(skin.pages[0].show, 1);
  EXPECT_TRUE(run.notices.empty());
}

}  // namespace
