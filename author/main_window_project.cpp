// The project lifecycle of the main window: start-up, new, open, save, save
// as, close and drop.

#include <QDir>
#include <QTimer>
#include <filesystem>
#include <system_error>

#include "author/dialogs.h"
#include "author/main_window.h"
#include "author/new_project_dialog.h"
#include "author/project/project_file.h"
#include "author/project/project_keys.h"
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

bool MainWindow::LoadPages() {
  std::string error = model_.Open(context_.project.path);
  if (!error.empty()) {
    // A project the tool cannot fully read stays closed, so nothing is
    // ever written over it.
    context_.dialogs->Message(error);
    context_.project.Clear();
    return false;
  }
  ShowModel();
  ClearModified();
  return true;
}

void MainWindow::ShowModel() {
  ProjectFile file(context_.project.path);
  file.ReadText(model_.Text());
  for (int index : kPageOrder) pages_[index]->Load(file);
}

std::string MainWindow::PagesText(std::string_view base, bool allPages) {
  ProjectFile file(context_.project.path);
  file.BeginWriteOver(base);
  // A page that was not touched leaves the file's keys as they are.
  for (int index : kPageOrder) {
    if (allPages || pages_[index]->IsModified()) pages_[index]->WriteKeys(file);
  }
  return file.Text();
}

void MainWindow::SyncModel() {
  syncTimer_->stop();
  if (!context_.project.IsOpen()) return;
  model_.Update(PagesText(model_.Text(), false));
  UpdateToolbar();
}

void MainWindow::Undo() { StepHistory(false); }

void MainWindow::Redo() { StepHistory(true); }

void MainWindow::StepHistory(bool forward) {
  SyncModel();
  if (!(forward ? model_.Redo() : model_.Undo())) return;
  ShowModel();
  // The model now says whether the project differs from its file.
  ClearModified();
  UpdateToolbar();
}

void MainWindow::ClearModified() {
  for (ProjectPage* page : pages_) page->ClearModified();
}

void MainWindow::NewProject() {
  if (context_.project.IsOpen() && !CloseProject()) return;
  NewProjectDialog dialog(*context_.dialogs, lastBrowseFolder_, this);
  if (!context_.dialogs->Run(dialog) || dialog.ProjectFilePath().empty()) return;
  context_.project.SetPath(dialog.ProjectFilePath());
  // A new project signs its packages from the start.
  std::string error;
  if (!MakeProjectKey(context_.project.path, &error)) context_.dialogs->Message(error);
  if (std::string refused = model_.Open(context_.project.path); !refused.empty()) {
    context_.dialogs->Message(refused);
    context_.project.Clear();
    UpdateTitle();
    UpdateToolbar();
    ShowCurrentPage();
    return;
  }
  for (int index : kPageOrder) pages_[index]->Reset();
  model_.Rebase(PagesText(model_.Text(), true));
  recent_.Add(context_.project.path);
  UpdateTitle();
  UpdateToolbar();
  ShowCurrentPage();
}

void MainWindow::OpenProject() {
  if (context_.project.IsOpen() && !CloseProject()) return;
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
  if (LoadPages() && addToRecent) recent_.Add(path);
  UpdateTitle();
  UpdateToolbar();
  ShowCurrentPage();
}

bool MainWindow::SaveProject() {
  if (!context_.project.IsOpen()) return true;
  SyncModel();
  if (IsModified()) {
    std::string error = model_.Save();
    if (!error.empty()) {
      // The edits are not in the file: the project stays modified, so Save
      // stays enabled and closing asks again.
      context_.dialogs->Message(error);
      UpdateToolbar();
      return false;
    }
  }
  ClearModified();
  UpdateToolbar();
  return true;
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
  // The keys go along, so the project saved as signs as before.
  const std::string oldPath = context_.project.path;
  if (!CopyProjectKeys(oldPath, path)) {
    context_.dialogs->Message(common::Gbk("无法写入密钥文件：") + NativeGbkPath(PrivateKeyFile(path)));
  }
  SyncModel();
  context_.project.SetPath(path);
  model_.SetPath(path);
  // The pages' keys are written as they stand, over the file just emptied.
  model_.Update(PagesText("", true));
  if (std::string error = model_.Save(); !error.empty()) {
    context_.dialogs->Message(error);
  } else {
    ClearModified();
  }
  recent_.Add(path);
  UpdateTitle();
  UpdateToolbar();
}

void MainWindow::WriteStatus() { recent_.Write(context_.project.IsOpen(), CurrentTab()); }

bool MainWindow::CloseProject() {
  WriteStatus();
  SyncModel();
  if (context_.project.IsOpen() && IsModified()) {
    switch (context_.dialogs->AskSave(common::Gbk("将改动保存到工程文件吗？"))) {
      case Dialogs::SaveChoice::Save:
        if (!SaveProject()) return false;
        break;
      case Dialogs::SaveChoice::Discard:
        break;
      case Dialogs::SaveChoice::Cancel:
        return false;
    }
  }
  ClearModified();
  model_.Close();
  context_.project.Clear();
  UpdateTitle();
  UpdateToolbar();
  ShowCurrentPage();
  return true;
}

void MainWindow::DropFile(const QString& nativePath) {
  if (!CloseProject()) return;
  const std::string path = StoredPath(FromQt(nativePath));
  if (!HasBackslash(path)) return;
  context_.project.SetPath(path);
  LoadPages();
  UpdateTitle();
  UpdateToolbar();
  ShowCurrentPage();
}

}  // namespace author
