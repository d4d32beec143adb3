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
  Reading(std::string_view text, const FolderValues& folders, std::vector<std::string>& log,
          std::vector<std::string>& problems)
      : folders_(folders), log_(log), problems_(problems) {
    // An empty text is an empty document: a document never given a text
    // would read its default file from the current folder instead.
    if (!doc_.SetText(text)) doc_.SetText("\n");
  }

  void Items(ServerReadResult& out);
  std::string GetString(const std::string& section, const char* key, const char* def) {
    return doc_.GetString(section, key, def);
  }
  void Section(KeySection section, const std::string& name, auto& target) {
    for (const ConfigKey* key : ReadKeys(section)) Read(*key, name, target);
  }

  void Log(std::string line) { log_.push_back(std::move(line)); }

 private:
  template <typename Item>
  bool Head(const std::string& section, Item& item);
  void Read(const ConfigKey& key, const std::string& section, auto& target);
  void CheckSha256(const std::string& section, const FileItem& item);
  void ReadManifest(const std::string& section, DirItem& item);

  common::IniDocument doc_;
  const FolderValues& folders_;
  std::vector<std::string>& log_;
  std::vector<std::string>& problems_;
};

void Reading::Read(const ConfigKey& key, const std::string& section, auto& target) {
  const std::string def = Gbk(key.def);
  std::string line;
  if (key.type == KeyType::Int) {
    const int value = ReadLoggedInt(doc_, section, key.name, StoredInt(def), line);
    Log(std::move(line));
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
  std::string value = ReadLoggedText(doc_, section, key.name, def, folders_, line);
  Log(std::move(line));
  if (key.type == KeyType::ItemPath) value = NormaliseItemPath(value);
  if (key.type == KeyType::Md5) {
    if (!value.empty() && value.size() != 32) problems_.push_back("[" + section + Gbk("] md5 不是32个字符，客户端将拒绝该项"));
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
    problems_.push_back("[" + section + Gbk("] sha256 不是64个十六进制数字，该项无法通过校验"));
  }
}

// The entries file0.. of a signed file list, as many as files= says. An
// entry that does not parse is a problem; the list then cannot match the
// folder, and a signed run refuses the item.
void Reading::ReadManifest(const std::string& section, DirItem& item) {
  item.manifest.clear();
  const int count = item.files.empty() ? 0 : StoredInt(item.files);
  for (int k = 0; k < count && k < 100000; ++k) {
    const std::string key = "file" + std::to_string(k);
    ManifestEntry entry;
    if (ParseManifestEntry(common::Trim(doc_.GetString(section, key, "")), entry)) {
      item.manifest.push_back(std::move(entry));
    } else {
      problems_.push_back("[" + section + "] " + key + Gbk(" 不是有效的文件清单项"));
    }
  }
}

void Reading::Items(ServerReadResult& out) {
  ServerConfig& config = out.config;
  for (int n = 0; n < kFileItemCount; ++n) {
    const std::string section = "file" + std::to_string(n);
    FileItem& item = config.files[n];
    if (!Head(section, item)) continue;
    Section(KeySection::File, section, item);
    CheckSha256(section, item);
    item.fileName = ItemFileName(item.rename, item.locations);
    out.policy.Count(item.showType, item.opMode);
  }
  for (int n = 0; n < kDirItemCount; ++n) {
    const std::string section = "dir" + std::to_string(n);
    DirItem& item = config.dirs[n];
    if (!Head(section, item)) continue;
    Section(KeySection::Dir, section, item);
    ReadManifest(section, item);
    out.policy.Count(item.showType, item.opMode);
  }
}

}  // namespace

std::string ReadLoggedText(common::IniDocument& doc, std::string_view section, std::string_view key,
                           std::string_view def, const FolderValues& folders, std::string& line) {
  std::string value = common::Trim(ExpandPathMacros(doc.GetString(section, key, def), folders));
  line = std::string(key) + "=" + (key == "urls" ? HidePasswords(value) : value);
  return value;
}

int ReadLoggedInt(common::IniDocument& doc, std::string_view section, std::string_view key, int def,
                  std::string& line) {
  const int value = doc.GetInt(section, key, def);
  line = std::string(key) + "=" + std::to_string(value);
  return value;
}

ClientReadResult ReadClientConfig(std::string_view text, const FolderValues& folders) {
  ClientReadResult out;
  std::vector<std::string> problems;
  Reading reading(text, folders, out.log, problems);
  reading.Section(KeySection::ClientSystem, "system", out.settings);
  reading.Log(Gbk("★★★ 以下只列出已经有过升级记录的[fileX]和[dirX]项，没有升级记录的（即版本号为0）"
                  "的项不再列出。"));
  // The file items' headers have always been logged in full-width brackets,
  // the dir items' in plain ones.
  for (int n = 0; n < kFileItemCount; ++n) {
    const std::string section = "file" + std::to_string(n);
    out.fileVersions[n] = reading.GetString(section, "ver", kNoVersion);
    if (out.fileVersions[n] == kNoVersion) continue;
    reading.Log(Gbk("【") + section + Gbk("】"));
    reading.Log("ver=" + out.fileVersions[n]);
  }
  for (int n = 0; n < kDirItemCount; ++n) {
    const std::string section = "dir" + std::to_string(n);
    out.dirVersions[n] = reading.GetString(section, "ver", kNoVersion);
    if (out.dirVersions[n] == kNoVersion) continue;
    reading.Log("[" + section + "]");
    reading.Log("ver=" + out.dirVersions[n]);
  }
  return out;
}

ServerReadResult ReadServerConfig(std::string_view text, const FolderValues& folders, ServerConfig start) {
  ServerReadResult out;
  out.config = std::move(start);
  Reading reading(text, folders, out.log, out.problems);
  const std::string rule = Gbk("≡≡≡≡≡≡≡≡≡≡≡");
  reading.Log(rule + Gbk("【解析服务器端配置文件】") + rule);
  reading.Log(Gbk("★★★ 以下只列出有效的[fileX]和[dirX]项（即版本号>0，且文件或目录列表框内不为空。）"));
  reading.Items(out);
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
