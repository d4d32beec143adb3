#pragma once
// ProjectFile: one project file (".epj", an INI document) as the pages read
// and write it. Reading works on a snapshot taken once, so loading thirty
// item slots does not re-read the file for every key; writing collects the
// pages' keys over the file's current lines and saves the whole file once.
// Values are GBK; writing an empty value removes the key.

#include <string>
#include <string_view>

#include "common/ini_document.h"

namespace author {

class ProjectFile {
 public:
  /// path: the project file as the project keeps it (GBK, "\" separators).
  explicit ProjectFile(std::string path);

  const std::string& Path() const { return path_; }

  /// Takes the snapshot the reads use; false when the file cannot be read
  /// (the reads then give their defaults).
  bool Read();
  std::string GetString(std::string_view section, std::string_view key, std::string_view def);
  int GetInt(std::string_view section, std::string_view key, int def);

  /// Takes the snapshot from a document's text instead of the file.
  void ReadText(std::string_view text);

  /// Starts a write over the file's current lines (a missing file starts
  /// empty).
  void BeginWrite();
  /// Starts a write over a document's text, in memory: Text() gives the
  /// result and nothing goes to the disk.
  void BeginWriteOver(std::string_view text);
  std::string Text() const { return writer_.GetText(); }
  void Put(std::string_view section, std::string_view key, std::string_view value);
  void PutInt(std::string_view section, std::string_view key, int value);
  /// An item key that disappears when it holds its default value.
  void PutUnlessDefault(std::string_view section, std::string_view key, std::string_view value,
                        std::string_view def);
  void PutIntUnlessDefault(std::string_view section, std::string_view key, int value, int def);
  /// Saves the collected lines; false when the file cannot be written.
  [[nodiscard]] bool Commit();

  /// Creates the file empty (truncating it); false when it cannot be made.
  [[nodiscard]] static bool CreateEmpty(const std::string& path);

 private:
  std::string path_;
  common::IniDocument snapshot_;
  common::IniDocument writer_;
};

/// Project paths as the project and the client keep them: GBK with "\".
/// From a native GBK path ("/") and back.
std::string StoredPath(std::string_view nativeGbk);
std::string NativeGbkPath(std::string_view stored);

}  // namespace author
