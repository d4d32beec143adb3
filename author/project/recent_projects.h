#pragma once
// RecentProjects: the recent projects list (at most ten project files, most
// recent first) and the file that keeps it across runs, "system/status.cfg"
// in the tool's data folder: section [prj] with name0..name9, have_prj and
// cursel. The file is GBK and begins with "//Created by Quillmate".

#include <string>
#include <vector>

namespace author {

class RecentProjects {
 public:
  static constexpr size_t kMaxEntries = 10;

  /// statusFile: GBK path of "status.cfg" (its folder is made when missing).
  explicit RecentProjects(std::string statusFile);

  const std::vector<std::string>& Paths() const { return paths_; }
  /// Puts the path at the front: an entry equal to it (any case) goes first,
  /// and the oldest goes when the list would pass ten entries.
  void Add(const std::string& path);

  /// Reads the list (name0.. up to the first empty entry; entries naming no
  /// file with content are skipped), have_prj and cursel.
  void Read();
  bool HadProject() const { return hadProject_; }
  int SelectedTab() const { return selectedTab_; }

  /// Writes the list and, when it is not empty, have_prj and cursel; keys of
  /// former entries beyond the list stay. false when the file cannot be written.
  bool Write(bool projectOpen, int selectedTab);

 private:
  std::string statusFile_;
  std::vector<std::string> paths_;
  bool hadProject_ = false;
  int selectedTab_ = 0;
};

}  // namespace author
