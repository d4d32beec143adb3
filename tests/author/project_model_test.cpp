// The project as one document: what the tool refuses to open, the undo
// stack, and that no edit is lost on a failed save or a closing window.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCloseEvent>
#include <QLineEdit>
#include <QTest>
#include <random>

#include "author/pages/item_slots_page.h"
#include "author/project/project_model.h"
#include "author/project/project_storage.h"
#include "common/gbk.h"
#include "tests/author/author_test_support.h"

namespace authortest {
namespace {

using author::Dialogs;
using author::MainWindow;
using author::ProjectModel;

TEST(ProjectModel, DamageIsFoundOnTheLineWhereItIs) {
  struct Case {
    std::string bytes;
    int damagedLine;  // 0: a file the tool reads fully
  };
  const std::vector<Case> cases = {
      {"[project]\r\nname=demo", 0},
      {"//Created by Quillmate\r\n[prj]\r\n\r\nname0=a\r\n", 0},
      {common::Gbk("[UI]\r\ntitle=软件升级程序\r\n[file0]\r\npath=誠\\a\r\n"), 0},
      {"name=demo\r\n[project]\r\n", 1},                         // a key outside any section
      {"[project]\r\nname=demo\r\nfile0]\r\nurls=x\r\n", 3},     // a smashed header
      {std::string("[project]\r\nname=de\0mo\r\n", 22), 2},      // a NUL byte
      {"[project]\r\nname=\x81\r\n", 2},                         // a lead byte without its trail
      {"[project]\r\nname=\xff\xfe\r\n", 2},
  };
  for (const Case& c : cases) {
    const std::string damage = common::GbkToUtf8(ProjectModel::FindDamage(c.bytes));
    if (c.damagedLine == 0) {
      EXPECT_EQ(damage, "") << c.bytes;
    } else {
      EXPECT_EQ(damage, "第 " + std::to_string(c.damagedLine) + " 行无法读取") << c.bytes;
    }
  }
  EXPECT_EQ(common::GbkToUtf8(ProjectModel::FindDamage("")), "文件是空的");
  std::mt19937 random(7);
  for (int i = 0; i < 20; ++i) {
    std::string bytes(512, '\0');
    for (char& b : bytes) b = static_cast<char>(random());
    EXPECT_NE(ProjectModel::FindDamage(bytes), "");
  }
}

TEST(ProjectModel, UndoRedoAndTheSavedState) {
  testsupport::TempDir dir{"quillmate-model-"};
  dir.write("p.epj", "[project]\r\nname=p");
  ProjectModel model;
  ASSERT_EQ(model.Open(dir.path().string() + "/p.epj"), "");
  const std::string read = model.Text();
  EXPECT_EQ(read, "[project]\r\nname=p\r\n");
  EXPECT_FALSE(model.IsModified());
  model.Update(read);  // the same document is no step
  EXPECT_FALSE(model.CanUndo());
  model.Update(read + "a=1\r\n");
  model.Update(read + "a=2\r\n");
  EXPECT_TRUE(model.IsModified());
  ASSERT_TRUE(model.Undo());
  EXPECT_EQ(model.GetString("project", "a", ""), "1");
  ASSERT_TRUE(model.Undo());
  EXPECT_FALSE(model.IsModified());
  EXPECT_FALSE(model.Undo());
  ASSERT_TRUE(model.Redo());
  model.Update(read + "a=3\r\n");  // a new edit drops what could be redone
  EXPECT_FALSE(model.CanRedo());
  ASSERT_EQ(model.Save(), "");
  EXPECT_FALSE(model.IsModified());
  EXPECT_EQ(dir.read(dir.path() / "p.epj"), read + "a=3\r\n");
}

// Reads from the disk; every write fails, as on a full or read-only disk.
class FailingStorage : public author::ProjectStorage {
 public:
  std::optional<std::string> Read(const std::string& path) override { return Disk().Read(path); }
  bool Write(const std::string&, const std::string&) override {
    ++writes;
    return false;
  }
  int writes = 0;
};

class ProjectEdits : public ::testing::Test {
 protected:
  void SetUp() override {
    file = tool.Folder() + "/p/demo.epj";
    WriteGbk(file, "[project]\r\nname=demo\r\n[file0]\r\ndescribe=old\r\n");
  }
  std::unique_ptr<MainWindow> Open() {
    auto window = tool.Start(QString::fromStdString(file));
    window->SelectTab(author::kFilePage);
    return window;
  }
  QLineEdit* Describe(MainWindow& window) { return window.Page(author::kFilePage)->findChild<QLineEdit*>("describe"); }
  void Type(MainWindow& window, const char* text) {
    window.show();
    QLineEdit* edit = Describe(window);
    edit->setFocus();
    QTest::keyClicks(edit, text);
    QApplication::processEvents();  // the model takes the page's keys
  }

  ToolFixture tool;
  std::string file;
};

TEST_F(ProjectEdits, EditUndoRedoSaveReopenGivesTheSameProject) {
  auto window = Open();
  ASSERT_EQ(Describe(*window)->text(), "old");
  EXPECT_FALSE(window->UndoAction()->isEnabled());
  Type(*window, "!");
  Type(*window, "?");
  EXPECT_TRUE(window->UndoAction()->isEnabled());
  EXPECT_EQ(window->Model().GetString("file0", "describe", ""), "old!?");

  window->UndoAction()->trigger();
  EXPECT_EQ(Describe(*window)->text(), "old!");
  window->UndoAction()->trigger();
  EXPECT_EQ(Describe(*window)->text(), "old");
  EXPECT_FALSE(window->IsModified());  // back where the file is
  EXPECT_FALSE(window->Action(MainWindow::kSave)->isEnabled());
  window->RedoAction()->trigger();
  window->RedoAction()->trigger();
  EXPECT_EQ(Describe(*window)->text(), "old!?");
  EXPECT_FALSE(window->RedoAction()->isEnabled());
  EXPECT_TRUE(window->IsModified());

  const std::string edited = window->Model().Text();
  ASSERT_TRUE(window->SaveProject());
  EXPECT_EQ(ReadUtf8(file), common::GbkToUtf8(edited));
  window->CloseProject();
  EXPECT_TRUE(tool.dialogs.questions.empty());
  window = Open();
  EXPECT_EQ(Describe(*window)->text(), "old!?");
  EXPECT_EQ(window->Model().Text(), edited);
  EXPECT_EQ(window->Action(MainWindow::kSave)->shortcut(), QKeySequence("Ctrl+S"));
  EXPECT_EQ(window->UndoAction()->shortcut(), QKeySequence("Ctrl+Z"));
}

// A control that edit tracking misses loses what the publisher typed
// without a word: typing into each enabled line edit of the item and system
// pages, or clicking each check box and choice, then saving, changes the
// file every time.
TEST_F(ProjectEdits, TypingIntoEveryLineEditOrClickingEveryBoxThenSavingWritesIt) {
  auto window = Open();
  window->show();
  int typed = 0;
  int clicked = 0;
  for (int page : {author::kSystemPage, author::kFilePage, author::kDirPage}) {
    window->SelectTab(page);
    QApplication::processEvents();
    for (QLineEdit* edit : window->Page(page)->findChildren<QLineEdit*>()) {
      if (!edit->isVisible() || !edit->isEnabled() || edit->isReadOnly()) continue;
      if (edit->property("displayOnly").toBool()) continue;
      SCOPED_TRACE(edit->objectName().toStdString());
      const std::string before = ReadUtf8(file);
      edit->setFocus();
      QTest::keyClicks(edit, "7");
      QApplication::processEvents();
      WaitFor([] { return false; }, 50);
      ASSERT_TRUE(window->SaveProject());
      EXPECT_NE(ReadUtf8(file), before);
      ++typed;
    }
    for (QAbstractButton* box : window->Page(page)->findChildren<QAbstractButton*>()) {
      if (!box->isCheckable() || !box->isVisible() || !box->isEnabled()) continue;
      if (box->property("displayOnly").toBool() || (box->isChecked() && box->autoExclusive())) continue;
      SCOPED_TRACE(box->objectName().toStdString() + " " + box->text().toStdString());
      const std::string before = ReadUtf8(file);
      QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
      QApplication::processEvents();
      WaitFor([] { return false; }, 50);
      ASSERT_TRUE(window->SaveProject());
      EXPECT_NE(ReadUtf8(file), before);
      ++clicked;
    }
  }
  EXPECT_GE(typed, 10);
  EXPECT_GE(clicked, 5);
}

TEST_F(ProjectEdits, AFailedSaveKeepsTheProjectModifiedAndClosingAsksAgain) {
  FailingStorage failing;
  tool.storage = &failing;
  auto window = Open();
  Type(*window, "x");
  EXPECT_FALSE(window->SaveProject());
  EXPECT_EQ(failing.writes, 1);
  ASSERT_FALSE(tool.dialogs.messages.empty());
  EXPECT_EQ(tool.dialogs.messages.back().rfind("错误：无法保存到文件：", 0), 0u);
  EXPECT_TRUE(window->IsModified());
  EXPECT_TRUE(window->Action(MainWindow::kSave)->isEnabled());

  // Closing: "保存" fails again and the project stays; Esc goes back.
  tool.dialogs.saveChoices = {Dialogs::SaveChoice::Save};
  EXPECT_FALSE(window->CloseProject());
  EXPECT_TRUE(window->Project().IsOpen());
  EXPECT_EQ(tool.dialogs.questions, std::vector<std::string>{"将改动保存到工程文件吗？"});
  QCloseEvent close;
  QApplication::sendEvent(window.get(), &close);  // no answer scripted: the box was dismissed
  EXPECT_FALSE(close.isAccepted());
  EXPECT_TRUE(window->Project().IsOpen());
  EXPECT_EQ(Describe(*window)->text(), "oldx");

  // Dropping another project asks too; "不保存" lets the edit go.
  tool.dialogs.saveChoices = {Dialogs::SaveChoice::Discard};
  window->DropFile(QString::fromStdString(file));
  EXPECT_EQ(tool.dialogs.questions.size(), 3u);
  EXPECT_EQ(Describe(*window)->text(), "old");
  EXPECT_EQ(ReadUtf8(file), "[project]\r\nname=demo\r\n[file0]\r\ndescribe=old\r\n");
}

TEST_F(ProjectEdits, ADamagedProjectIsRefusedAndNeverWrittenOver) {
  std::mt19937 random(11);
  std::string noise(300, '\0');
  for (char& b : noise) b = static_cast<char>(random());
  const std::vector<std::string> damaged = {
      noise,
      // The header of the first item smashed: its keys would have been lost.
      "[project]\r\nname=demo\r\n[system]\r\nurls=url0=http://h/s.ini\r\n\x13\x99ile0]\r\nurls=url0=http://h/a\r\n",
  };
  for (const std::string& bytes : damaged) {
    tool.dir.write("p/demo.epj", bytes);
    tool.dialogs.messages.clear();
    auto window = Open();
    EXPECT_FALSE(window->Project().IsOpen());
    ASSERT_EQ(tool.dialogs.messages.size(), 1u);
    EXPECT_EQ(tool.dialogs.messages[0].rfind("错误：打开工程文件出错，可能已被破坏！\n" + file, 0), 0u);
    window->close();
    EXPECT_EQ(tool.dir.read(file), bytes);
  }
}

}  // namespace
}  // namespace authortest
