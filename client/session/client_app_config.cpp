// ClientApp: the pre-settings and the client part of the configuration.

#include "client/session/client_app.h"
#include "client/session/client_config.h"
#include "client/session/config_trust.h"
#include "client/session/file_status.h"
#include "client/session/module_names.h"
#include "client/session/prompter.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "formats/config_archive.h"
#include "formats/update_config_reader.h"

namespace session {

using common::Gbk;

void ClientApp::ShowStartupBox(std::string_view text) {
  BoxRequest box;
  box.caption = ProgramCaption(exeFileName_);
  box.text = std::string(text);
  box.buttons = BoxButtons::Ok;
  box.icon = BoxIcon::Warning;
  box.topmost = false;
  prompter_.Show(box);
}

bool ClientApp::ReadPreSettings() {
  configSource_ = FindClientConfiguration(ArchivePath(), appFolder_, ExeBaseName(exeFileName_));
  const bool archive = FileExistsNonEmpty(ArchivePath());
  std::optional<std::string> preBytes;
  if (archive) preBytes = formats::ReadArchiveMember(ArchivePath(), "pre.dat", ArchivePassword());
  if (!preBytes && configSource_ && configSource_->IsPackage()) {
    // A package written by the authoring tool has no "pre.dat": its log
    // switch is the client configuration's [system] closelog, and it has
    // no tray icon unless the command line asks for one.
    auto text = ReadClientConfiguration(*configSource_);
    logSwitch_ = text && PackageLogSwitch(*text);
    traySwitch_ = false;
    return true;
  }
  if (!archive) {
    // A preview shows only the skin: without a configuration archive it
    // runs with the log and the tray icon off (the command line is read
    // later, so it is looked at here just for the run mode).
    if (ParseSwitches(commandLine_).runMode == RunMode::Preview) {
      logSwitch_ = false;
      traySwitch_ = false;
      return true;
    }
    ShowStartupBox(Gbk("错误：没有找到客户端配置文件:") + archiveName_);
    return false;
  }
  std::optional<PreSettings> pre;
  if (preBytes) pre = ParsePreSettings(MemberText(*preBytes));
  if (!pre) {
    ShowStartupBox(Gbk("错误：pre配置解析错误！"));
    return false;
  }
  logSwitch_ = pre->logSwitch;
  traySwitch_ = pre->traySwitch;
  return true;
}

bool ClientApp::LoadClientConfiguration() {
  configSource_ = FindClientConfiguration(ArchivePath(), appFolder_, ExeBaseName(exeFileName_));
  if (!configSource_ && !FileExistsNonEmpty(ArchivePath())) {
    ShowInformation(Gbk("错误：没有找到客户端配置文件:") + archiveName_);
    return false;
  }
  // The archive, or a text package's configuration file, by its name.
  const std::string configName = configSource_ ? ExeFileNameOf(configSource_->path) : archiveName_;
  auto doc = std::make_unique<common::IniDocument>();
  auto text = configSource_ ? ReadClientConfiguration(*configSource_) : std::nullopt;
  if (!text || !doc->SetText(*text)) {
    ShowInformation(Gbk("错误：客户端配置文件:") + configName + Gbk("解析错误！"));
    return false;
  }
  pass_.clientDoc = std::move(doc);
  common::IniDocument& clientDoc = *pass_.clientDoc;

  for (const std::string& line : ConfigurationBanner(UPGRADE_PRODUCT_NAME, UPGRADE_VERSION_MAJOR,
                                                     UPGRADE_VERSION_MINOR, folders_, configName)) {
    WriteLog(line);
  }
  const formats::ClientReadResult read = formats::ReadClientConfig(*text, folders_);
  formats::AppendUrlList(read.settings.urls, pass_.serverUrls);
  pass_.randomsel = read.settings.randomsel;
  pass_.tryallurl = read.settings.tryallurl;
  // Read without a log line: a package without keys logs as it always has.
  pass_.trust = ReadConfigTrust(clientDoc);
  for (int n = 0; n < kFileItemCount; ++n) pass_.files[n].localVersion = read.fileVersions[n];
  for (int n = 0; n < kDirItemCount; ++n) pass_.dirs[n].localVersion = read.dirVersions[n];
  for (const std::string& line : read.log) WriteLog(line);
  return true;
}

}  // namespace session
