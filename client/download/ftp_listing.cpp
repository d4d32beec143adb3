#include "client/download/ftp_listing.h"

#include <charconv>

#include "common/gbk.h"

namespace transfer {

namespace {

// Splits a line at runs of blanks, field by field; what is left after the
// last field asked for is the name, so that names with blanks survive.
class Fields {
 public:
  explicit Fields(std::string_view line) : line_(line) {}
  std::string_view Next() {
    SkipBlanks();
    size_t start = pos_;
    while (pos_ < line_.size() && line_[pos_] != ' ') ++pos_;
    return line_.substr(start, pos_ - start);
  }
  std::string_view Rest() {
    SkipBlanks();
    return line_.substr(pos_);
  }

 private:
  void SkipBlanks() {
    while (pos_ < line_.size() && line_[pos_] == ' ') ++pos_;
  }
  std::string_view line_;
  size_t pos_ = 0;
};

// A size field: decimal digits only, within int64_t.
bool ParseSize(std::string_view text, int64_t& size) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return false;
  int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  size = value;
  return true;
}

// "drwxr-xr-x 2 owner group 4096 Jan 01 12:00 name"; servers that leave the
// group out write one field less before the size.
bool ParseUnixLine(std::string_view line, FtpEntry& entry) {
  Fields f(line);
  std::string_view mode = f.Next();
  if (mode.size() < 10 || std::string_view("-dlbcps").find(mode[0]) == std::string_view::npos) return false;
  std::string_view fields[7];
  for (auto& field : fields) field = f.Next();
  std::string_view name = f.Rest();
  if (fields[5].empty()) return false;
  if (!ParseSize(fields[3], entry.size)) {
    // No group: the size is the third field and the name begins after the
    // sixth.
    if (!ParseSize(fields[2], entry.size)) return false;
    Fields again(line);
    for (int i = 0; i < 7; ++i) again.Next();
    name = again.Rest();
  }
  if (name.empty()) return false;
  entry.name = std::string(name);
  entry.isFolder = mode[0] == 'd';
  entry.isLink = mode[0] == 'l';
  if (entry.isLink) {
    size_t arrow = entry.name.find(" -> ");
    if (arrow != std::string::npos) entry.name.resize(arrow);
  }
  return true;
}

// "01-31-24  09:15AM  <DIR>  name" or "01-31-24  09:15PM  1234567 name".
bool ParseDosLine(std::string_view line, FtpEntry& entry) {
  Fields f(line);
  std::string_view date = f.Next();
  if (date.size() < 8 || date[2] != '-' || date[5] != '-') return false;
  std::string_view time = f.Next();
  std::string_view third = f.Next();
  std::string_view name = f.Rest();
  if (time.empty() || name.empty()) return false;
  entry.isFolder = third == "<DIR>";
  if (!entry.isFolder && !ParseSize(third, entry.size)) return false;
  entry.name = std::string(name);
  return true;
}

// "type=file;size=1234;modify=20240131091500; name": facts, each ending in
// ";", then one blank and the name. false for lines of another form and for
// the folder itself and its parent (cdir, pdir).
bool ParseMlsdLine(std::string_view line, FtpEntry& entry) {
  size_t blank = line.find(' ');
  if (blank == std::string_view::npos || blank == 0 || line[blank - 1] != ';') return false;
  std::string_view facts = line.substr(0, blank);
  if (facts.find('=') == std::string_view::npos) return false;
  std::string_view type;
  while (!facts.empty()) {
    size_t semi = facts.find(';');
    std::string_view fact = facts.substr(0, semi);
    facts.remove_prefix(semi == std::string_view::npos ? facts.size() : semi + 1);
    size_t eq = fact.find('=');
    if (eq == std::string_view::npos) return false;
    std::string_view value = fact.substr(eq + 1);
    if (common::StartsWithNoCase(fact, "type=")) type = value;
    else if (common::StartsWithNoCase(fact, "size=") && !ParseSize(value, entry.size)) return false;
  }
  if (common::EqualsNoCase(type, "dir")) {
    entry.isFolder = true;
  } else if (common::StartsWithNoCase(type, "os.unix=slink") ||
             common::StartsWithNoCase(type, "os.unix=symlink")) {
    entry.isLink = true;
  } else if (!common::EqualsNoCase(type, "file")) {
    return false;  // cdir, pdir, and kinds nobody can download
  }
  entry.name = std::string(line.substr(blank + 1));
  return !entry.name.empty();
}

// Each form is tried on a fresh record: one that fails half-way leaves
// fields behind.
bool ParseLine(std::string_view line, FtpEntry& entry) {
  if (ParseUnixLine(line, entry)) return true;
  entry = {};
  if (ParseDosLine(line, entry)) return true;
  entry = {};
  return ParseMlsdLine(line, entry);
}

}  // namespace

bool IsUnsafeListedName(std::string_view name) {
  if (common::GbkFind(name, '/') != std::string_view::npos) return true;
  if (common::GbkFind(name, '\\') != std::string_view::npos) return true;
  bool onlyDotsAndBlanks = true;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) return true;
    if (c != '.' && c != ' ') onlyDotsAndBlanks = false;
  }
  // ".." and the forms a Windows file system reads as it (". .", "...").
  return onlyDotsAndBlanks;
}

std::vector<FtpEntry> ParseFtpListing(std::string_view listing) {
  std::vector<FtpEntry> out;
  size_t pos = 0;
  while (pos < listing.size()) {
    size_t end = listing.find('\n', pos);
    if (end == std::string_view::npos) end = listing.size();
    std::string_view line = listing.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    FtpEntry entry;
    if (!ParseLine(line, entry) || entry.name == "." || entry.name == "..") continue;
    entry.unsafeName = IsUnsafeListedName(entry.name);
    out.push_back(std::move(entry));
  }
  return out;
}

}  // namespace transfer
