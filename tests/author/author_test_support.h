#pragma once
// Test helpers for the authoring tool: a QApplication for the offscreen
// widgets, Dialogs answered from lists (every box and dialog recorded, texts
// as UTF-8), and a tool folder with a main window on it.

#include <QApplication>
#include <QDialog>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "author/dialogs.h"
#include "author/main_window.h"
#include "tests/support/temp_dir.h"

namespace authortest {

void EnsureApplication();

class ScriptedDialogs : public author::Dialogs {
 public:
  void Message(const std::string& text) override;
  bool Ask(const std::string& text, bool questionIcon) override;
  SaveChoice AskSave(const std::string& text) override;
  void About(const std::string& text) override;
  std::string OpenFile(const std::string& filter, const std::string& defaultExt,
                       const std::string& startFolder) override;
  std::string SaveFile(const std::string& filter, const std::string& defaultExt, const std::string& initialPath,
                       const std::string& startFolder) override;
  std::string PickFolder(const std::string& title, const std::string& startFolder) override;
  int PopupMenu(const std::vector<std::string>& entries) override;
  std::optional<uint32_t> PickColor(uint32_t initial) override;
  bool Run(QDialog& dialog) override;

  // What was shown (UTF-8).
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::vector<std::string> filters;
  std::vector<std::vector<std::string>> menus;
  // The answers, taken in order; when they run out: No, nothing chosen.
  std::deque<bool> answers;
  std::deque<std::string> paths;  // UTF-8 native paths for file and folder dialogs
  std::deque<int> menuChoices;
  std::deque<SaveChoice> saveChoices;  // none left: Cancel, as Esc gives
  std::deque<uint32_t> colors;  // colour dialog answers; none left: cancelled
  std::function<void(QDialog&)> dialogScript;
};

// A tool folder with its own status file, and main windows on it.
class ToolFixture {
 public:
  ToolFixture();
  std::string Folder() const { return dir.path().string(); }
  /// A main window on the tool folder (no version check), after its start-up.
  std::unique_ptr<author::MainWindow> Start(const QString& fileArgument = QString());
  /// "新建" with the name and save path typed and "创建" pressed once.
  void NewProject(author::MainWindow& window, const std::string& name, const std::string& savePath);

  testsupport::TempDir dir{"quillmate-test-"};
  ScriptedDialogs dialogs;
  author::ProjectStorage* storage = nullptr;  // null: the disk
};

/// Runs the event loop until done() or ms have passed; done() at the end.
bool WaitFor(const std::function<bool()>& done, int ms);

/// A file's bytes; a GBK file as UTF-8.
std::string ReadUtf8(const std::string& path);
/// Writes UTF-8 text as GBK bytes (folders made).
void WriteGbk(const std::string& path, const std::string& utf8);

}  // namespace authortest
