#pragma once
// SkinTemplates: skin templates (".umb" archives holding "umb.dat" and the
// pictures under "res\"). The current template is extracted into the tool's
// "defui/" folder; the templates used last are remembered in
// "system/status.cfg" [umb] name0..name9, most recent first. Shipped
// templates live in "umb/" beside the program; templates the author saves go
// to "umb/" of the data folder (the same folder when the program's is
// writable).

#include <string>
#include <vector>

#include "author/project/tool_folders.h"
#include "formats/skin_design.h"

namespace author {

class Dialogs;

class SkinTemplates {
 public:
  static constexpr size_t kMaxRemembered = 10;

  SkinTemplates(const ToolFolders& folders, Dialogs& dialogs);

  /// "defui/" (GBK, "/"), where the current template is extracted.
  std::string CurrentFolder() const;
  /// "umb/" where templates are saved and the open dialog starts.
  std::string TemplateFolder() const;

  /// Name and author of the current template ([UI] mbname, mbauthor of
  /// "defui/umb.dat"); empty when there is none.
  std::string CurrentName() const;
  std::string CurrentAuthor() const;
  /// Window n of the current template over start ("使用模板"); false when
  /// there is no current template.
  bool ReadCurrentWindow(int n, formats::DesignWindow& window) const;

  /// "设置当前模板": the pop-up of remembered templates and the open
  /// dialog, then SetCurrent. False when nothing was set.
  bool ChooseCurrent();
  /// Extracts the template at path (GBK, "/") into "defui/" and remembers
  /// it. False (after "文件：" + path + "不存在！") for a missing file or
  /// one not ending in ".umb", and when it cannot be extracted.
  bool SetCurrent(const std::string& path);

  /// "存为模板": asks name and author and the file, then SaveTo.
  bool SaveAs(const formats::SkinDesign& design, const std::string& uiVersion);
  /// Writes design as a template archive at path; false after a message.
  bool SaveTo(const formats::SkinDesign& design, const std::string& path, const std::string& uiVersion);

  /// The remembered templates that still exist.
  std::vector<std::string> Remembered() const;

 private:
  void Remember(const std::string& path);

  ToolFolders folders_;
  Dialogs& dialogs_;
};

}  // namespace author
