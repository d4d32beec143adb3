#include "author/pages/url_list_editor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "author/dialogs.h"
#include "author/pages/page_widgets.h"
#include "author/qt_text.h"
#include "author/project/url_entry.h"
#include "common/gbk.h"

namespace author {

namespace {

constexpr int kLineHeight = 20;

QPushButton* Button(const char* text, const char* name, QWidget* parent) {
  auto* b = new QPushButton(Tr(text), parent);
  b->setObjectName(name);
  return b;
}

}  // namespace

UrlListEditor::UrlListEditor(const QString& title, std::vector<std::string> schemes, BrowseFor browse,
                             Dialogs& dialogs, QWidget* parent)
    : QGroupBox(title, parent), schemes_(std::move(schemes)), browse_(browse), dialogs_(dialogs) {
  setObjectName("urlGroup");
  list_ = new QListWidget(this);
  list_->setObjectName("urlList");
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  list_->setMinimumHeight(4 * kLineHeight + 4);
  scheme_ = new QComboBox(this);
  scheme_->setObjectName("urlScheme");
  for (const std::string& s : schemes_) scheme_->addItem(ToQt(s));
  address_ = new QLineEdit(this);
  address_->setObjectName("urlAddress");
  browseButton_ = Button("浏览", "urlBrowse", this);
  user_ = new QLineEdit(this);
  user_->setObjectName("urlUser");
  password_ = new QLineEdit(this);
  password_->setObjectName("urlPassword");
  random_ = new QCheckBox(Tr("随机选择"), this);
  random_->setObjectName("urlRandom");
  tryAll_ = new QCheckBox(Tr("尝试所有位置直到成功"), this);
  tryAll_->setObjectName("urlTryAll");
  QPushButton* add = Button("添加", "urlAdd", this);
  QPushButton* modify = Button("修改", "urlModify", this);
  QPushButton* remove = Button("删除", "urlDelete", this);

  auto* grid = new QGridLayout(this);
  grid->addWidget(list_, 0, 0, 3, 5);
  grid->addWidget(add, 0, 5);
  grid->addWidget(modify, 1, 5);
  grid->addWidget(remove, 2, 5);
  grid->addWidget(scheme_, 3, 0);
  grid->addWidget(address_, 3, 1, 1, 4);
  grid->addWidget(browseButton_, 3, 5);
  grid->addWidget(new QLabel(Tr("用户名："), this), 4, 0);
  grid->addWidget(user_, 4, 1);
  grid->addWidget(new QLabel(Tr("口令："), this), 4, 2);
  grid->addWidget(password_, 4, 3);
  auto* note = new QLabel(Tr("（注：用户名和口令中不能包含逗号或分号）"), this);
  note->setObjectName("urlNote");
  grid->addWidget(note, 5, 0, 1, 6);
  auto* switches = new QHBoxLayout;
  switches->addWidget(random_);
  switches->addWidget(tryAll_);
  switches->addStretch(1);
  grid->addLayout(switches, 6, 0, 1, 6);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);

  connect(add, &QPushButton::clicked, this, &UrlListEditor::Add);
  connect(modify, &QPushButton::clicked, this, &UrlListEditor::Modify);
  connect(remove, &QPushButton::clicked, this, &UrlListEditor::Delete);
  connect(browseButton_, &QPushButton::clicked, this, &UrlListEditor::BrowseAddress);
  connect(scheme_, &QComboBox::currentIndexChanged, this, &UrlListEditor::SchemeChanged);
  connect(address_, &QLineEdit::textChanged, this, &UrlListEditor::TakeSchemeFromAddress);
  connect(list_, &QListWidget::currentRowChanged, this, &UrlListEditor::LineSelected);
  SchemeChanged();
}

std::string UrlListEditor::Scheme() const {
  int i = scheme_->currentIndex();
  return i >= 0 && i < static_cast<int>(schemes_.size()) ? schemes_[i] : std::string();
}

void UrlListEditor::TakeSchemeFromAddress() {
  const std::string text = FromQt(address_->text());
  const size_t end = text.find("://");
  if (end == std::string::npos) return MarkField(address_, "");
  for (size_t i = 0; i < schemes_.size(); ++i) {
    if (common::EqualsNoCase(text.substr(0, end + 3), schemes_[i])) {
      scheme_->setCurrentIndex(static_cast<int>(i));
      address_->setText(ToQt(text.substr(end + 3)));  // comes back here with the scheme gone
      return;
    }
  }
  MarkField(address_, common::Gbk("此处不支持该协议：") + text.substr(0, end + 3));
}

void UrlListEditor::SchemeChanged() {
  const std::string scheme = Scheme();
  user_->setEnabled(scheme == "ftp://");
  password_->setEnabled(scheme == "ftp://");
  browseButton_->setEnabled(scheme == "file://");
}

void UrlListEditor::AppendLine(const std::string& line) {
  auto* item = new QListWidgetItem(ToQt(line), list_);
  item->setSizeHint(QSize(list_->fontMetrics().horizontalAdvance(item->text()) + 8, kLineHeight));
}

void UrlListEditor::SetState(const UrlEditorState& state) {
  const QSignalBlocker block(list_);
  list_->clear();
  for (const std::string& line : DisplayLinesFromUrls(state.urls)) AppendLine(line);
  scheme_->setCurrentIndex(state.protocol >= 0 && state.protocol < scheme_->count() ? state.protocol : 0);
  address_->setText(ToQt(state.address));
  user_->setText(ToQt(state.user));
  password_->setText(ToQt(state.password));
  random_->setChecked(state.randomsel != 0);
  tryAll_->setChecked(state.tryallurl != 0);
  SchemeChanged();
}

std::vector<std::string> UrlListEditor::Lines() const {
  std::vector<std::string> lines;
  for (int i = 0; i < list_->count(); ++i) lines.push_back(FromQt(list_->item(i)->text()));
  return lines;
}

UrlEditorState UrlListEditor::State() const {
  UrlEditorState s;
  s.urls = UrlsFromDisplayLines(Lines());
  s.protocol = std::max(0, scheme_->currentIndex());
  s.address = FromQt(address_->text());
  s.user = FromQt(user_->text());
  s.password = FromQt(password_->text());
  s.randomsel = random_->isChecked() ? 1 : 0;
  s.tryallurl = tryAll_->isChecked() ? 1 : 0;
  return s;
}

void UrlListEditor::Add() {
  if (list_->count() >= static_cast<int>(kMaxUrls)) {
    dialogs_.Message(common::Gbk("已到url容量限度！"));
    return;
  }
  if (address_->text().isEmpty()) return;
  const std::string line =
      DisplayText({Scheme(), FromQt(address_->text()), FromQt(user_->text()), FromQt(password_->text())});
  for (const std::string& existing : Lines()) {
    if (existing == line) {
      dialogs_.Message(common::Gbk("该url在列表中已经存在！"));
      return;
    }
  }
  AppendLine(line);
  {
    const QSignalBlocker block(list_);
    list_->setCurrentRow(list_->count() - 1);
  }
  emit Edited();
}

void UrlListEditor::Modify() {
  QListWidgetItem* item = list_->currentItem();
  if (!item || address_->text().isEmpty()) return;
  item->setText(ToQt(
      DisplayText({Scheme(), FromQt(address_->text()), FromQt(user_->text()), FromQt(password_->text())})));
  item->setSizeHint(QSize(list_->fontMetrics().horizontalAdvance(item->text()) + 8, kLineHeight));
  emit Edited();
}

void UrlListEditor::Delete() {
  int row = list_->currentRow();
  if (row < 0) return;
  {
    const QSignalBlocker block(list_);
    delete list_->takeItem(row);
    if (row >= list_->count()) row = list_->count() - 1;
    list_->setCurrentRow(row);
  }
  if (row >= 0) LineSelected(row);
  emit Edited();
}

void UrlListEditor::LineSelected(int row) {
  if (row < 0 || row >= list_->count()) return;
  UrlFields f = FieldsFromDisplay(FromQt(list_->item(row)->text()));
  for (size_t i = 0; i < schemes_.size(); ++i) {
    if (!f.scheme.empty() && schemes_[i].compare(0, f.scheme.size(), f.scheme) == 0) {
      scheme_->setCurrentIndex(static_cast<int>(i));
      break;
    }
  }
  address_->setText(ToQt(f.address));
  user_->setText(ToQt(f.user));
  password_->setText(ToQt(f.password));
}

void UrlListEditor::BrowseAddress() {
  const std::string start = FromQt(QDir::currentPath());
  std::string path = browse_ == BrowseFor::File
                         ? dialogs_.OpenFile(common::Gbk("文件(*.*)|*.*||"), "", start)
                         : dialogs_.PickFolder(common::Gbk("选择文件夹"), start);
  if (path.empty()) return;
  path = common::GbkReplaceChar(path, '\\', '/');
  address_->setText(ToQt(path));
  if (browse_ == BrowseFor::File) {
    size_t slash = common::GbkFindLast(path, '/');
    emit FileBrowsed(slash == std::string::npos ? path : path.substr(slash + 1));
  }
  emit Edited();
}

}  // namespace author
