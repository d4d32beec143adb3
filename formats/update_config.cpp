#include "formats/update_config.h"

#include <cstdio>

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

bool ParseManifestEntry(std::string_view value, ManifestEntry& entry) {
  const size_t first = value.find(',');
  const size_t second = first == std::string_view::npos ? first : value.find(',', first + 1);
  if (second == std::string_view::npos) return false;
  const std::string_view size = value.substr(0, first);
  const std::string_view digest = value.substr(first + 1, second - first - 1);
  if (size.empty() || size.size() > 18 || size.find_first_not_of("0123456789") != std::string_view::npos) return false;
  if (digest.size() != 64 || digest.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos) {
    return false;
  }
  entry.name = std::string(value.substr(second + 1));
  entry.size = std::stoll(std::string(size));
  entry.sha256 = std::string(digest);
  return !entry.name.empty();
}

std::string ManifestLine(const ManifestEntry& entry) {
  return std::to_string(entry.size) + "," + entry.sha256 + "," + entry.name;
}

namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian), and back;
// written out so that no C library's idea of local time takes part.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int64_t& m, int64_t& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp + (mp < 10 ? 3 : -9);
  y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

}  // namespace

std::string FormatUtcTime(int64_t seconds) {
  int64_t days = seconds / 86400;
  int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  int64_t y = 0, m = 0, d = 0;
  CivilFromDays(days, y, m, d);
  char text[40];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ", static_cast<long long>(y),
                static_cast<long long>(m), static_cast<long long>(d), static_cast<long long>(rest / 3600),
                static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
  return text;
}

std::optional<int64_t> ParseUtcTime(std::string_view text) {
  // 0123456789012345678 9
  // YYYY-MM-DDTHH:MM:SSZ
  if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
      text[16] != ':' || text[19] != 'Z') {
    return std::nullopt;
  }
  auto number = [&](size_t at, size_t width) -> int64_t {
    int64_t v = 0;
    for (size_t i = at; i < at + width; ++i) {
      if (text[i] < '0' || text[i] > '9') return -1;
      v = v * 10 + (text[i] - '0');
    }
    return v;
  };
  const int64_t y = number(0, 4), mo = number(5, 2), d = number(8, 2);
  const int64_t h = number(11, 2), mi = number(14, 2), s = number(17, 2);
  if (y < 0 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59) {
    return std::nullopt;
  }
  const int64_t days = DaysFromCivil(y, mo, d);
  // 31 February and the like do not come back as the same date.
  int64_t cy = 0, cm = 0, cd = 0;
  CivilFromDays(days, cy, cm, cd);
  if (cy != y || cm != mo || cd != d) return std::nullopt;
  return days * 86400 + h * 3600 + mi * 60 + s;
}

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
