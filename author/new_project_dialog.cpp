#include "author/new_project_dialog.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "author/dialogs.h"
#include "author/project/project_file.h"
#include "author/qt_text.h"
#include "common/gbk.h"

namespace author {

NewProjectDialog::NewProjectDialog(Dialogs& dialogs, std::string& lastBrowseFolder, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), lastBrowseFolder_(lastBrowseFolder) {
  setObjectName("newProjectDialog");
  setWindowTitle(Tr("新建工程"));
  name_ = new QLineEdit(this);
  name_->setObjectName("projectName");
  path_ = new QLineEdit(ToQt(lastBrowseFolder_), this);
  path_->setObjectName("savePath");
  path_->setMinimumWidth(320);
  auto* browse = new QPushButton(Tr("浏览"), this);
  browse->setObjectName("browse");
  auto* create = new QPushButton(Tr("创建"), this);
  create->setObjectName("create");
  create->setDefault(true);
  auto* cancel = new QPushButton(Tr("取消"), this);
  cancel->setObjectName("cancel");

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(Tr("工程名称："), this), 0, 0);
  grid->addWidget(name_, 0, 1, 1, 2);
  grid->addWidget(new QLabel(Tr("保存路径："), this), 1, 0);
  grid->addWidget(path_, 1, 1);
  grid->addWidget(browse, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(create);
  buttons->addWidget(cancel);
  grid->addLayout(buttons, 2, 0, 1, 3);

  connect(browse, &QPushButton::clicked, this, &NewProjectDialog::Browse);
  connect(create, &QPushButton::clicked, this, &NewProjectDialog::Create);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void NewProjectDialog::Browse() {
  lastBrowseFolder_ = FromQt(QDir::currentPath());
  std::string folder = dialogs_.PickFolder(common::Gbk("选择文件夹"), lastBrowseFolder_);
  if (!folder.empty()) path_->setText(ToQt(folder));
}

bool NewProjectDialog::Create() {
  const std::string name = FromQt(name_->text());
  // "/" separates folders here as "\" does in the project's paths.
  if (name.empty() || common::GbkFind(name, '\\') != std::string::npos ||
      common::GbkFind(name, '/') != std::string::npos) {
    dialogs_.Message(common::Gbk("工程名称不能为空，不能含有不支持的字符！"));
    name_->setFocus();
    return false;
  }
  std::string path = StoredPath(common::Trim(FromQt(path_->text())));
  if (path.empty()) {
    dialogs_.Message(common::Gbk("存放路径不能为空！"));
    path_->setFocus();
    return false;
  }
  if (path.back() != '\\' || common::GbkFindLast(path, '\\') != path.size() - 1) path += '\\';
  std::string folder = path + name;
  const std::filesystem::path native(common::NativePath(folder));
  std::error_code ec;
  if (std::filesystem::exists(std::filesystem::symlink_status(native, ec))) {
    if (!dialogs_.Ask(NativeGbkPath(folder) +
                          common::Gbk("已经存在，是否覆盖？\n（注：覆盖将会清空该文件夹内的所有内容！）"),
                      false)) {
      return false;
    }
    std::filesystem::remove_all(native, ec);
  }
  folder += '\\';
  std::filesystem::create_directories(native, ec);
  const std::string file = folder + name + ".epj";
  bool written = false;
  if (std::FILE* f = std::fopen(common::NativePath(file).c_str(), "wb")) {
    const std::string text = "[project]\r\nname=" + name;
    written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    written = std::fclose(f) == 0 && written;
  }
  if (!written) {
    dialogs_.Message(common::Gbk("创建工程文件：") + NativeGbkPath(folder + name) + common::Gbk(".epj 失败！"));
    return false;
  }
  projectFile_ = file;
  accept();
  return true;
}

}  // namespace author
