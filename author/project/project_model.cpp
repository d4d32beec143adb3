#include "author/project/project_model.h"

#include "author/project/project_storage.h"
#include "common/gbk.h"

namespace author {

namespace {

// Undo steps kept; the oldest go first.
constexpr size_t kMaxHistory = 500;

bool IsControl(unsigned char c) { return (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F; }

}  // namespace

common::IniDocument DocumentOf(std::string_view text) {
  common::IniDocument doc;
  // The line end makes even an empty text an in-memory document, which
  // never goes back to the disk.
  doc.SetText(std::string(text) + "\n");
  return doc;
}

ProjectModel::ProjectModel(ProjectStorage* storage)
    : storage_(storage ? storage : &ProjectStorage::Disk()), history_(1) {}

std::string ProjectModel::FindDamage(std::string_view bytes) {
  if (bytes.empty()) return common::Gbk("文件是空的");
  int line = 1;
  bool inSection = false;
  size_t start = 0;
  for (size_t i = 0; i <= bytes.size(); ++i) {
    if (i < bytes.size() && bytes[i] != '\n') {
      const auto c = static_cast<unsigned char>(bytes[i]);
      if (IsControl(c) || c == 0x80 || c == 0xFF) break;
      if (c >= 0x81) {
        // A double-byte character: its trail byte must be one GBK allows.
        const auto trail = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF) break;
        ++i;
      }
      continue;
    }
    const std::string text = common::Trim(bytes.substr(start, i - start));
    if (!text.empty() && text.rfind("//", 0) != 0) {
      if (text.front() == '[') {
        if (common::GbkFind(text, ']') == std::string::npos) break;
        inSection = true;
      } else if (!inSection || common::GbkFind(text, '=') == std::string::npos) {
        break;
      }
    }
    if (i == bytes.size()) return {};
    start = i + 1;
    ++line;
  }
  return common::Gbk("第 ") + std::to_string(line) + common::Gbk(" 行无法读取");
}

std::string ProjectModel::Open(const std::string& path) {
  std::optional<std::string> bytes = storage_->Read(path);
  if (!bytes) return common::Gbk("错误：无法打开文件：") + common::GbkReplaceChar(path, '\\', '/');
  std::string damage = FindDamage(*bytes);
  if (!damage.empty()) {
    return common::Gbk("错误：打开工程文件出错，可能已被破坏！\n") + common::GbkReplaceChar(path, '\\', '/') +
           common::Gbk("：") + damage + common::Gbk("。\n工程没有打开，文件保持原样。");
  }
  Start(path, DocumentOf(*bytes).GetText());
  return {};
}

void ProjectModel::Start(const std::string& path, std::string text) {
  path_ = path;
  history_.assign(1, std::move(text));
  index_ = 0;
  saved_ = history_.front();
}

void ProjectModel::Close() { Start({}, {}); }

void ProjectModel::Update(std::string text) {
  if (text == Text()) return;
  history_.resize(index_ + 1);
  history_.push_back(std::move(text));
  if (history_.size() > kMaxHistory) history_.erase(history_.begin());
  index_ = history_.size() - 1;
}

void ProjectModel::Rebase(std::string text) { Start(path_, std::move(text)); }

void ProjectModel::AdoptFileKeys(std::string_view section, std::initializer_list<std::string_view> keys) {
  const std::optional<std::string> bytes = path_.empty() ? std::nullopt : storage_->Read(path_);
  if (!bytes) return;
  common::IniDocument file = DocumentOf(*bytes);
  // Every state of the history and the saved one take the keys: they are
  // not an edit, so no undo may take them away again.
  auto adopt = [&](std::string& text) {
    common::IniDocument doc = DocumentOf(text);
    for (std::string_view key : keys) {
      const std::string value = file.GetString(section, key, "");
      if (!value.empty()) doc.PutValue(section, key, value);
    }
    text = doc.GetText();
  };
  const bool wasSaved = !IsModified();
  for (std::string& text : history_) adopt(text);
  if (wasSaved) {
    saved_ = Text();
  } else {
    adopt(saved_);
  }
}

std::string ProjectModel::Save() {
  if (!storage_->Write(path_, Text())) {
    return common::Gbk("错误：无法保存到文件：") + common::GbkReplaceChar(path_, '\\', '/');
  }
  saved_ = Text();
  return {};
}

bool ProjectModel::Undo() {
  if (!CanUndo()) return false;
  --index_;
  return true;
}

bool ProjectModel::Redo() {
  if (!CanRedo()) return false;
  ++index_;
  return true;
}

std::string ProjectModel::GetString(std::string_view section, std::string_view key, std::string_view def) const {
  return DocumentOf(Text()).GetString(section, key, def);
}

int ProjectModel::GetInt(std::string_view section, std::string_view key, int def) const {
  return DocumentOf(Text()).GetInt(section, key, def);
}

}  // namespace author
