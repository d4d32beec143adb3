#pragma once
// NewProjectDialog: "新建工程" asks for the project name and the save path,
// and on "创建" makes the project folder (emptying an existing one after a
// Yes) and the project file "[project]\r\nname=<name>".

#include <QDialog>
#include <string>

class QLineEdit;

namespace author {

class Dialogs;

class NewProjectDialog : public QDialog {
  Q_OBJECT

 public:
  /// lastBrowseFolder: the folder that was current when "浏览" was last
  /// used; it fills the save path field and is updated by "浏览".
  NewProjectDialog(Dialogs& dialogs, std::string& lastBrowseFolder, QWidget* parent = nullptr);

  /// The project file made by "创建" (GBK, "\" separators).
  const std::string& ProjectFilePath() const { return projectFile_; }

  /// What "创建" does; true (and the dialog accepted) when the project was made.
  bool Create();
  void Browse();

 private:
  Dialogs& dialogs_;
  std::string& lastBrowseFolder_;
  QLineEdit* name_;
  QLineEdit* path_;
  std::string projectFile_;
};

}  // namespace author
