#include "common/ini_document.h"

#include <cstdio>

#include "common/gbk.h"
#include "common/native_file.h"

namespace common {

namespace {

constexpr size_t kNone = std::string::npos;

enum class LineKind { kEmpty, kHeader, kKey };

size_t FirstNonBlank(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  return i;
}

// The first byte after the leading white space starts a character, so a
// trail byte "[" of a double-byte character can never make a header.
LineKind Classify(std::string_view line) {
  size_t i = FirstNonBlank(line);
  if (i == line.size()) return LineKind::kEmpty;
  return line[i] == '[' ? LineKind::kHeader : LineKind::kKey;
}

// Name between the "[" and the first "]"; a header without "]" has the empty name.
std::string HeaderName(std::string_view line) {
  size_t open = FirstNonBlank(line);
  size_t close = GbkFind(line, ']', open + 1);
  if (close == kNone) return std::string();
  return Trim(line.substr(open + 1, close - open - 1));
}

// Key before the first "="; a line without "=" has the empty key.
std::string KeyOf(std::string_view line) {
  size_t eq = GbkFind(line, '=');
  if (eq == kNone) return std::string();
  return Trim(line.substr(0, eq));
}

std::string ValueOf(std::string_view line) {
  size_t eq = GbkFind(line, '=');
  if (eq == kNone) return std::string();
  return Trim(line.substr(eq + 1));
}

// Index of the first header named section: a later header of the same name
// is never looked into.
size_t FindSection(const std::vector<std::string>& lines, std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (Classify(lines[i]) == LineKind::kHeader && HeaderName(lines[i]) == section) return i;
  }
  return kNone;
}

std::string StripLineEnd(std::string_view piece) {
  size_t e = piece.size();
  while (e > 0 && (piece[e - 1] == '\n' || piece[e - 1] == '\r')) --e;
  return std::string(piece.substr(0, e));
}

}  // namespace

IniDocument::IniDocument() : fileName_("my.ini") {}

IniDocument::~IniDocument() = default;

void IniDocument::SetFileName(std::string_view path) { fileName_ = std::string(path); }

bool IniDocument::Load() {
  std::FILE* file = OpenNativeFile(NativePath(fileName_), "rb");
  lastOpenOk_ = file != nullptr;
  if (!file) return false;
  std::string content;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, file)) > 0) content.append(buf, n);
  bool readOk = !std::ferror(file);
  std::fclose(file);
  // A path that opens but cannot be read (a folder) counts as not opened:
  // the old lines stay and reads give their defaults.
  if (!readOk) {
    lastOpenOk_ = false;
    return false;
  }

  // LF ends a line (a CR before it goes with the trailing CR/LF strip);
  // a final line without a line end is a line too.
  lines_.clear();
  size_t start = 0;
  while (start < content.size()) {
    size_t lf = content.find('\n', start);
    if (lf == kNone) {
      lines_.push_back(StripLineEnd(std::string_view(content).substr(start)));
      break;
    }
    lines_.push_back(StripLineEnd(std::string_view(content).substr(start, lf - start)));
    start = lf + 1;
  }
  return true;
}

bool IniDocument::Save() {
  if (!fileBound_) return true;
  std::FILE* file = OpenNativeFile(NativePath(fileName_), "wb");
  lastOpenOk_ = file != nullptr;
  if (!file) return false;
  std::string content;
  for (const std::string& line : lines_) {
    content += line;
    content += "\r\n";
  }
  // A short write (disk full) is a failed save, not a silent truncation.
  bool ok = std::fwrite(content.data(), 1, content.size(), file) == content.size();
  if (std::fclose(file) != 0) ok = false;
  return ok;
}

bool IniDocument::SetText(std::string_view text) {
  if (text.empty()) return false;
  // Decoders hand over buffers that counted their terminating zero.
  if (text.back() == '\0') text.remove_suffix(1);
  size_t start = 0;
  while (start <= text.size()) {
    size_t lf = text.find('\n', start);
    size_t end = lf == kNone ? text.size() : lf;
    if (end > start) lines_.push_back(StripLineEnd(text.substr(start, end - start)));
    if (lf == kNone) break;
    start = lf + 1;
  }
  fileBound_ = false;
  return true;
}

std::string IniDocument::GetText() const {
  if (fileBound_) return std::string();
  std::string text;
  for (const std::string& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string IniDocument::GetString(std::string_view section, std::string_view key,
                                   std::string_view def, int occurrence) {
  return ReadValue(section, key, def, occurrence);
}

int IniDocument::GetInt(std::string_view section, std::string_view key, int def) {
  return AtoI(ReadValue(section, key, std::to_string(def), 1));
}

void IniDocument::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  PutValue(section, key, value);
  Save();
}

void IniDocument::WriteInt(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniDocument::DeleteKey(std::string_view section, std::string_view key) {
  WriteString(section, key, "");
}

std::string IniDocument::ReadValue(std::string_view section, std::string_view key,
                                   std::string_view def, int occurrence) {
  if (fileBound_) {
    Load();
    if (fileBound_ && !lastOpenOk_) return std::string(def);
  }
  size_t header = FindSection(lines_, section);
  if (header == kNone) return std::string(def);
  int count = 0;
  for (size_t i = header + 1; i < lines_.size(); ++i) {
    LineKind kind = Classify(lines_[i]);
    if (kind == LineKind::kEmpty) continue;
    if (kind == LineKind::kHeader) break;
    if (KeyOf(lines_[i]) == key && ++count == occurrence) return ValueOf(lines_[i]);
  }
  return std::string(def);
}

void IniDocument::PutValue(std::string_view section, std::string_view key,
                           std::string_view value) {
  size_t header = FindSection(lines_, section);
  if (header == kNone) {
    if (value.empty()) return;
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(std::string(key) + "=" + std::string(value));
    return;
  }
  size_t i = header + 1;
  for (; i < lines_.size(); ++i) {
    LineKind kind = Classify(lines_[i]);
    if (kind == LineKind::kEmpty) continue;
    if (kind == LineKind::kHeader) break;
    if (KeyOf(lines_[i]) == key) {
      if (value.empty()) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      } else {
        lines_[i] = std::string(key) + "=" + std::string(value);
      }
      return;
    }
  }
  if (value.empty()) return;
  // i is the next header (blank lines before it stay above the new key) or the end.
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(i),
                std::string(key) + "=" + std::string(value));
}

}  // namespace common
