#include "author/project/recent_projects.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "author/project/project_identity.h"
#include "common/gbk.h"
#include "common/ini_document.h"

namespace author {

namespace {

constexpr char kSection[] = "prj";

}  // namespace

RecentProjects::RecentProjects(std::string statusFile) : statusFile_(std::move(statusFile)) {}

void RecentProjects::Add(const std::string& path) {
  for (auto it = paths_.begin(); it != paths_.end(); ++it) {
    if (common::EqualsNoCase(*it, path)) {
      paths_.erase(it);
      break;
    }
  }
  if (paths_.size() > kMaxEntries - 1) paths_.pop_back();
  paths_.insert(paths_.begin(), path);
}

void RecentProjects::Read() {
  common::IniDocument doc;
  doc.SetFileName(statusFile_);
  paths_.clear();
  for (size_t i = 0; i < kMaxEntries; ++i) {
    std::string path = doc.GetString(kSection, "name" + std::to_string(i), "");
    if (path.empty()) break;
    if (FileHasContent(path)) paths_.push_back(path);
  }
  hadProject_ = doc.GetInt(kSection, "have_prj", 0) != 0;
  selectedTab_ = doc.GetInt(kSection, "cursel", 0);
}

bool RecentProjects::Write(bool projectOpen, int selectedTab) {
  const std::string native = common::NativePath(statusFile_);
  std::error_code ec;
  if (!std::filesystem::exists(native, ec)) {
    std::filesystem::create_directories(std::filesystem::path(native).parent_path(), ec);
    std::FILE* f = std::fopen(native.c_str(), "wb");
    if (!f) return false;
    std::fputs("//Created by Quillmate\r\n", f);
    std::fclose(f);
  }
  common::IniDocument doc;
  doc.SetFileName(statusFile_);
  if (!doc.Load()) return false;
  for (size_t i = 0; i < paths_.size(); ++i) doc.PutValue(kSection, "name" + std::to_string(i), paths_[i]);
  if (!paths_.empty()) {
    doc.PutValue(kSection, "have_prj", projectOpen ? "1" : "0");
    doc.PutValue(kSection, "cursel", std::to_string(selectedTab));
  }
  return doc.Save();
}

}  // namespace author
