#include "author/qt_dialogs.h"

#include <QColorDialog>
#include <QCursor>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include "author/qt_text.h"
#include "common/gbk.h"

namespace author {

namespace {

// "工程文件(*.prj;*.epj)|*.prj;*.epj||" -> "工程文件(*.prj *.epj)": Qt takes the
// patterns from inside the brackets of each description.
QString QtFilter(const std::string& filter) {
  QStringList parts = ToQt(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    QString name = parts[i];
    int open = name.indexOf('(');
    if (open >= 0) name = name.left(open);
    out << name + "(" + patterns + ")";
  }
  return out.join(";;");
}

std::string WithDefaultExt(QString path, const std::string& defaultExt) {
  if (path.isEmpty()) return "";
  if (!defaultExt.empty() && QFileInfo(path).suffix().isEmpty()) path += "." + ToQt(defaultExt);
  return FromQt(path);
}

}  // namespace

void QtDialogs::Message(const std::string& text) {
  QMessageBox box(QMessageBox::Information, ToQt(common::Gbk("信息提示")), ToQt(text), QMessageBox::NoButton,
                  parent_);
  box.addButton(QString::fromUtf8("确定"), QMessageBox::AcceptRole);
  box.exec();
}

bool QtDialogs::Ask(const std::string& text, bool questionIcon) {
  QMessageBox box(questionIcon ? QMessageBox::Question : QMessageBox::Information,
                  ToQt(common::Gbk("信息提示")), ToQt(text), QMessageBox::NoButton, parent_);
  QPushButton* yes = box.addButton(QString::fromUtf8("是(&Y)"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QString::fromUtf8("否(&N)"), QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

Dialogs::SaveChoice QtDialogs::AskSave(const std::string& text) {
  QMessageBox box(QMessageBox::Question, ToQt(common::Gbk("信息提示")), ToQt(text), QMessageBox::NoButton, parent_);
  QPushButton* save = box.addButton(QString::fromUtf8("保存(&S)"), QMessageBox::AcceptRole);
  QPushButton* discard = box.addButton(QString::fromUtf8("不保存(&N)"), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QString::fromUtf8("取消"), QMessageBox::RejectRole);
  box.setDefaultButton(save);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == save) return SaveChoice::Save;
  return box.clickedButton() == discard ? SaveChoice::Discard : SaveChoice::Cancel;
}

void QtDialogs::About(const std::string& text) {
  QMessageBox::about(parent_, QString::fromUtf8("关于 Quillmate"), ToQt(text));
}

std::string QtDialogs::OpenFile(const std::string& filter, const std::string& defaultExt,
                                const std::string& startFolder) {
  QString path = QFileDialog::getOpenFileName(parent_, QString(), ToQt(startFolder), QtFilter(filter));
  return WithDefaultExt(path, defaultExt);
}

std::string QtDialogs::SaveFile(const std::string& filter, const std::string& defaultExt,
                                const std::string& initialPath, const std::string& startFolder) {
  QString start = initialPath.empty() ? ToQt(startFolder) : ToQt(initialPath);
  QFileDialog dialog(parent_, QString(), start, QtFilter(filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(ToQt(defaultExt));
  // The question about an existing file is the tool's own.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (!initialPath.empty()) dialog.selectFile(ToQt(initialPath));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return "";
  return FromQt(dialog.selectedFiles().front());
}

std::string QtDialogs::PickFolder(const std::string& title, const std::string& startFolder) {
  return FromQt(QFileDialog::getExistingDirectory(parent_, ToQt(title), ToQt(startFolder)));
}

int QtDialogs::PopupMenu(const std::vector<std::string>& entries) {
  QMenu menu(parent_);
  std::vector<QAction*> actions;
  for (const std::string& entry : entries) {
    actions.push_back(entry.empty() ? menu.addSeparator() : menu.addAction(ToQt(entry)));
  }
  QAction* chosen = menu.exec(QCursor::pos());
  for (size_t i = 0; i < actions.size(); ++i) {
    if (chosen && actions[i] == chosen) return static_cast<int>(i);
  }
  return -1;
}

std::optional<uint32_t> QtDialogs::PickColor(uint32_t initial) {
  const QColor c = QColorDialog::getColor(QColor(initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF),
                                          parent_);
  if (!c.isValid()) return std::nullopt;
  return static_cast<uint32_t>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

bool QtDialogs::Run(QDialog& dialog) { return dialog.exec() == QDialog::Accepted; }

}  // namespace author
