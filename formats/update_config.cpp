#include "formats/update_config.h"

#include "common/gbk.h"
#include "formats/config_keys.h"

namespace formats {

UiSettings UiSettings::Defaults() {
  UiSettings ui;
  for (const ConfigKey& key : ConfigKeys()) {
    if (key.section == KeySection::Ui) SetStoredValue(key, ui, common::Gbk(key.def));
  }
  return ui;
}

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

std::string ItemFileName(std::string_view rename, const UrlList& locations) {
  if (!rename.empty()) return std::string(rename);
  if (locations.empty()) return "";
  const std::string& url = locations.urls.front();
  size_t slash = common::GbkFindLast(url, '/');
  return slash == std::string::npos ? std::string() : url.substr(slash + 1);
}

void SharedKeyPolicy::Count(int itemShowType, int itemOpMode) {
  ++newItemCount;
  if (itemShowType < showType) showType = itemShowType;
  if (itemOpMode == 0) opMode = 0;
}

}  // namespace formats
