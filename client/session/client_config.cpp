#include "client/session/client_config.h"

#include "client/session/client_log.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "formats/update_config_reader.h"

namespace session {

namespace {

// The archive password is kept in two pieces joined at run time, so that it
// does not stand in the program file as one string. The packing tool writes
// archives without a password, so both pieces are empty.
constexpr const char* kPasswordHead = "";
constexpr const char* kPasswordTail = "";

}  // namespace

std::string ArchivePassword() {
  std::string joined = std::string(kPasswordHead) + kPasswordTail;
  return joined.size() >= 2 ? joined : "";
}

std::string MemberText(std::string_view bytes) {
  // The members are read as zero-terminated texts.
  return std::string(bytes.substr(0, bytes.find('\0')));
}

std::optional<PreSettings> ParsePreSettings(std::string_view text) {
  common::IniDocument doc;
  if (!doc.SetText(text)) return std::nullopt;
  PreSettings pre;
  pre.logSwitch = doc.GetInt("pre", "closelog", 1) == 0;
  pre.traySwitch = doc.GetInt("pre", "closetray", 1) == 0;
  return pre;
}

std::vector<std::string> ConfigurationBanner(std::string_view productName, int versionMajor,
                                             int versionMinor, const formats::FolderValues& folders,
                                             std::string_view archiveName) {
  const std::string rule = common::Gbk("≡≡≡≡≡≡≡≡≡≡≡");
  std::vector<std::string> lines;
  lines.push_back(std::string(59, '*'));
  lines.push_back("********");
  lines.push_back("********      " + std::string(productName) + common::Gbk("（版本：V") +
                  std::to_string(versionMajor) + "." + std::to_string(versionMinor) +
                  common::Gbk("）"));
  lines.push_back(std::string(52, '*'));
  lines.push_back(std::string(59, '*'));
  for (int i = 0; i < 3; ++i) lines.push_back("*");
  lines.push_back(rule + common::Gbk("【获取目录常量值】") + rule);
  for (size_t m = 0; m < formats::kPathMacros.size(); ++m) {
    lines.push_back(std::string(formats::kPathMacros[m]) + " = " + folders[m]);
  }
  lines.push_back(rule + common::Gbk("【解析客户端配置文件：") + std::string(archiveName) +
                  common::Gbk("】") + rule);
  lines.push_back(common::Gbk("【system】"));
  return lines;
}

std::string ConfigReader::ReadText(common::IniDocument& doc, std::string_view section,
                                   std::string_view key, std::string_view def) {
  std::string line;
  std::string value = formats::ReadLoggedText(doc, section, key, def, folders_, line);
  log_.WriteLog(line);
  return value;
}

int ConfigReader::ReadInt(common::IniDocument& doc, std::string_view section, std::string_view key,
                          int def) {
  std::string line;
  const int value = formats::ReadLoggedInt(doc, section, key, def, line);
  log_.WriteLog(line);
  return value;
}

}  // namespace session
