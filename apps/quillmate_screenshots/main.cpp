// quillmate_screenshots: writes a sample project into a temporary folder,
// opens it in Quillmate's main window offscreen and renders the system,
// file and dir items pages, the skin designer (built-in design, then the
// shipped template) and the create-and-debug page after a generation into
// <folder>/quillmate_<page>.png.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <cstdio>
#include <fstream>

#include "author/pages/create_debug_page.h"
#include "author/main_window.h"
#include "author/translations.h"
#include "author/pages/page_set.h"
#include "author/pages/skin_designer_page.h"
#include "author/skin/skin_editor.h"
#include "author/skin/skin_templates.h"
#include "author/qt_dialogs.h"
#include "common/gbk.h"
#include "platform/host_channel.h"

namespace {

const char kSampleProject[] =
    "[project]\r\nname=demo\r\nparam_val=0100\r\nlocal_cfgout=0\r\n"
    "[system]\r\n"
    "urls=url0=http://updates.example.com/demo/server.ini;;url1=ftp://mirror.example.com/demo/server.ini,,"
    "publisher,,secret\r\n"
    "randomsel=0\r\ntryallurl=1\r\nserver_conf=mirror.example.com/demo/server.ini\r\nprotocol=1\r\n"
    "closelog=0\r\nusername=publisher\r\npw=secret\r\n"
    "run_before={parent}\\tools\\backup.exe\r\nrun_after={parent}\\demo.exe\r\n"
    "close_proc1=demo.exe\r\n"
    "[UI]\r\nnoupdate_win=1\r\nnoupdate_win_msg=没有发现新版本！\r\nstart_win=1\r\n"
    "start_win_msg=发现新版本，现在升级吗？\r\nclose_win=1\r\n"
    "close_win_msg=本次升级将会关闭一些相关的进程，请保存好数据后继续！\r\n"
    "dl_win=1\r\ndl_win_msg=下载文件失败，请稍后再试！\r\nend_win1=1\r\nend_win1_msg=升级完成！\r\n"
    "end_win2=0\r\nend_win2_msg=升级失败！\r\n"
    "[file0]\r\nurls=url0=http://updates.example.com/demo/demo.exe;;url1=ftp://mirror.example.com/demo/demo.exe,,"
    "publisher,,secret\r\n"
    "url=mirror.example.com/demo/demo.exe\r\nusername=publisher\r\npw=secret\r\npath={parent}\\bin\r\n"
    "describe=主程序\r\nprotocol=1\r\nlocal_ver=1.0.0\r\nfile_ver=1.1.0\r\n"
    "md5=0123456789abcdef0123456789abcdef\r\nrunme=1\r\nop_mode=1\r\nshow_type=1\r\ntryallurl=1\r\n"
    "[file1]\r\nurls=url0=http://updates.example.com/demo/readme.txt\r\nurl=updates.example.com/demo/readme.txt\r\n"
    "username=anonymous\r\npw=anonymous\r\npath=\r\ndescribe=说明文件\r\nprotocol=0\r\nfile_ver=1.1.0\r\n"
    "[dir0]\r\nurls=url0=ftp://mirror.example.com/demo/data/,,publisher,,secret\r\n"
    "url=mirror.example.com/demo/data/\r\nusername=publisher\r\npw=secret\r\npath={parent}\\data\r\n"
    "describe=数据文件\r\nprotocol=0\r\nfile_ver=2.0.0\r\nfilter=*.dat,*.idx\r\nis_inc_subdir=1\r\n";

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  author::InstallChineseTranslations(app);
  const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("docs/screenshots");
  QDir().mkpath(out);
  QTemporaryDir temp;
  // The tool's pictures and shipped template, as beside the real program.
  const QString bin = QCoreApplication::applicationDirPath();
  for (const char* folder : {"pics", "umb"}) {
    QDir().mkpath(temp.path() + "/" + folder);
    for (const QString& name : QDir(bin + "/" + folder).entryList(QDir::Files)) {
      QFile::copy(bin + "/" + folder + "/" + name, temp.path() + "/" + folder + "/" + name);
    }
  }
  const QString projectFile = temp.path() + "/demo/demo.epj";
  QDir().mkpath(temp.path() + "/demo");
  std::ofstream(projectFile.toStdString(), std::ios::binary) << common::Utf8ToGbk(kSampleProject);

  author::QtDialogs dialogs;
  author::MainWindowOptions options;
  options.folders = author::ToolFolders::InOneFolder(temp.path().toStdString());
  options.dialogs = &dialogs;
  options.homePage = QUILLMATE_HOME_PAGE;
  options.checkForNewVersion = false;
  author::MainWindow window(options);
  window.show();
  window.StartUp(projectFile);

  const struct {
    int tab;
    const char* name;
  } shots[] = {{author::kSystemPage, "system_items"}, {author::kFilePage, "file_items"}, {author::kDirPage, "dir_items"}};
  int failures = 0;
  auto save = [&](const char* name) {
    QApplication::processEvents();
    const QString file = out + "/quillmate_" + name + ".png";
    if (!window.grab().save(file)) {
      std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
      ++failures;
    } else {
      std::printf("%s\n", file.toLocal8Bit().constData());
    }
  };
  for (const auto& shot : shots) {
    window.SelectTab(shot.tab);
    save(shot.name);
  }

  // The designer: the built-in design with "使用自定义窗口" on and the first
  // text selected, then every window taken from the shipped template.
  window.SelectTab(author::kSkinPage);
  auto* skin = static_cast<author::SkinDesignerPage*>(window.Page(author::kSkinPage));
  skin->SetUseCustom(true);
  author::SkinEditor& editor = skin->Editor();
  const auto& text = editor.Window().elements[0].rect;
  editor.Press(QPoint(text.left + 4, text.top + 4), false);
  editor.Release();
  save("skin_default");
  if (skin->Templates().SetCurrent(common::Utf8ToGbk(temp.path().toStdString()) + "/umb/qingshan.umb")) {
    skin->RefreshTemplateInfo();
    for (int n = 3; n >= 0; --n) {
      editor.SetCurrentWindow(n);
      skin->UseTemplate();
    }
    editor.Press(QPoint(text.left + 4, text.top + 4), false);
    editor.Release();
  } else {
    ++failures;
  }
  save("skin_template");

  // The create-and-debug page after a generation, with the lines a run of
  // the client would leave in its message log.
  window.SelectTab(author::kCreatePage);
  auto* create = static_cast<author::CreateDebugPage*>(window.Page(author::kCreatePage));
  bool generated = false;
  QObject::connect(create, &author::CreateDebugPage::GenerationFinished, [&](bool) { generated = true; });
  create->CreatePackage();
  QElapsedTimer timer;
  timer.start();
  while (!generated && timer.elapsed() < 20000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  const platform::HostMessage run[] = {{2023, 3, 0}, {2021, 100, 100}, {2022, 100, 100}, {2023, 1, 0}, {2023, 4, 0}};
  for (const platform::HostMessage& m : run) platform::SendHostMessage(create->Endpoint(), m);
  timer.restart();
  while (timer.elapsed() < 300) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  save("create_debug");

  // The boxes: each is grabbed while it is up, then dismissed with Esc.
  auto saveBox = [&](const char* name, const std::function<void()>& open) {
    bool grabbed = false;
    QTimer::singleShot(300, [&] {
      QWidget* box = QApplication::activeModalWidget();
      if (!box) return;
      const QString file = out + "/quillmate_" + name + ".png";
      grabbed = box->grab().save(file);
      if (grabbed) std::printf("%s\n", file.toLocal8Bit().constData());
      QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(box, &escape);
    });
    open();
    if (!grabbed) {
      std::fprintf(stderr, "no box for %s\n", name);
      ++failures;
    }
  };
  // Wrong values on the file items page: marked as typed, listed before a package.
  window.SelectTab(author::kFilePage);
  QWidget* filePage = window.Page(author::kFilePage);
  filePage->findChild<QComboBox*>("file_ver")->setEditText("1.1 beta");
  filePage->findChild<QLineEdit*>("md5")->setText("0123456789abcdef0123456789abcde");
  filePage->findChild<QComboBox*>("path")->setEditText("{parent}/bin");
  window.Page(author::kFilePage)->SetModified();
  save("file_items_marked");
  window.SelectTab(author::kCreatePage);
  saveBox("problem_list", [&] { create->CreatePackage(); });
  // The question before unsaved changes go; Esc keeps the project open.
  window.Page(author::kSystemPage)->SetModified();
  saveBox("close_question", [&] { window.CloseProject(); });
  return failures == 0 ? 0 : 1;
}
