#pragma once
// ToolFolders: where Quillmate finds its shipped data and where it writes.
// Shipped, read-only data (pics/, shipped templates, updateApp/update) is
// read from the program's own folder, or, for an installed tool (program in
// <prefix>/bin), from <prefix>/lib/quillmate/. The folders written at run
// time (system/, defui/, preview/, umb/) sit beside the program when that
// folder is writable and the tool is not installed, else under
// $XDG_DATA_HOME/quillmate/ (default ~/.local/share/quillmate/), so an
// installation under /usr or /opt is never written to. Paths are GBK with
// "/" and end in "/".

#include <string>

namespace author {

class ToolFolders {
 public:
  ToolFolders() = default;

  /// The decision, given the facts: the program folder, whether it can be
  /// written, and the XDG data home and home folder ("" when unset).
  static ToolFolders Decide(std::string programFolder, bool programFolderWritable,
                            std::string xdgDataHome, std::string home);
  /// The decision for the running program (its folder probed for writing,
  /// <program folder>/../lib/quillmate probed for an installed tool).
  static ToolFolders ForThisProgram();
  /// Both roots in one folder (tests, a portable installation).
  static ToolFolders InOneFolder(std::string folder);

  /// Read-only data: the program's folder, or the installed data folder.
  const std::string& ProgramFolder() const { return programFolder_; }
  /// Folder holding system/, defui/, preview/ and umb/.
  const std::string& DataFolder() const { return dataFolder_; }

  /// "system/status.cfg" of the data folder.
  std::string StatusFile() const { return dataFolder_ + "system/status.cfg"; }
  /// The packaged client beside the tool: updateApp/update.
  std::string UpdateAppFolder() const { return programFolder_ + "updateApp/"; }
  std::string UpdateProgram() const { return UpdateAppFolder() + "update"; }

 private:
  std::string programFolder_;
  std::string dataFolder_;
};

}  // namespace author
