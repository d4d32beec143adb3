#pragma once
// IniDocument: the sections-and-keys text behind every configuration file of
// both programs. It keeps the text as lines and scans them on every call
// (no index, no cache), either bound to a file on disk (every read reloads,
// every write saves the whole file) or in memory after SetText. The exact
// rules (first header wins, no comments, trimming, case-sensitive names,
// where a new key goes) are what stored files and both programs rely on.

#include <string>
#include <string_view>
#include <vector>

namespace common {

class IniDocument {
 public:
  IniDocument();
  virtual ~IniDocument();

  /// Binds the document to a file (GBK path as the configuration holds it).
  void SetFileName(std::string_view path);
  const std::string& FileName() const { return fileName_; }

  /// Replaces the lines by the file's; false (lines kept) when it cannot be opened.
  bool Load();
  /// Writes every line + CR LF; true without writing in memory mode; false
  /// when the file cannot be opened for writing (the change stays in memory).
  bool Save();

  /// Appends the lines of text and switches to memory mode; false for empty text.
  bool SetText(std::string_view text);
  /// Memory mode: each line + CR LF; file-bound mode: "".
  std::string GetText() const;

  /// The occurrence-th value of key in the first section named section, or
  /// def (unchanged) when absent or the file cannot be read.
  std::string GetString(std::string_view section, std::string_view key, std::string_view def,
                        int occurrence = 1);
  /// GetString with def as "%d", converted by the atoi rule.
  int GetInt(std::string_view section, std::string_view key, int def);
  /// PutValue then Save.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInt(std::string_view section, std::string_view key, int value);
  /// WriteString with the empty value: removes the first occurrence.
  void DeleteKey(std::string_view section, std::string_view key);

  /// Changes the lines in memory only (no save).
  void PutValue(std::string_view section, std::string_view key, std::string_view value);

  bool IsFileBound() const { return fileBound_; }
  bool LastOpenOk() const { return lastOpenOk_; }
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  std::string ReadValue(std::string_view section, std::string_view key, std::string_view def,
                        int occurrence);

  std::string fileName_;
  bool lastOpenOk_ = false;
  std::vector<std::string> lines_;
  bool fileBound_ = true;
};

}  // namespace common
