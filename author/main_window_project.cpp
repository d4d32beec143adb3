// The project lifecycle of the main window: start-up, new, open, save, save
// as, close and drop.

#include <QDir>
#include <filesystem>
#include <system_error>

#include "author/dialogs.h"
#include "author/main_window.h"
#include "author/new_project_dialog.h"
#include "author/project_file.h"
#include "author/qt_text.h"
#include "common/gbk.h"

namespace author {

namespace {

bool HasBackslash(const std::string& path, size_t from = 0) {
  return common::GbkFind(path, '\\', from) != std::string::npos;
}

std::string CurrentFolder() { return FromQt(QDir::currentPath()); }

}  // namespace

void MainWindow::StartUp(const QString& fileArgument) {
  if (!fileArgument.isEmpty()) {
    // A project handed over by the desktop: opened as it is, and the
    // recent list stays unread until the next start.
    const std::string path = StoredPath(FromQt(QDir::cleanPath(QDir::current().absoluteFilePath(fileArgument))));
    if (FileHasContent(path) && HasBackslash(path, 1)) {
      context_.project.SetPath(path);
      LoadPages();
    }
  } else {
    recent_.Read();
    const auto& paths = recent_.Paths();
    if (recent_.HadProject() && !paths.empty() && HasBackslash(paths.front()) &&
        HasProjectExtension(paths.front())) {
      context_.project.SetPath(paths.front());
      LoadPages();
      SelectTab(recent_.SelectedTab());
    }
  }
  UpdateTitle();
  UpdateToolbar();
  ShowCurrentPage();
  if (checkForNewVersion_) QMetaObject::invokeMethod(this, [this] { CheckForNewVersion(); }, Qt::QueuedConnection);
}

void MainWindow::LoadPages() {
  ProjectFile file(context_.project.path);
  if (!file.Read()) {
    // Every page keeps what it shows.
    context_.dialogs->Message(common::Gbk("错误：无法打开文件：") + NativeGbkPath(context_.project.path));
    return;
  }
  for (int index : kPageOrder) pages_[index]->Load(file);
  ClearModified();
}

void MainWindow::ClearModified() {
  for (ProjectPage* page : pages_) page->ClearModified();
}

void MainWindow::NewProject() {
  NewProjectDialog dialog(*context_.dialogs, lastBrowseFolder_, this);
  if (!context_.dialogs->Run(dialog) || dialog.ProjectFilePath().empty()) return;
  context_.project.SetPath(dialog.ProjectFilePath());
  for (int index : kPageOrder) pages_[index]->Reset();
  recent_.Add(context_.project.path);
  UpdateTitle();
  UpdateToolbar();
  ShowCurrentPage();
}

void MainWindow::OpenProject() {
  const auto& paths = recent_.Paths();
  if (!paths.empty()) {
    std::vector<std::string> entries = {common::Gbk("打开工程... (&O)"), ""};
    for (const std::string& p : paths) entries.push_back(NativeGbkPath(p));
    int chosen = context_.dialogs->PopupMenu(entries);
    if (chosen < 0 || chosen == 1) return;
    if (chosen >= 2) {
      const std::string path = paths[chosen - 2];
      if (HasBackslash(path) && FileHasContent(path) && HasProjectExtension(path)) {
        OpenProjectFile(path, true);
      } else {
        context_.dialogs->Message(common::Gbk("文件：") + NativeGbkPath(path) + common::Gbk("不存在！"));
      }
      return;
    }
  }
  std::string chosen =
      context_.dialogs->OpenFile(common::Gbk("工程文件(*.prj;*.epj)|*.prj;*.epj||"), "epj", CurrentFolder());
  if (chosen.empty()) return;
  OpenProjectFile(StoredPath(chosen), true);
}

void MainWindow::OpenProjectFile(const std::string& path, bool addToRecent) {
  if (ProjectNameOf(path).empty()) {
    context_.dialogs->Message(common::Gbk("错误：打开工程文件出错，可能已被破坏！"));
    return;
  }
  context_.project.SetPath(path);
  if (addToRecent) recent_.Add(path);
  LoadPages();
  UpdateTitle();
  UpdateToolbar();
  ShowCurrentPage();
}

void MainWindow::SaveProject() {
  if (!context_.project.IsOpen()) return;
  if (IsModified()) {
    ProjectFile file(context_.project.path);
    file.BeginWrite();
    for (int index : kPageOrder) pages_[index]->Save(file);
    if (!file.Commit()) {
      context_.dialogs->Message(common::Gbk("错误：无法保存到文件：") + NativeGbkPath(context_.project.path));
    }
  }
  ClearModified();
  UpdateToolbar();
}

void MainWindow::SaveProjectAs() {
  if (!context_.project.IsOpen()) return;
  std::string chosen = context_.dialogs->SaveFile(common::Gbk("工程文件(*.epj)|*.epj||"), "epj",
                                                  NativeGbkPath(context_.project.path), CurrentFolder());
  if (chosen.empty()) return;
  const std::string path = StoredPath(chosen);
  const std::filesystem::path native(common::NativePath(path));
  std::error_code ec;
  // A refused or failed save as keeps the project where it was, so a later
  // save cannot write into the file the author chose not to overwrite.
  if (std::filesystem::exists(native, ec)) {
    if (!context_.dialogs->Ask(common::Gbk("文件：") + chosen + common::Gbk("已经存在，是否覆盖？"), false)) return;
  } else {
    std::filesystem::create_directories(native.parent_path(), ec);
  }
  if (!ProjectFile::CreateEmpty(path)) {
    context_.dialogs->Message(common::Gbk("创建工程文件：") + chosen + common::Gbk("失败！"));
    return;
  }
  context_.project.SetPath(path);
  ProjectFile file(path);
  file.BeginWrite();
  for (int index : kPageOrder) pages_[index]->WriteKeys(file);
  if (!file.Commit()) {
    context_.dialogs->Message(common::Gbk("错误：无法保存到文件：") + chosen);
  }
  ClearModified();
  recent_.Add(path);
  UpdateTitle();
  UpdateToolbar();
}

void MainWindow::WriteStatus() { recent_.Write(context_.project.IsOpen(), CurrentTab()); }

void MainWindow::CloseProject() {
  WriteStatus();
  if (context_.project.IsOpen() && IsModified() &&
      context_.dialogs->Ask(common::Gbk("将改动保存到工程文件吗？"), true)) {
    SaveProject();
  }
  ClearModified();
  context_.project.Clear();
  UpdateTitle();
  UpdateToolbar();
  ShowCurrentPage();
}

void MainWindow::DropFile(const QString& nativePath) {
  CloseProject();
  const std::string path = StoredPath(FromQt(nativePath));
  if (!HasBackslash(path)) return;
  context_.project.SetPath(path);
  LoadPages();
  UpdateTitle();
  UpdateToolbar();
  ShowCurrentPage();
}

}  // namespace author
