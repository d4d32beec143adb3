#include "client/skin/skin_parser.h"

#include "common/gbk.h"
#include "common/ini_document.h"
#include "formats/skin_reader.h"

namespace ui {
namespace {

// Hands ParseSkinValues the host's configuration reader over one document.
class HostValueReader : public formats::SkinValueReader {
 public:
  HostValueReader(SkinHost& host, common::IniDocument& doc) : host_(host), doc_(doc) {}
  std::string ReadValue(std::string_view section, std::string_view key,
                        std::string_view def) override {
    return host_.ReadValue(doc_, section, key, def);
  }

 private:
  SkinHost& host_;
  common::IniDocument& doc_;
};

}  // namespace

bool ParseSkin(SkinHost& host, formats::SkinDescription& out) {
  if (!host.ArchiveExists()) {
    host.Notice(common::Gbk("错误：没有找到配置文件:") + host.ArchiveFileName());
    return false;
  }
  std::optional<std::string> text = host.ReadArchiveMember("ui.dat");
  common::IniDocument doc;
  if (!text || !doc.SetText(*text)) {
    host.Notice(common::Gbk("错误：界面配置解析错误！"));
    return false;
  }
  // Every read below would otherwise log key=value: the skin has hundreds.
  const int saved = host.LogMasterSwitch();
  host.SetLogMasterSwitch(0);
  HostValueReader reader(host, doc);
  out = formats::ParseSkinValues(reader);
  host.SetLogMasterSwitch(saved);
  return true;
}

}  // namespace ui
