#include "author/pages/item_slots_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "author/dialogs.h"
#include "author/pages/page_widgets.h"
#include "author/project/project_checks.h"
#include "author/project/project_file.h"
#include "author/qt_text.h"
#include "author/pages/url_list_editor.h"
#include "common/gbk.h"
#include "common/md5_digest.h"

namespace author {

namespace {

constexpr int kSlotLineHeight = 18;

QCheckBox* Check(const char* text, const char* name, QWidget* parent) {
  auto* c = new QCheckBox(Tr(text), parent);
  c->setObjectName(name);
  return c;
}

QLineEdit* Edit(const char* name, QWidget* parent) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  return e;
}

}  // namespace

ItemSlotsPage::ItemSlotsPage(ItemKind kind, ProjectContext& context, QWidget* parent)
    : ProjectPage(context, parent), kind_(kind), slots_(SlotCount(kind)) {
  const bool file = kind == ItemKind::File;
  setObjectName(file ? "fileItemsPage" : "dirItemsPage");

  slotList_ = new QListWidget(this);
  slotList_->setObjectName("slotList");
  slotList_->setFixedWidth(96);
  localVer_ = EditableCombo({"0.0.0"}, "local_ver", this);
  fileVer_ = EditableCombo({"0.0.0"}, "file_ver", this);
  urls_ = new UrlListEditor(
      file ? Tr("升级文件在服务器端的位置（支持同一文件部署到多个服务器上，以便减轻单个服务器负担。）")
           : Tr("升级目录在服务器端的位置（支持同一目录部署到多个服务器上，以便减轻单个服务器负担。）"),
      file ? std::vector<std::string>{"http://", "ftp://", "file://"} : std::vector<std::string>{"ftp://", "file://"},
      file ? UrlListEditor::BrowseFor::File : UrlListEditor::BrowseFor::Folder, *context.dialogs, this);
  path_ = EditableCombo(kItemPathMacros, "path", this);
  describe_ = Edit("describe", this);
  modifyVer_ = Check("成功升级后，修改本地配置中的版本号，使之与服务器端配置中的版本号一致。", "modify_ver", this);
  opMode_ = new QComboBox(this);
  opMode_->setObjectName("op_mode");
  opMode_->addItems({Tr("0：手动（类似向导式的操作）"), Tr("1：自动")});
  showType_ = new QComboBox(this);
  showType_->setObjectName("show_type");

  auto* right = new QGridLayout;
  int row = 0;
  auto addRow = [&](QWidget* label, QWidget* field) {
    right->addWidget(label, row, 0);
    right->addWidget(field, row++, 1);
  };
  auto addWide = [&](QWidget* w) { right->addWidget(w, row++, 0, 1, 2); };
  auto label = [this](const char* text) { return new QLabel(Tr(text), this); };

  addWide(Banner("本地配置", "bannerLocal", this));
  addRow(label("初始版本号："), localVer_);
  addWide(Banner("服务器端配置", "bannerServer", this));
  addRow(label("版本号："), fileVer_);
  addWide(urls_);
  if (file) {
    rename_ = Edit("rename", this);
    addRow(label("升级文件重命名（可以不用填）："), rename_);
    addRow(label("升级文件的存放路径（缺省为升级程序所在文件夹）："), path_);
    md5_ = Edit("md5", this);
    md5Button_ = new QPushButton(Tr("计算MD5"), this);
    md5Button_->setObjectName("md5Compute");
    auto* md5Row = new QWidget(this);
    auto* md5Layout = new QHBoxLayout(md5Row);
    md5Layout->setContentsMargins(0, 0, 0, 0);
    md5Layout->addWidget(md5_, 1);
    md5Layout->addWidget(md5Button_);
    addRow(label("升级文件的MD5(32位)："), md5Row);
    uncompress_ = Check("解压缩（主要针对压缩文件，目前只支持ZIP格式）。", "uncompress", this);
    runme_ = Check(
        "成功升级后，执行本文件（支持各种可执行程序的运行、reg文件及ocx与dll组件的注册，\n以及文本文件的打开等）。",
        "runme", this);
    addWide(uncompress_);
    addWide(runme_);
    connect(md5Button_, &QPushButton::clicked, this, &ItemSlotsPage::ComputeMd5);
    connect(urls_, &UrlListEditor::FileBrowsed, this, [this](const std::string& name) {
      if (rename_->text().isEmpty()) rename_->setText(ToQt(name));
    });
  } else {
    addRow(label("存放路径（缺省为升级程序所在文件夹）："), path_);
    auto* filterGroup = new QGroupBox(Tr("筛选文件（缺省为所有文件）"), this);
    filterGroup->setObjectName("filterGroup");
    filter_ = Edit("filter", filterGroup);
    auto* hint = new QLabel(Tr("小提示：如有多个筛选项，用逗号分隔。支持通配符*和?。如：*gif,*doc表示仅更新所有以gif或doc结尾的文件。"),
                            filterGroup);
    hint->setObjectName("filterHint");
    hint->setWordWrap(true);
    auto* filterLayout = new QVBoxLayout(filterGroup);
    filterLayout->addWidget(filter_);
    filterLayout->addWidget(hint);
    addWide(filterGroup);
    subdirs_ = Check("包括所有子目录", "is_inc_subdir", this);
    addWide(subdirs_);
  }
  addWide(modifyVer_);
  auto* modes = new QWidget(this);
  auto* modesLayout = new QHBoxLayout(modes);
  modesLayout->setContentsMargins(0, 0, 0, 0);
  modesLayout->addWidget(label("操作方式："));
  modesLayout->addWidget(opMode_);
  modesLayout->addWidget(label("显示类型："));
  modesLayout->addWidget(showType_, 1);
  addWide(modes);
  addRow(label("描述（在下载前窗口的列表中显示）："), describe_);
  right->setColumnStretch(1, 1);
  right->setRowStretch(row, 1);

  auto* left = new QVBoxLayout;
  left->addWidget(label(file ? "文件项：" : "目录项："));
  left->addWidget(slotList_, 1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addLayout(right, 1);

  RebuildSlotList();
  FillShowTypes(0);
  connect(slotList_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0 && row != current_) SelectSlot(row);
  });
  connect(opMode_, &QComboBox::currentIndexChanged, this,
          [this]() { FillShowTypes(slots_[current_].showType); });
  connect(urls_, &UrlListEditor::Edited, this, &ProjectPage::SetModified);
  // Wrong values are marked as they are typed; the checks before a package
  // list them again.
  for (QComboBox* ver : {localVer_, fileVer_}) {
    connect(ver, &QComboBox::editTextChanged, this, [ver] {
      const std::string text = ComboText(ver);
      MarkField(ver, text.empty() || IsDottedVersion(text) ? "" : common::Gbk("版本号应为用点分隔的数字，如 1.0.3"));
    });
  }
  if (md5_) {
    connect(md5_, &QLineEdit::textChanged, this, [this](const QString& text) {
      MarkField(md5_, text.isEmpty() || IsHexDigest(FromQt(text), 32) ? "" : common::Gbk("MD5 应为 32 位十六进制数字"));
    });
  }
  Show(0);
  TrackEdits();
}

QString ItemSlotsPage::SlotLabel(int index) const {
  const char* base = kind_ == ItemKind::File ? "file" : "dir";
  return QString("%1[%2%3]").arg(slots_[index].urls.empty() ? "" : "*").arg(base).arg(index);
}

void ItemSlotsPage::RefreshLabel(int index) {
  if (QListWidgetItem* item = slotList_->item(index)) item->setText(SlotLabel(index));
}

void ItemSlotsPage::RebuildSlotList() {
  const QSignalBlocker block(slotList_);
  slotList_->clear();
  for (int i = 0; i < static_cast<int>(slots_.size()); ++i) {
    auto* item = new QListWidgetItem(SlotLabel(i), slotList_);
    item->setSizeHint(QSize(80, kSlotLineHeight));
  }
}

void ItemSlotsPage::FillShowTypes(int showType) {
  const QSignalBlocker block(showType_);
  showType_->clear();
  showType_->addItem(Tr("0：常规"));
  // A manual item always runs with the normal display.
  if (opMode_->currentIndex() == 1) {
    showType_->addItems({Tr("1：静默（进度窗口不显示，提示及错误信息都会显示）"), Tr("2：不显示（什么也看不到）")});
    showType_->setCurrentIndex(showType >= 0 && showType <= 2 ? showType : 0);
  } else {
    showType_->setCurrentIndex(0);
  }
}

void ItemSlotsPage::StoreShown() {
  ItemSlot& s = slots_[current_];
  const UrlEditorState u = urls_->State();
  s.urls = u.urls;
  s.url = u.address;
  s.protocol = u.protocol;
  s.username = u.user;
  s.pw = u.password;
  s.randomsel = u.randomsel;
  s.tryallurl = u.tryallurl;
  s.localVersion = ComboText(localVer_);
  s.serverVersion = ComboText(fileVer_);
  s.path = StoredItemPath(ComboText(path_));
  s.describe = FromQt(describe_->text());
  s.modifyVer = modifyVer_->isChecked() ? 1 : 0;
  s.opMode = std::max(0, opMode_->currentIndex());
  s.showType = std::max(0, showType_->currentIndex());
  if (kind_ == ItemKind::File) {
    s.rename = FromQt(rename_->text());
    s.md5 = FromQt(md5_->text());
    s.uncompress = uncompress_->isChecked() ? 1 : 0;
    s.runme = runme_->isChecked() ? 1 : 0;
  } else {
    s.filter = FromQt(filter_->text());
    s.isIncSubdir = subdirs_->isChecked() ? 1 : 0;
  }
}

void ItemSlotsPage::Show(int index) {
  current_ = index;
  const ItemSlot& s = slots_[index];
  urls_->SetState({s.urls, s.protocol, s.url, s.username, s.pw, s.randomsel, s.tryallurl});
  SetComboText(localVer_, s.localVersion);
  SetComboText(fileVer_, s.serverVersion);
  SetComboText(path_, s.path);
  describe_->setText(ToQt(s.describe));
  modifyVer_->setChecked(s.modifyVer != 0);
  {
    const QSignalBlocker block(opMode_);
    opMode_->setCurrentIndex(s.opMode == 1 ? 1 : 0);
  }
  FillShowTypes(s.showType);
  if (kind_ == ItemKind::File) {
    rename_->setText(ToQt(s.rename));
    md5_->setText(ToQt(s.md5));
    uncompress_->setChecked(s.uncompress != 0);
    runme_->setChecked(s.runme != 0);
  } else {
    filter_->setText(ToQt(s.filter));
    subdirs_->setChecked(s.isIncSubdir != 0);
  }
  const QSignalBlocker block(slotList_);
  slotList_->setCurrentRow(index);
}

void ItemSlotsPage::SelectSlot(int index) {
  if (index < 0 || index >= static_cast<int>(slots_.size())) return;
  StoreShown();
  RefreshLabel(current_);
  Show(index);
}

void ItemSlotsPage::Load(ProjectFile& file) {
  for (int i = 0; i < static_cast<int>(slots_.size()); ++i) slots_[i] = ReadItemSlot(file, kind_, i);
  RebuildSlotList();
  Show(0);
}

void ItemSlotsPage::WriteKeys(ProjectFile& file) {
  StoreShown();
  RefreshLabel(current_);
  for (int i = 0; i < static_cast<int>(slots_.size()); ++i) WriteItemSlot(file, kind_, i, slots_[i]);
}

void ItemSlotsPage::ResetPage() {
  for (ItemSlot& s : slots_) s = ItemSlot{};
  RebuildSlotList();
  Show(0);
}

void ItemSlotsPage::ComputeMd5() {
  const std::string path =
      context_.dialogs->OpenFile(common::Gbk("文件(*.*)|*.*||"), "", FromQt(QDir::currentPath()));
  if (path.empty()) return;
  md5Button_->setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  common::Md5Digest digest;
  // Paint and timer events go on during a long digest; clicks and keys wait.
  digest.SetKeepAlive([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
  digest.DigestFile(common::NativePath(path));
  std::optional<std::string> result = digest.GetDigest();
  digest.Close();
  QApplication::restoreOverrideCursor();
  md5Button_->setEnabled(true);
  if (!result) {
    context_.dialogs->Message(common::Gbk("计算MD5出错：") + path);
    return;
  }
  md5_->setText(QString::fromStdString(*result));
  SetModified();
}

}  // namespace author
