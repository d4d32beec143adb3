#include "author/skin/skin_templates.h"

#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "author/dialogs.h"
#include "author/project/project_identity.h"
#include "author/qt_text.h"
#include "codecs/zip_archive.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "formats/skin_reader.h"
#include "formats/skin_writer.h"

namespace author {

namespace {

constexpr char kSection[] = "umb";
constexpr char kDescription[] = "umb.dat";
constexpr char kCreatedLine[] = "//Created by Quillmate\r\n";
constexpr char kFilter[] = "界面模板文件(*.umb)|*.umb||";

namespace fs = std::filesystem;

bool CreateWithLine(const std::string& gbkPath, const char* line) {
  std::FILE* f = std::fopen(common::NativePath(gbkPath).c_str(), "wb");
  if (!f) return false;
  std::fputs(line, f);
  return std::fclose(f) == 0;
}

// The dialog "创建新模板窗口": the template's name and its author.
class NewTemplateDialog : public QDialog {
 public:
  explicit NewTemplateDialog(QWidget* parent = nullptr) : QDialog(parent) {
    setObjectName("newTemplateDialog");
    setWindowTitle(Tr("创建新模板窗口"));
    name_ = new QLineEdit(this);
    name_->setObjectName("templateName");
    author_ = new QLineEdit(this);
    author_->setObjectName("templateAuthor");
    auto* next = new QPushButton(Tr("下一步"), this);
    next->setObjectName("next");
    next->setDefault(true);
    auto* cancel = new QPushButton(Tr("取消"), this);
    cancel->setObjectName("cancel");
    connect(next, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* form = new QFormLayout;
    form->addRow(Tr("模板名称："), name_);
    form->addRow(Tr("创建者："), author_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(next);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
  }
  std::string Name() const { return FromQt(name_->text()); }
  std::string Author() const { return FromQt(author_->text()); }

 private:
  QLineEdit* name_;
  QLineEdit* author_;
};

}  // namespace

SkinTemplates::SkinTemplates(const ToolFolders& folders, Dialogs& dialogs) : folders_(folders), dialogs_(dialogs) {}

std::string SkinTemplates::CurrentFolder() const { return folders_.DataFolder() + "defui/"; }

std::string SkinTemplates::TemplateFolder() const {
  // Shipped templates sit beside a read-only program; the author's own go
  // to the data folder, which is the same folder in a writable installation.
  std::error_code ec;
  const std::string own = folders_.DataFolder() + "umb/";
  if (folders_.DataFolder() != folders_.ProgramFolder() && !fs::exists(common::NativePath(own), ec)) {
    return folders_.ProgramFolder() + "umb/";
  }
  return own;
}

std::string SkinTemplates::CurrentName() const {
  common::IniDocument doc;
  doc.SetFileName(CurrentFolder() + kDescription);
  return doc.GetString("UI", "mbname", "");
}

std::string SkinTemplates::CurrentAuthor() const {
  common::IniDocument doc;
  doc.SetFileName(CurrentFolder() + kDescription);
  return doc.GetString("UI", "mbauthor", "");
}

bool SkinTemplates::ReadCurrentWindow(int n, formats::DesignWindow& window) const {
  common::IniDocument doc;
  doc.SetFileName(CurrentFolder() + kDescription);
  if (!doc.Load()) return false;
  formats::IniSkinValueReader reader(doc);
  const std::string folder = CurrentFolder();
  window = formats::ReadDesignWindow(reader, n, window, [&](const std::string& bmpfile) {
    return common::StartsWithNoCase(bmpfile, "res\\") ? folder + common::GbkReplaceChar(bmpfile, '\\', '/')
                                                       : common::GbkReplaceChar(bmpfile, '\\', '/');
  });
  return true;
}

std::vector<std::string> SkinTemplates::Remembered() const {
  common::IniDocument doc;
  doc.SetFileName(folders_.StatusFile());
  std::vector<std::string> out;
  for (size_t i = 0; i < kMaxRemembered; ++i) {
    std::string path = doc.GetString(kSection, "name" + std::to_string(i), "");
    if (path.empty()) break;
    if (FileHasContent(path)) out.push_back(path);
  }
  return out;
}

void SkinTemplates::Remember(const std::string& path) {
  std::vector<std::string> list = Remembered();
  const std::string lower = common::GbkToLowerAscii(path);
  std::erase_if(list, [&](const std::string& p) { return common::GbkToLowerAscii(p) == lower; });
  if (list.size() > kMaxRemembered - 1) list.resize(kMaxRemembered - 1);
  list.insert(list.begin(), path);
  const std::string status = folders_.StatusFile();
  std::error_code ec;
  if (!fs::exists(common::NativePath(status), ec)) {
    fs::create_directories(fs::path(common::NativePath(status)).parent_path(), ec);
    if (!CreateWithLine(status, kCreatedLine)) return;
  }
  common::IniDocument doc;
  doc.SetFileName(status);
  if (!doc.Load()) return;
  for (size_t i = 0; i < list.size(); ++i) doc.PutValue(kSection, "name" + std::to_string(i), list[i]);
  doc.Save();
}

bool SkinTemplates::ChooseCurrent() {
  std::vector<std::string> entries = {common::Gbk("打开模板文件... (&O)"), ""};
  const std::vector<std::string> remembered = Remembered();
  entries.insert(entries.end(), remembered.begin(), remembered.end());
  const int chosen = dialogs_.PopupMenu(entries);
  std::string path;
  if (chosen == 0) {
    path = dialogs_.OpenFile(common::Gbk(kFilter), "umb", TemplateFolder());
  } else if (chosen >= 2 && chosen < static_cast<int>(entries.size())) {
    path = entries[chosen];
  }
  if (path.empty()) return false;
  return SetCurrent(path);
}

bool SkinTemplates::SetCurrent(const std::string& path) {
  if (!common::EndsWithNoCase(path, ".umb") || !FileHasContent(path)) {
    dialogs_.Message(common::Gbk("文件：") + path + common::Gbk("不存在！"));
    return false;
  }
  codecs::ZipArchive zip;
  if (!zip.Open(common::NativePath(path), codecs::ZipArchive::Mode::ReadOnly)) {
    dialogs_.Message(common::Gbk("文件：") + path + common::Gbk("不存在！"));
    return false;
  }
  // The folder holds one template: pictures of the previous one go.
  const std::string folder = common::NativePath(CurrentFolder());
  std::error_code ec;
  fs::remove_all(folder, ec);
  fs::create_directories(folder, ec);
  for (int64_t i = 0; i < zip.EntryCount(); ++i) {
    if (zip.EntryName(i).empty()) continue;
    if (!zip.ExtractEntryTo(i, folder)) {
      dialogs_.Message(common::Gbk("文件：") + path + common::Gbk("不存在！"));
      return false;
    }
  }
  Remember(path);
  return true;
}

bool SkinTemplates::SaveAs(const formats::SkinDesign& design, const std::string& uiVersion) {
  NewTemplateDialog dialog;
  if (!dialogs_.Run(dialog)) return false;
  const std::string folder = folders_.DataFolder() + "umb/";
  std::error_code ec;
  fs::create_directories(common::NativePath(folder), ec);
  const std::string path = dialogs_.SaveFile(common::Gbk(kFilter), "umb", folder + "NewUmb", folder);
  if (path.empty()) return false;
  if (fs::exists(common::NativePath(path), ec) &&
      !dialogs_.Ask(common::Gbk("文件：") + path + common::Gbk("已经存在，是否覆盖？"), false)) {
    return false;
  }
  formats::SkinDesign named = design;
  named.mbname = dialog.Name();
  named.mbauthor = dialog.Author();
  return SaveTo(named, path, uiVersion);
}

bool SkinTemplates::SaveTo(const formats::SkinDesign& design, const std::string& path, const std::string& uiVersion) {
  std::FILE* f = std::fopen(common::NativePath(path).c_str(), "wb");
  if (!f || std::fclose(f) != 0) {
    dialogs_.Message(common::Gbk("创建文件：") + path + common::Gbk("失败！"));
    return false;
  }
  // The work files go to a folder of their own: writing them beside the
  // template would replace, and then delete, a "res" folder of the author's.
  std::error_code ec;
  const fs::path work = fs::path(common::NativePath(folders_.DataFolder())) / "umb_work";
  fs::remove_all(work, ec);
  fs::create_directories(work, ec);
  const std::string workFolder = common::Utf8ToGbk(work.string()) + "/";
  bool ok = CreateWithLine(workFolder + kDescription, kCreatedLine);
  if (!ok) {
    dialogs_.Message(common::Gbk("创建文件：") + path + common::Gbk("失败！"));
  } else if (auto written = formats::WriteSkin(design, workFolder, kDescription, uiVersion); !written) {
    dialogs_.Message(written.errorText);
    ok = false;
  } else if (std::string error; !formats::PackSkinArchive(workFolder, kDescription, path, &error)) {
    dialogs_.Message(common::Gbk("创建文件：") + path + common::Gbk("失败！"));
    ok = false;
  }
  fs::remove_all(work, ec);
  return ok;
}

}  // namespace author
