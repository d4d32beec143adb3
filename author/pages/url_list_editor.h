#pragma once
// UrlListEditor: the server-location group shared by the system, file and
// dir items pages: up to ten URL entries in a list, the fields of one entry
// (scheme, address, user name, password), "添加" / "修改" / "删除", "浏览"
// for file:// addresses, and the "随机选择" / "尝试所有位置直到成功" switches.

#include <QGroupBox>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace author {

class Dialogs;

struct UrlEditorState {
  std::string urls;  // the stored list
  int protocol = 0;  // index into the scheme choices
  std::string address;
  std::string user = "anonymous";
  std::string password = "anonymous";
  int randomsel = 0;
  int tryallurl = 0;
};

class UrlListEditor : public QGroupBox {
  Q_OBJECT

 public:
  enum class BrowseFor { File, Folder };

  UrlListEditor(const QString& title, std::vector<std::string> schemes, BrowseFor browse, Dialogs& dialogs,
                QWidget* parent = nullptr);

  void SetState(const UrlEditorState& state);
  UrlEditorState State() const;
  /// The list lines as shown (GBK).
  std::vector<std::string> Lines() const;

  void Add();
  void Modify();
  void Delete();
  void BrowseAddress();

 signals:
  /// The data changed through an edit operation.
  void Edited();
  /// A file was browsed: its name after the last "/" (GBK).
  void FileBrowsed(const std::string& fileName);

 private:
  std::string Scheme() const;
  void SchemeChanged();
  /// An address typed or pasted with its scheme ("http://h/x") selects that
  /// scheme and keeps the rest, so the entry never holds two.
  void TakeSchemeFromAddress();
  void LineSelected(int row);
  void AppendLine(const std::string& line);

  std::vector<std::string> schemes_;
  BrowseFor browse_;
  Dialogs& dialogs_;
  QListWidget* list_;
  QComboBox* scheme_;
  QLineEdit* address_;
  QPushButton* browseButton_;
  QLineEdit* user_;
  QLineEdit* password_;
  QCheckBox* random_;
  QCheckBox* tryAll_;
};

}  // namespace author
