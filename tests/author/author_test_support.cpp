#include "tests/author/author_test_support.h"

#include <QTimer>

#include <QEventLoop>

#include <QElapsedTimer>

#include <QLineEdit>
#include <filesystem>
#include <fstream>

#include "author/new_project_dialog.h"
#include "common/gbk.h"

namespace authortest {

void EnsureApplication() {
  if (QApplication::instance()) return;
  static int argc = 1;
  static char name[] = "author_test";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);  // lives for the whole test run
}

namespace {

std::string U(const std::string& gbk) { return common::GbkToUtf8(gbk); }

template <typename T>
T Take(std::deque<T>& queue, T none) {
  if (queue.empty()) return none;
  T value = queue.front();
  queue.pop_front();
  return value;
}

}  // namespace

void ScriptedDialogs::Message(const std::string& text) { messages.push_back(U(text)); }

bool ScriptedDialogs::Ask(const std::string& text, bool) {
  questions.push_back(U(text));
  return Take(answers, false);
}

author::Dialogs::SaveChoice ScriptedDialogs::AskSave(const std::string& text) {
  questions.push_back(U(text));
  return Take(saveChoices, SaveChoice::Cancel);
}

void ScriptedDialogs::About(const std::string& text) { messages.push_back(U(text)); }

std::string ScriptedDialogs::OpenFile(const std::string& filter, const std::string&, const std::string&) {
  filters.push_back(U(filter));
  return common::Utf8ToGbk(Take(paths, std::string()));
}

std::string ScriptedDialogs::SaveFile(const std::string& filter, const std::string&, const std::string&,
                                      const std::string&) {
  filters.push_back(U(filter));
  return common::Utf8ToGbk(Take(paths, std::string()));
}

std::string ScriptedDialogs::PickFolder(const std::string&, const std::string&) {
  return common::Utf8ToGbk(Take(paths, std::string()));
}

int ScriptedDialogs::PopupMenu(const std::vector<std::string>& entries) {
  std::vector<std::string> shown;
  for (const std::string& e : entries) shown.push_back(U(e));
  menus.push_back(shown);
  return Take(menuChoices, -1);
}

std::optional<uint32_t> ScriptedDialogs::PickColor(uint32_t) {
  if (colors.empty()) return std::nullopt;
  const uint32_t c = colors.front();
  colors.pop_front();
  return c;
}

bool ScriptedDialogs::Run(QDialog& dialog) {
  if (dialogScript) dialogScript(dialog);
  return dialog.result() == QDialog::Accepted;
}

ToolFixture::ToolFixture() { EnsureApplication(); }

std::unique_ptr<author::MainWindow> ToolFixture::Start(const QString& fileArgument) {
  author::MainWindowOptions options;
  options.folders = author::ToolFolders::InOneFolder(Folder());
  options.dialogs = &dialogs;
  options.homePage = "https://quillmate.example.org/";
  options.checkForNewVersion = false;
  options.storage = storage;
  auto window = std::make_unique<author::MainWindow>(options);
  window->StartUp(fileArgument);
  return window;
}

void ToolFixture::NewProject(author::MainWindow& window, const std::string& name, const std::string& savePath) {
  dialogs.dialogScript = [&](QDialog& d) {
    d.findChild<QLineEdit*>("projectName")->setText(QString::fromStdString(name));
    d.findChild<QLineEdit*>("savePath")->setText(QString::fromStdString(savePath));
    static_cast<author::NewProjectDialog&>(d).Create();
  };
  window.NewProject();
  dialogs.dialogScript = nullptr;
}

std::string ReadUtf8(const std::string& path) { return common::GbkToUtf8(testsupport::TempDir::read(path)); }

void WriteGbk(const std::string& path, const std::string& utf8) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << common::Utf8ToGbk(utf8);
}

bool WaitFor(const std::function<bool()>& done, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < ms) {
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return done();
}

}  // namespace authortest
