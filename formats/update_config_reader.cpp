#include "formats/update_config_reader.h"

#include "common/gbk.h"
#include "common/ini_document.h"
#include "formats/config_keys.h"
#include "formats/version_compare.h"

namespace formats {

namespace {

using common::Gbk;

bool IsHex(std::string_view text) {
  return text.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
}

// One pass over one document: every key read goes through Read, which logs
// it the way the client always has (key=value after macro expansion).
class Reading {
 public:
  Reading(std::string_view text, const FolderValues& folders, ServerReadResult& out) : folders_(folders), out_(out) {
    // An empty text is an empty document: a document never given a text
    // would read its default file from the current folder instead.
    if (!doc_.SetText(text)) doc_.SetText("\n");
  }

  void Items();
  void Section(KeySection section, const std::string& name, auto& target) {
    for (const ConfigKey* key : ReadKeys(section)) Read(*key, name, target);
  }

  void Log(std::string line) { out_.log.push_back(std::move(line)); }

 private:
  template <typename Item>
  bool Head(const std::string& section, Item& item);
  void Read(const ConfigKey& key, const std::string& section, auto& target);
  void CheckSha256(const std::string& section, const FileItem& item);

  common::IniDocument doc_;
  const FolderValues& folders_;
  ServerReadResult& out_;
};

void Reading::Read(const ConfigKey& key, const std::string& section, auto& target) {
  const std::string def = Gbk(key.def);
  if (key.type == KeyType::Int) {
    const int value = doc_.GetInt(section, key.name, StoredInt(def));
    Log(std::string(key.name) + "=" + std::to_string(value));
    SetStoredValue(key, target, std::to_string(value));
    return;
  }
  if (key.type == KeyType::Optional) {
    // Logged only when given, so configurations without it log as before.
    const std::string value = common::Trim(doc_.GetString(section, key.name, def));
    if (!value.empty()) Log(std::string(key.name) + "=" + value);
    SetStoredValue(key, target, value);
    return;
  }
  std::string value = common::Trim(ExpandPathMacros(doc_.GetString(section, key.name, def), folders_));
  Log(std::string(key.name) + "=" + (std::string_view(key.name) == "urls" ? HidePasswords(value) : value));
  if (key.type == KeyType::ItemPath) value = NormaliseItemPath(value);
  if (key.type == KeyType::Md5) {
    if (!value.empty() && value.size() != 32) out_.problems.push_back("[" + section + Gbk("] md5 不是32个字符，已忽略"));
    value = KeepMd5(value);
  }
  // A list is stored split; SetStoredValue cuts it at the commas.
  SetStoredValue(key, target, value);
}

// ver and urls as stored (no macros, no key log): they are logged only for
// a valid item. True when the item is newer than the installed version; its
// location lists are then extended.
template <typename Item>
bool Reading::Head(const std::string& section, Item& item) {
  item.serverVersion = doc_.GetString(section, "ver", kNoVersion);
  item.urls = doc_.GetString(section, "urls", "");
  if (item.urls.empty() || item.serverVersion == kNoVersion) return false;
  Log(Gbk("【") + section + Gbk("】"));
  Log("urls=" + HidePasswords(item.urls));
  Log("ver=" + item.serverVersion);
  if (!IsNewer(item.serverVersion, item.localVersion)) return false;
  Log(Gbk("＞＞＞＞＞与客户端比较后发现新版本！"));
  AppendUrlList(item.urls, item.locations);
  return true;
}

void Reading::CheckSha256(const std::string& section, const FileItem& item) {
  // A malformed sha256 is kept: it never matches, and the item is refused
  // rather than installed unchecked.
  if (!item.sha256.empty() && (item.sha256.size() != 64 || !IsHex(item.sha256))) {
    out_.problems.push_back("[" + section + Gbk("] sha256 不是64个十六进制数字，该项无法通过校验"));
  }
}

void Reading::Items() {
  ServerConfig& config = out_.config;
  for (int n = 0; n < kFileItemCount; ++n) {
    const std::string section = "file" + std::to_string(n);
    FileItem& item = config.files[n];
    if (!Head(section, item)) continue;
    Section(KeySection::File, section, item);
    CheckSha256(section, item);
    item.fileName = ItemFileName(item.rename, item.locations);
    out_.policy.Count(item.showType, item.opMode);
  }
  for (int n = 0; n < kDirItemCount; ++n) {
    const std::string section = "dir" + std::to_string(n);
    DirItem& item = config.dirs[n];
    if (!Head(section, item)) continue;
    Section(KeySection::Dir, section, item);
    out_.policy.Count(item.showType, item.opMode);
  }
}

}  // namespace

ServerReadResult ReadServerConfig(std::string_view text, const FolderValues& folders, ServerConfig start) {
  ServerReadResult out;
  out.config = std::move(start);
  Reading reading(text, folders, out);
  const std::string rule = Gbk("≡≡≡≡≡≡≡≡≡≡≡");
  reading.Log(rule + Gbk("【解析服务器端配置文件】") + rule);
  reading.Log(Gbk("★★★ 以下只列出有效的[fileX]和[dirX]项（即版本号>0，且文件或目录列表框内不为空。）"));
  reading.Items();
  reading.Log(Gbk("★ 共发现 ") + std::to_string(out.policy.newItemCount) + Gbk(" 个有效的[fileX]或[dirx]项"));

  reading.Log(Gbk("【system】"));
  reading.Section(KeySection::System, "system", out.config.system);
  reading.Log(Gbk("【UI】"));
  reading.Section(KeySection::Ui, "UI", out.config.ui);

  reading.Log(Gbk("★ 服务器端配置文件解析完毕!"));
  reading.Log(Gbk("★★★ 共用关键字策略分析结果："));
  reading.Log(Gbk("操作方式：") + Gbk(out.policy.opMode == 1 ? "自动" : "手动"));
  const char* shown = out.policy.showType == 0 ? "常规" : out.policy.showType == 1 ? "半静默" : "静默";
  reading.Log(Gbk("显示类型：") + Gbk(shown));
  return out;
}

}  // namespace formats
