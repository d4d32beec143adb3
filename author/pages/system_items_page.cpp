#include "author/pages/system_items_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "author/pages/page_widgets.h"
#include "author/project/project_file.h"
#include "author/qt_text.h"
#include "author/pages/url_list_editor.h"
#include "common/gbk.h"
#include "formats/config_keys.h"

namespace author {

namespace {

// The prompt windows' rows; their defaults are those of the configuration.
struct PromptRow {
  const char* onKey;
  const char* textKey;
  const char* label;
};

constexpr PromptRow kPrompts[SystemItemsPage::kPromptRows] = {
    {"noupdate_win", "noupdate_win_msg", "没有新版本则弹出提示窗口，内容："},
    {"start_win", "start_win_msg", "发现新版本则弹出提示窗口，内容："},
    {"close_win", "close_win_msg", "关闭进程前弹出提示窗口，内容："},
    {"dl_win", "dl_win_msg", "下载文件失败后弹出提示窗口，内容："},
    {"end_win1", "end_win1_msg", "更新成功后弹出提示窗口，内容："},
    {"end_win2", "end_win2_msg", "更新失败后弹出提示窗口，内容："},
};

// The programs to run, as the sub-page lists them.
struct RunRow {
  const char* key;
  const char* label;
};

constexpr RunRow kRuns[SystemItemsPage::kRunKeys] = {
    {"run_before", "启动升级前执行程序："},   {"run_after", "升级完成后执行程序："},
    {"run_dlbefore", "下载前执行程序："},     {"run_dlafters", "下载成功后执行程序："},
    {"run_dlafterf", "下载失败后执行程序："}, {"run_udbefore", "更新前执行程序："},
    {"run_udafters", "更新成功后执行程序："}, {"run_udafterf", "更新失败后执行程序："},
};

constexpr RunRow kCloses[SystemItemsPage::kCloseKeys] = {
    {"close_proc1", "程序（进程）名称："},
    {"close_proc2", "窗口标题名称："},
    {"close_proc3", "窗口类名称："},
    {"close_items", "文件项（目录项）："},
};

constexpr char kSystem[] = "system";
constexpr char kUi[] = "UI";

}  // namespace

int DefaultPromptSwitch(std::string_view onKey) {
  return common::AtoI(formats::KeyDefault(formats::KeySection::Ui, onKey));
}

std::string DefaultPromptText(std::string_view textKey) {
  return formats::KeyDefault(formats::KeySection::Ui, textKey);
}

SystemItemsPage::SystemItemsPage(ProjectContext& context, QWidget* parent) : ProjectPage(context, parent) {
  setObjectName("systemItemsPage");
  urls_ = new UrlListEditor(
      Tr("服务器端配置文件的位置（必须，服务器端配置文件名由此指定。支持同一配置文件放置在多个地方）"),
      {"http://", "ftp://", "file://"}, UrlListEditor::BrowseFor::File, *context.dialogs, this);
  closeLog_ = new QCheckBox(Tr("关闭记录日志功能（影响命令行参数：/Log）"), this);
  closeLog_->setObjectName("closelog");

  auto* config = new QGroupBox(Tr("配置"), this);
  config->setObjectName("configGroup");
  tree_ = new QTreeWidget(config);
  tree_->setObjectName("configTree");
  tree_->setProperty("displayOnly", true);
  tree_->setHeaderHidden(true);
  tree_->setRootIsDecorated(false);
  tree_->setFixedWidth(120);
  tree_->setStyleSheet("QTreeView::item { height: 20px; }");
  for (const char* name : {"提示窗口", "关闭进程", "执行外部程序"}) tree_->addTopLevelItem(new QTreeWidgetItem({Tr(name)}));
  subPages_ = new QStackedWidget(config);
  subPages_->setObjectName("configPages");
  subPages_->addWidget(MakePromptPage());
  subPages_->addWidget(MakeClosePage());
  subPages_->addWidget(MakeRunPage());
  auto* configLayout = new QHBoxLayout(config);
  configLayout->addWidget(tree_);
  configLayout->addWidget(subPages_, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Banner("本地配置", "bannerLocal", this));
  layout->addWidget(urls_);
  layout->addWidget(closeLog_);
  layout->addWidget(Banner("服务器端配置", "bannerServer", this));
  layout->addWidget(config, 1);

  connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item) subPages_->setCurrentIndex(tree_->indexOfTopLevelItem(item));
  });
  connect(urls_, &UrlListEditor::Edited, this, &ProjectPage::SetModified);
  ShowSubPage(0);
  TrackEdits();
}

QWidget* SystemItemsPage::MakePromptPage() {
  auto* page = new QWidget;
  page->setObjectName("promptPage");
  auto* grid = new QGridLayout(page);
  for (int i = 0; i < kPromptRows; ++i) {
    promptOn_[i] = new QCheckBox(Tr(kPrompts[i].label), page);
    promptOn_[i]->setObjectName(kPrompts[i].onKey);
    const std::string defaultText = common::GbkToUtf8(DefaultPromptText(kPrompts[i].textKey));
    promptText_[i] = EditableCombo({defaultText.c_str()}, kPrompts[i].textKey, page);
    grid->addWidget(promptOn_[i], i, 0);
    grid->addWidget(promptText_[i], i, 1);
  }
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(kPromptRows, 1);
  return page;
}

QWidget* SystemItemsPage::MakeClosePage() {
  auto* page = new QWidget;
  page->setObjectName("closePage");
  auto* procs = new QGroupBox(Tr("更新前需要关闭以下的进程（没有则不用填；单项若有多个，请用逗号隔开）"), page);
  auto* items = new QGroupBox(Tr("需要关闭以上进程的文件项（目录项）（缺省为所有项；若有多项，请用逗号隔开）"), page);
  auto* procGrid = new QGridLayout(procs);
  auto* itemGrid = new QGridLayout(items);
  for (int i = 0; i < kCloseKeys; ++i) {
    QGroupBox* group = i < 3 ? procs : items;
    QGridLayout* grid = i < 3 ? procGrid : itemGrid;
    close_[i] = new QLineEdit(group);
    close_[i]->setObjectName(kCloses[i].key);
    grid->addWidget(new QLabel(Tr(kCloses[i].label), group), i, 0);
    grid->addWidget(close_[i], i, 1);
  }
  auto* example = new QLabel(Tr("例：若只有文件项file0和目录项dir3在更新前需要关闭以上进程，则填：file0,dir3"), items);
  example->setObjectName("closeExample");
  example->setWordWrap(true);
  itemGrid->addWidget(example, kCloseKeys, 0, 1, 2);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(procs);
  layout->addWidget(items);
  layout->addStretch(1);
  return page;
}

QWidget* SystemItemsPage::MakeRunPage() {
  auto* page = new QWidget;
  page->setObjectName("runPage");
  auto* layout = new QVBoxLayout(page);
  auto* top = new QGridLayout;
  auto* download = new QGroupBox(Tr("下载阶段"), page);
  auto* update = new QGroupBox(Tr("更新阶段"), page);
  auto* downloadGrid = new QGridLayout(download);
  auto* updateGrid = new QGridLayout(update);
  for (int i = 0; i < kRunKeys; ++i) {
    QWidget* parent = i < 2 ? page : i < 5 ? static_cast<QWidget*>(download) : update;
    QGridLayout* grid = i < 2 ? top : i < 5 ? downloadGrid : updateGrid;
    int row = i < 2 ? i : i < 5 ? i - 2 : i - 5;
    run_[i] = EditableCombo(kRunPathMacros, kRuns[i].key, parent);
    grid->addWidget(new QLabel(Tr(kRuns[i].label), parent), row, 0);
    grid->addWidget(run_[i], row, 1);
    grid->setColumnStretch(1, 1);
  }
  layout->addLayout(top);
  layout->addWidget(download);
  layout->addWidget(update);
  layout->addStretch(1);
  return page;
}

void SystemItemsPage::ShowSubPage(int index) {
  tree_->setCurrentItem(tree_->topLevelItem(index));
  subPages_->setCurrentIndex(index);
}

void SystemItemsPage::Load(ProjectFile& file) {
  UrlEditorState s;
  s.urls = file.GetString(kSystem, "urls", "");
  s.randomsel = file.GetInt(kSystem, "randomsel", 0);
  s.tryallurl = file.GetInt(kSystem, "tryallurl", 0);
  s.address = file.GetString(kSystem, "server_conf", "");
  s.protocol = file.GetInt(kSystem, "protocol", 0);
  s.user = file.GetString(kSystem, "username", "anonymous");
  s.password = file.GetString(kSystem, "pw", "anonymous");
  urls_->SetState(s);
  closeLog_->setChecked(file.GetInt(kSystem, "closelog", 0) != 0);
  for (int i = 0; i < kRunKeys; ++i) SetComboText(run_[i], file.GetString(kSystem, kRuns[i].key, ""));
  for (int i = 0; i < kCloseKeys; ++i) close_[i]->setText(ToQt(file.GetString(kSystem, kCloses[i].key, "")));
  for (int i = 0; i < kPromptRows; ++i) {
    promptOn_[i]->setChecked(file.GetInt(kUi, kPrompts[i].onKey, DefaultPromptSwitch(kPrompts[i].onKey)) != 0);
    SetComboText(promptText_[i], file.GetString(kUi, kPrompts[i].textKey, DefaultPromptText(kPrompts[i].textKey)));
  }
}

void SystemItemsPage::WriteKeys(ProjectFile& file) {
  const UrlEditorState s = urls_->State();
  file.Put(kSystem, "urls", s.urls);
  file.PutInt(kSystem, "randomsel", s.randomsel);
  file.PutInt(kSystem, "tryallurl", s.tryallurl);
  file.Put(kSystem, "server_conf", s.address);
  file.PutInt(kSystem, "protocol", s.protocol);
  file.PutInt(kSystem, "closelog", closeLog_->isChecked() ? 1 : 0);
  for (int i = 0; i < kRunKeys; ++i) file.Put(kSystem, kRuns[i].key, ComboText(run_[i]));
  for (int i = 0; i < kCloseKeys; ++i) file.Put(kSystem, kCloses[i].key, FromQt(close_[i]->text()));
  file.Put(kSystem, "username", s.user);
  file.Put(kSystem, "pw", s.password);
  for (int i = 0; i < kPromptRows; ++i) {
    file.PutInt(kUi, kPrompts[i].onKey, promptOn_[i]->isChecked() ? 1 : 0);
    file.Put(kUi, kPrompts[i].textKey, ComboText(promptText_[i]));
  }
}

void SystemItemsPage::ResetPage() {
  urls_->SetState(UrlEditorState{});
  closeLog_->setChecked(false);
  for (QComboBox* c : run_) SetComboText(c, "");
  for (QLineEdit* e : close_) e->clear();
  for (int i = 0; i < kPromptRows; ++i) {
    promptOn_[i]->setChecked(DefaultPromptSwitch(kPrompts[i].onKey) != 0);
    SetComboText(promptText_[i], DefaultPromptText(kPrompts[i].textKey));
  }
}

}  // namespace author
