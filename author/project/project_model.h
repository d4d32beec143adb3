#pragma once
// ProjectModel: the open project as one document. The project file is read
// once when the project opens and written once per save; between the two
// the pages hand in the keys they hold, and every change becomes one step
// of the project's undo stack. A file the model cannot fully read (bytes
// that are no GBK text, lines that are neither a section header nor a key)
// is refused rather than opened in part, so a save can never write the
// damage over what was left of it. Values are GBK. No Qt.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "common/ini_document.h"

namespace author {

class ProjectStorage;

class ProjectModel {
 public:
  /// storage: null for the disk.
  explicit ProjectModel(ProjectStorage* storage = nullptr);

  /// Reads the project file (stored path, GBK). On failure the model is
  /// unchanged and the text says why (GBK, for a message box).
  [[nodiscard]] std::string Open(const std::string& path);
  /// A project whose file holds text (a new project, a save as target).
  void Start(const std::string& path, std::string text);
  /// No project.
  void Close();

  bool IsOpen() const { return !path_.empty(); }
  const std::string& Path() const { return path_; }
  void SetPath(const std::string& path) { path_ = path; }
  /// The document as it stands (each line + CR LF).
  const std::string& Text() const { return history_[index_]; }

  /// Records the document the pages now hold: one undo step when it
  /// differs from the current one, nothing otherwise.
  void Update(std::string text);
  /// The document the pages make of the file just read: it becomes the
  /// current and the saved state without an undo step.
  void Rebase(std::string text);
  /// Takes over the keys another writer put into the project file (the
  /// signing step records the product id and the serial it used there),
  /// so a later save keeps them; no undo step.
  void AdoptFileKeys(std::string_view section, std::initializer_list<std::string_view> keys);

  bool IsModified() const { return Text() != saved_; }
  /// Writes the document; "" when done, else the message (GBK). A failed
  /// save keeps the project modified.
  [[nodiscard]] std::string Save();

  bool CanUndo() const { return index_ > 0; }
  bool CanRedo() const { return index_ + 1 < history_.size(); }
  bool Undo();
  bool Redo();

  /// Reads of the current document, with the defaults of the project file.
  std::string GetString(std::string_view section, std::string_view key, std::string_view def) const;
  int GetInt(std::string_view section, std::string_view key, int def) const;

  /// Why bytes are no project file the tool can fully read: "" when they
  /// are, else the place of the damage (GBK).
  static std::string FindDamage(std::string_view bytes);

 private:
  ProjectStorage* storage_;
  std::string path_;
  std::string saved_;
  std::vector<std::string> history_;
  size_t index_ = 0;
};

/// The document of a text (each line + CR LF), as the reads see it.
common::IniDocument DocumentOf(std::string_view text);

}  // namespace author
