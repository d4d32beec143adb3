#pragma once
// ProjectPage: one page of the main window (system items, file items, dir
// items, skin designer, create and debug). Each page loads its keys from the
// project file, saves them when it was modified, and resets itself for a
// new project. A page counts as modified after a typed character or a left
// mouse press on one of its input controls, or after an edit operation that
// changes data; each time it tells the main window to re-evaluate the
// toolbar (a queued call, so a click finishes before the toolbar changes).

#include <QWidget>
#include <functional>
#include <string>

#include "author/project/project_identity.h"
#include "author/project/tool_folders.h"

namespace author {

class Dialogs;
class ProjectFile;
class ProjectModel;

// What the pages share with the main window.
struct ProjectContext {
  ProjectIdentity project;
  Dialogs* dialogs = nullptr;
  ToolFolders folders;
  std::string homePage;  // the product's home page address
  std::function<bool()> saveProject;  // "保存" of the main window (all pages); false when it failed
  const ProjectModel* model = nullptr;  // the open project as its file will hold it
};

class ProjectPage : public QWidget {
  Q_OBJECT

 public:
  ProjectPage(ProjectContext& context, QWidget* parent = nullptr);

  /// Reads every key of the page (the file was read already).
  virtual void Load(ProjectFile& file) = 0;
  /// Puts every key of the page, whatever its modified flag.
  virtual void WriteKeys(ProjectFile& file) = 0;

  /// Writes the keys when the page was modified, then clears the flag.
  void Save(ProjectFile& file);
  /// The defaults of a new project; the page counts as modified.
  void Reset();

  bool IsModified() const { return modified_; }
  void SetModified();
  void ClearModified() { modified_ = false; }

 signals:
  /// The flag was set: the toolbar may need re-evaluating.
  void Modified();
  /// Something the page shows may have changed (a typed key, a click, an
  /// edit operation): the project model takes the page's keys again.
  void Edited();

 protected:
  virtual void ResetPage() = 0;
  /// Watches the page's input controls for typing and clicks; call once the
  /// controls are made. Widgets with the property "displayOnly" are left out.
  void TrackEdits();
  bool eventFilter(QObject* watched, QEvent* event) override;

  ProjectContext& context_;

 private:
  bool modified_ = false;
};

}  // namespace author
