#include "client/session/server_config.h"

#include <ctime>
#include <random>

#include "client/session/client_config.h"
#include "client/session/client_log.h"
#include "client/session/config_signature.h"
#include "client/session/version_compare.h"
#include "common/gbk.h"
#include "common/ini_document.h"

namespace session {

namespace {

using common::Gbk;

// Reads ver and urls of one item section, as stored (no macros, no key
// log): they are logged only for a valid item. True when the item is newer
// than the installed version; its location lists are then extended.
template <typename Item>
bool ReadItemHead(common::IniDocument& doc, const std::string& section, Item& item, ClientLog& log) {
  item.serverVersion = doc.GetString(section, "ver", kNoVersion);
  std::string urls = doc.GetString(section, "urls", "");
  if (urls.empty() || item.serverVersion == kNoVersion) return false;
  log.WriteLog(Gbk("【") + section + Gbk("】"));
  log.WriteLog("urls=" + HidePasswords(urls));
  log.WriteLog("ver=" + item.serverVersion);
  if (!IsNewer(item.serverVersion, item.localVersion)) return false;
  log.WriteLog(Gbk("＞＞＞＞＞与客户端比较后发现新版本！"));
  formats::AppendUrlList(urls, item.locations);
  return true;
}

void ReadFileItem(common::IniDocument& doc, ConfigReader& reader, ClientLog& log, const std::string& section,
                  FileItem& item, SharedKeyPolicy& policy) {
  item.randomsel = reader.ReadInt(doc, section, "randomsel", 0);
  item.tryallurl = reader.ReadInt(doc, section, "tryallurl", 0);
  item.path = NormaliseItemPath(reader.ReadText(doc, section, "path", ""));
  item.modifyVer = reader.ReadInt(doc, section, "modify_ver", 1);
  int showType = reader.ReadInt(doc, section, "show_type", 0);
  int opMode = reader.ReadInt(doc, section, "op_mode", 0);
  item.uncompress = reader.ReadInt(doc, section, "uncompress", 0);
  item.runme = reader.ReadInt(doc, section, "runme", 0);
  item.runmePause = reader.ReadInt(doc, section, "runme_pause", 0);
  item.runmeParam = reader.ReadText(doc, section, "runme_param", "");
  item.md5 = KeepMd5(reader.ReadText(doc, section, "md5", ""));
  // Logged only when given, so configurations without it log as before. A
  // malformed value is kept: it never matches, and the item is refused
  // rather than installed unchecked.
  item.sha256 = common::Trim(doc.GetString(section, "sha256", ""));
  if (!item.sha256.empty()) log.WriteLog("sha256=" + item.sha256);
  std::string rename = reader.ReadText(doc, section, "rename", "");
  item.describe = reader.ReadText(doc, section, "describe", "");
  item.fileName = ItemFileName(rename, item.locations);
  policy.Count(showType, opMode);
}

void ReadDirItem(common::IniDocument& doc, ConfigReader& reader, const std::string& section, DirItem& item,
                 SharedKeyPolicy& policy) {
  item.randomsel = reader.ReadInt(doc, section, "randomsel", 0);
  item.tryallurl = reader.ReadInt(doc, section, "tryallurl", 0);
  item.path = reader.ReadText(doc, section, "path", "");
  item.filter = reader.ReadText(doc, section, "filter", "");
  item.modifyVer = reader.ReadInt(doc, section, "modify_ver", 1);
  int showType = reader.ReadInt(doc, section, "show_type", 0);
  int opMode = reader.ReadInt(doc, section, "op_mode", 0);
  item.isIncSubdir = reader.ReadInt(doc, section, "is_inc_subdir", 0);
  item.describe = reader.ReadText(doc, section, "describe", "");
  policy.Count(showType, opMode);
}

void ReadSystem(common::IniDocument& doc, ConfigReader& reader, SystemSettings& s) {
  const char* sec = "system";
  s.runBefore = reader.ReadText(doc, sec, "run_before", "");
  s.runBeforePause = reader.ReadInt(doc, sec, "run_before_pause", 0);
  s.runAfter = reader.ReadText(doc, sec, "run_after", "");
  s.runAfterPause = reader.ReadInt(doc, sec, "run_after_pause", 0);
  s.runNonetwork = reader.ReadText(doc, sec, "run_nonetwork", "");
  s.runUdbefore = reader.ReadText(doc, sec, "run_udbefore", "");
  s.runUdafters = reader.ReadText(doc, sec, "run_udafters", "");
  s.runUdafterf = reader.ReadText(doc, sec, "run_udafterf", "");
  s.runDlbefore = reader.ReadText(doc, sec, "run_dlbefore", "");
  s.runDlafters = reader.ReadText(doc, sec, "run_dlafters", "");
  s.runDlafterf = reader.ReadText(doc, sec, "run_dlafterf", "");
  s.closeProc1 = SplitList(reader.ReadText(doc, sec, "close_proc1", ""));
  s.closeProc2 = SplitList(reader.ReadText(doc, sec, "close_proc2", ""));
  s.closeProc3 = SplitList(reader.ReadText(doc, sec, "close_proc3", ""));
  s.closeItems = SplitList(reader.ReadText(doc, sec, "close_items", ""));
}

void ReadUi(common::IniDocument& doc, ConfigReader& reader, UiSettings& ui) {
  const UiSettings def = UiSettings::Defaults();
  const char* sec = "UI";
  ui.noupdateWin = reader.ReadInt(doc, sec, "noupdate_win", def.noupdateWin);
  ui.noupdateWinMsg = reader.ReadText(doc, sec, "noupdate_win_msg", def.noupdateWinMsg);
  ui.startWin = reader.ReadInt(doc, sec, "start_win", def.startWin);
  ui.startWinMsg = reader.ReadText(doc, sec, "start_win_msg", def.startWinMsg);
  ui.closeWin = reader.ReadInt(doc, sec, "close_win", def.closeWin);
  ui.closeWinMsg = reader.ReadText(doc, sec, "close_win_msg", def.closeWinMsg);
  ui.dlWin = reader.ReadInt(doc, sec, "dl_win", def.dlWin);
  ui.dlWinMsg = reader.ReadText(doc, sec, "dl_win_msg", def.dlWinMsg);
  ui.endWin1 = reader.ReadInt(doc, sec, "end_win1", def.endWin1);
  ui.endWin2 = reader.ReadInt(doc, sec, "end_win2", def.endWin2);
  ui.endWin1Msg = reader.ReadText(doc, sec, "end_win1_msg", def.endWin1Msg);
  ui.endWin2Msg = reader.ReadText(doc, sec, "end_win2_msg", def.endWin2Msg);
  // start_win is read (and logged) a second time; publishers' logs have
  // always shown it twice, and the later value stands.
  ui.startWin = reader.ReadInt(doc, sec, "start_win", def.startWin);
}

}  // namespace

std::vector<std::string> SplitList(std::string_view value) {
  std::vector<std::string> pieces;
  std::string text = common::Trim(value);
  size_t from = 0;
  while (from <= text.size()) {
    size_t comma = common::GbkFind(text, ',', from);
    size_t end = comma == std::string::npos ? text.size() : comma;
    std::string piece = common::Trim(std::string_view(text).substr(from, end - from));
    if (!piece.empty()) pieces.push_back(std::move(piece));
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  return pieces;
}

std::string NormaliseItemPath(std::string_view path) {
  std::string out = common::Trim(path);
  if (out.empty()) return out;
  // A trail byte can be 0x5C: only a "\" that stands as a character of its
  // own ends the folder. A "/" ends it as well, since both name the same
  // separator once the path reaches the file system.
  size_t lastBackslash = common::GbkFindLast(out, '\\');
  bool ends = out.back() == '/' || (lastBackslash != std::string::npos && lastBackslash + 1 == out.size());
  if (!ends) out += '\\';
  return out;
}

// Kept as given: a value that is not 32 hexadecimal digits refuses the item
// at its download, rather than letting it in unchecked.
std::string KeepMd5(std::string_view md5) { return common::Trim(md5); }

std::string ItemFileName(std::string_view rename, const formats::UrlList& locations) {
  if (!rename.empty()) return std::string(rename);
  if (locations.empty()) return "";
  const std::string& url = locations.urls.front();
  size_t slash = common::GbkFindLast(url, '/');
  return slash == std::string::npos ? std::string() : url.substr(slash + 1);
}

std::string FetchFirstAnswer(formats::UrlList& locations, int randomsel, int tryallurl, const ConfigFetcher& fetcher,
                             ClientLog& log, const std::vector<std::string>& publicKeys) {
  std::mt19937 rng(static_cast<unsigned>(std::time(nullptr)));
  std::string text;
  while (!locations.empty()) {
    formats::Mirror mirror = locations.TakeMirror(randomsel != 0, rng);
    log.WriteLog(Gbk("★ 下载服务器端配置文件：") + HidePasswords(mirror.url));
    text = fetcher ? fetcher(mirror.url, mirror.user, mirror.password) : std::string();
    if (!text.empty() && !CheckConfigSignature(publicKeys, mirror, text, fetcher)) {
      log.WriteLog(Gbk("服务器端配置文件签名验证失败：") + mirror.url);
      text.clear();
    }
    if (tryallurl == 0 || !text.empty()) break;
    log.WriteLog(Gbk("下载文件失败！"));
  }
  return text;
}

void SharedKeyPolicy::Count(int itemShowType, int itemOpMode) {
  ++newItemCount;
  if (itemShowType < showType) showType = itemShowType;
  if (itemOpMode == 0) opMode = 0;
}

SharedKeyPolicy ReadServerConfiguration(std::string_view text, const formats::FolderValues& folders, ClientLog& log,
                                        const ServerConfigTarget& target) {
  const std::string rule = Gbk("≡≡≡≡≡≡≡≡≡≡≡");
  log.WriteLog(rule + Gbk("【解析服务器端配置文件】") + rule);
  common::IniDocument doc;
  doc.SetText(text);
  SharedKeyPolicy policy;
  log.WriteLog(Gbk("★★★ 以下只列出有效的[fileX]和[dirX]项（即版本号>0，且文件或目录列表框内不为空。）"));

  ConfigReader reader(folders, log);
  for (int n = 0; n < kFileItemCount; ++n) {
    std::string section = "file" + std::to_string(n);
    FileItem& item = target.files[n];
    if (ReadItemHead(doc, section, item, log)) ReadFileItem(doc, reader, log, section, item, policy);
  }
  for (int n = 0; n < kDirItemCount; ++n) {
    std::string section = "dir" + std::to_string(n);
    DirItem& item = target.dirs[n];
    if (ReadItemHead(doc, section, item, log)) ReadDirItem(doc, reader, section, item, policy);
  }
  log.WriteLog(Gbk("★ 共发现 ") + std::to_string(policy.newItemCount) + Gbk(" 个有效的[fileX]或[dirx]项"));

  log.WriteLog(Gbk("【system】"));
  ReadSystem(doc, reader, target.system);
  log.WriteLog(Gbk("【UI】"));
  ReadUi(doc, reader, target.ui);

  log.WriteLog(Gbk("★ 服务器端配置文件解析完毕!"));
  log.WriteLog(Gbk("★★★ 共用关键字策略分析结果："));
  log.WriteLog(Gbk("操作方式：") + Gbk(policy.opMode == 1 ? "自动" : "手动"));
  const char* shown = policy.showType == 0 ? "常规" : policy.showType == 1 ? "半静默" : "静默";
  log.WriteLog(Gbk("显示类型：") + Gbk(shown));
  return policy;
}

}  // namespace session
