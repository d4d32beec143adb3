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

#include "author/page_set.h"
#include "author/project_page.h"
#include "author/recent_projects.h"

class QAction;
class QStackedWidget;
class QTabBar;

namespace author {

class Dialogs;
class NewVersionBar;

/// The tool's private messages, kept as numbers for logs and tests: the
/// toolbar re-evaluation a page asks for, and the start-up version check.
inline constexpr int kMsgUpdateToolbar = 0x0400 + 20;
inline constexpr int kMsgCheckVersion = 0x0400 + 21;

struct MainWindowOptions {
  ToolFolders folders;
  Dialogs* dialogs = nullptr;  // null: the real boxes and dialogs
  std::string homePage;
  bool checkForNewVersion = true;
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
  void SaveProject();
  void SaveProjectAs();
  void CloseProject();
  /// The first dropped file (native path, UTF-8).
  void DropFile(const QString& path);

  const ProjectIdentity& Project() const { return context_.project; }
  const RecentProjects& Recent() const { return recent_; }
  ProjectPage* Page(int index) const { return pages_[index]; }
  bool IsModified() const;
  int CurrentTab() const;
  void SelectTab(int index);
  QAction* Action(Button button) const { return actions_[button]; }
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
  void LoadPages();
  void WriteStatus();
  void ClearModified();
  void UpdateTitle();
  void ShowCurrentPage();
  void ShowAbout();
  void CheckForNewVersion();

  ProjectContext context_;
  std::unique_ptr<Dialogs> ownDialogs_;
  bool checkForNewVersion_;
  RecentProjects recent_;
  std::string lastBrowseFolder_;
  std::array<QAction*, kButtonCount> actions_{};
  QTabBar* tabs_;
  QStackedWidget* stack_;
  QWidget* noProject_;
  NewVersionBar* versionBar_;
  PageArray pages_{};
};

}  // namespace author
