#include "author/project/project_file.h"

#include <cstdio>
#include <fstream>

#include "author/project/project_model.h"
#include "common/gbk.h"

namespace author {

ProjectFile::ProjectFile(std::string path) : path_(std::move(path)) {}

bool ProjectFile::Read() {
  snapshot_ = common::IniDocument();
  std::ifstream in(common::NativePath(path_), std::ios::binary);
  std::string content;
  if (in) content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  // The line end makes even an empty file an in-memory document, which
  // never goes back to the disk.
  snapshot_.SetText(content + "\n");
  return in.is_open() && !in.bad();
}

std::string ProjectFile::GetString(std::string_view section, std::string_view key, std::string_view def) {
  return snapshot_.GetString(section, key, def);
}

int ProjectFile::GetInt(std::string_view section, std::string_view key, int def) {
  return snapshot_.GetInt(section, key, def);
}

void ProjectFile::ReadText(std::string_view text) { snapshot_ = DocumentOf(text); }

void ProjectFile::BeginWriteOver(std::string_view text) { writer_ = DocumentOf(text); }

void ProjectFile::BeginWrite() {
  writer_ = common::IniDocument();
  writer_.SetFileName(path_);
  writer_.Load();  // a missing file starts with no lines
}

void ProjectFile::Put(std::string_view section, std::string_view key, std::string_view value) {
  writer_.PutValue(section, key, value);
}

void ProjectFile::PutInt(std::string_view section, std::string_view key, int value) {
  writer_.PutValue(section, key, std::to_string(value));
}

void ProjectFile::PutUnlessDefault(std::string_view section, std::string_view key, std::string_view value,
                                   std::string_view def) {
  writer_.PutValue(section, key, value == def ? std::string_view() : value);
}

void ProjectFile::PutIntUnlessDefault(std::string_view section, std::string_view key, int value, int def) {
  writer_.PutValue(section, key, value == def ? std::string() : std::to_string(value));
}

bool ProjectFile::Commit() { return writer_.Save(); }

bool ProjectFile::CreateEmpty(const std::string& path) {
  std::FILE* f = std::fopen(common::NativePath(path).c_str(), "wb");
  if (!f) return false;
  return std::fclose(f) == 0;
}

std::string StoredPath(std::string_view nativeGbk) { return common::GbkReplaceChar(nativeGbk, '/', '\\'); }

std::string NativeGbkPath(std::string_view stored) { return common::GbkReplaceChar(stored, '\\', '/'); }

}  // namespace author
