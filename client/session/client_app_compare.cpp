// The version comparison of a run: which items to update, whether the
// programs that hold them must be closed, and whether the client itself or
// its configuration archive is among them.

#include <string>
#include <string_view>

#include "client/session/client_app.h"
#include "client/session/new_item_plan.h"
#include "client/session/refused_self_update.h"
#include "client/session/version_compare.h"
#include "common/gbk.h"

namespace session {

namespace {

// Item sections in close_items are matched without regard to case.
bool NeedsClosing(const std::vector<std::string>& closeItems, const std::string& section) {
  if (closeItems.empty()) return true;
  for (const std::string& name : closeItems) {
    if (common::EqualsNoCase(name, section)) return true;
  }
  return false;
}

// A folder as the file system sees it, ending in "/": configuration paths
// mix "\" and "/" after macro expansion.
std::string FolderKey(std::string_view folder) {
  std::string native = common::NativePath(folder);
  if (native.empty() || native.back() != '/') native += '/';
  return native;
}

}  // namespace

bool ClientApp::CompareVersions() {
  WriteLog(common::Gbk("版本比较"));
  pass_.decision.closeProcesses = false;
  bool any = false;
  for (size_t n = 0; n < pass_.files.size(); ++n) {
    FileItem& item = pass_.files[n];
    item.newItem = !item.locations.empty() && IsNewer(item.serverVersion, item.localVersion);
    if (!item.newItem) continue;
    any = true;
    if (NeedsClosing(pass_.system.closeItems, "file" + std::to_string(n))) pass_.decision.closeProcesses = true;
  }
  for (size_t n = 0; n < pass_.dirs.size(); ++n) {
    DirItem& item = pass_.dirs[n];
    item.newItem = !item.locations.empty() && IsNewer(item.serverVersion, item.localVersion);
    if (!item.newItem) continue;
    any = true;
    if (NeedsClosing(pass_.system.closeItems, "dir" + std::to_string(n))) pass_.decision.closeProcesses = true;
  }
  return any;
}

bool ClientApp::FindSelfUpdateItems() {
  WriteLog(common::Gbk("检测自我更新"));
  const std::string ownFolder = FolderKey(appFolder_);
  for (size_t n = 0; n < pass_.files.size(); ++n) {
    FileItem& item = pass_.files[n];
    if (!IsNewer(item.serverVersion, item.localVersion)) continue;
    if (!item.path.empty() && FolderKey(item.path) != ownFolder) continue;
    if (common::EqualsNoCase(item.fileName, exeFileName_) && !IsDottedDecimal(item.serverVersion)) {
      // The version goes into the next process's command line: only digits
      // and dots may, never a text that could pass for switches.
      WriteLog(common::Gbk("★ 新程序的版本号不是数字版本号，本次不自我升级：") + item.serverVersion);
      item.newItem = false;
      continue;
    }
    if (common::EqualsNoCase(item.fileName, exeFileName_)) pass_.decision.selfUpdateExeIndex = static_cast<int>(n);
    if (common::EqualsNoCase(item.fileName, archiveName_)) pass_.decision.selfUpdateArchiveIndex = static_cast<int>(n);
  }
  // Files refused before under the same server configuration are neither
  // fetched again nor installed as ordinary items over the running client.
  RefusedSelfUpdates refused(RefusedSelfUpdates::PathFor(ArchivePath()), pass_.serverDigest);
  for (int* index : {&pass_.decision.selfUpdateExeIndex, &pass_.decision.selfUpdateArchiveIndex}) {
    if (*index < 0) continue;
    FileItem& item = pass_.files[static_cast<size_t>(*index)];
    const std::string section = "file" + std::to_string(*index);
    if (!refused.WasRefused(section, item.serverVersion)) continue;
    WriteLog(common::Gbk("★ 自我升级项目") + section + common::Gbk("（版本") + item.serverVersion +
             common::Gbk("）上次下载的文件不可用，服务器配置未变，本次跳过。"));
    item.newItem = false;
    *index = -1;
  }
  if (pass_.decision.selfUpdateExeIndex < 0 && pass_.decision.selfUpdateArchiveIndex < 0) return false;
  WriteLog(common::Gbk("★ 发现系统内部程序（或数据）新版本，将启动自我升级过程"));
  return true;
}

bool ClientApp::AnyNewItem() const { return !PlanNewItems(pass_.files, pass_.dirs).empty(); }

}  // namespace session
