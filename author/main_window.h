#pragma once
// MainWindow: Quillmate's main window. A toolbar of seven buttons ("新建",
// "打开", "保存", "另存", "关闭", "帮助", "退出") above five tabs, one page
// each, shown only while a project is open. It owns the project's identity,
// the recent projects list and the project lifecycle: start-up, new, open,
// save, save as, close, drop and exit.

#include <QMainWindow>
#include <QStringList>
#include <array>
#include <memory>
#include <string>

#include "author/pages/page_set.h"
#include "author/project/project_model.h"
#include "author/pages/project_page.h"
#include "author/project/recent_projects.h"

class QAction;
class QTimer;
class QStackedWidget;
class QTabBar;

namespace author {

class Dialogs;
class NewVersionBar;
class ProjectStorage;

/// The tool's private messages, kept as numbers for logs and tests: the
/// toolbar re-evaluation a page asks for, and the start-up version check.
inline constexpr int kMsgUpdateToolbar = 0x0400 + 20;
inline constexpr int kMsgCheckVersion = 0x0400 + 21;

struct MainWindowOptions {
  ToolFolders folders;
  Dialogs* dialogs = nullptr;  // null: the real boxes and dialogs
  std::string homePage;
  bool checkForNewVersion = true;
  ProjectStorage* storage = nullptr;  // null: the disk
};

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  enum Button { kNew, kOpen, kSave, kSaveAs, kClose, kHelp, kExit, kButtonCount };

  explicit MainWindow(MainWindowOptions options, QWidget* parent = nullptr);
  ~MainWindow() override;

  /// The start-up: a project named on the command line (native path, UTF-8),
  /// else the project open at the last exit; then the version check.
  void StartUp(const QString& fileArgument = QString());

  // The toolbar's operations.
  void NewProject();
  void OpenProject();
  /// False when the project could not be written (it stays modified).
  bool SaveProject();
  void SaveProjectAs();
  /// False when the author went back to the project (or its save failed):
  /// it then stays open.
  bool CloseProject();
  void Undo();
  void Redo();
  /// The first dropped file (native path, UTF-8).
  void DropFile(const QString& path);

  const ProjectIdentity& Project() const { return context_.project; }
  const RecentProjects& Recent() const { return recent_; }
  const ProjectModel& Model() const { return model_; }
  /// The pages' keys into the model (one undo step when they changed).
  void SyncModel();
  ProjectPage* Page(int index) const { return pages_[index]; }
  bool IsModified() const;
  int CurrentTab() const;
  void SelectTab(int index);
  QAction* Action(Button button) const { return actions_[button]; }
  QAction* UndoAction() const { return undo_; }
  QAction* RedoAction() const { return redo_; }
  NewVersionBar* VersionBar() const { return versionBar_; }
  /// "Quillmate" + "%d.%d".
  static QString ProductTitle();

 public slots:
  void UpdateToolbar();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  QMenu* createPopupMenu() override;

 private:
  void MakeToolbar();
  void OpenProjectFile(const std::string& path, bool addToRecent);
  bool LoadPages();
  void ShowModel();
  void StepHistory(bool forward);
  /// The keys of the pages (every page, or the modified ones) over a text.
  std::string PagesText(std::string_view base, bool allPages);
  void WriteStatus();
  void ClearModified();
  void UpdateTitle();
  void ShowCurrentPage();
  void ShowAbout();
  void CheckForNewVersion();

  ProjectContext context_;
  ProjectModel model_;
  std::unique_ptr<Dialogs> ownDialogs_;
  bool checkForNewVersion_;
  RecentProjects recent_;
  std::string lastBrowseFolder_;
  std::array<QAction*, kButtonCount> actions_{};
  QAction* undo_ = nullptr;
  QAction* redo_ = nullptr;
  QTimer* syncTimer_ = nullptr;
  QTabBar* tabs_;
  QStackedWidget* stack_;
  QWidget* noProject_;
  NewVersionBar* versionBar_;
  PageArray pages_{};
};

}  // namespace author
