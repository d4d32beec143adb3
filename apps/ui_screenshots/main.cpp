// ui_screenshots: renders each wizard page with the built-in layout and with
// a sample custom skin into <folder>/<skin>_<page>.png, offscreen. The skin
// pictures go through the real path: written as BMP bytes, read back by
// LoadSkinBitmap; the custom skin is parsed from its "ui.dat" text.

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "client/session/scripted_prompter.h"
#include "client/ui/color_edit.h"
#include "client/ui/download_done_window.h"
#include "client/ui/download_window.h"
#include "client/ui/item_list_ctrl.h"
#include "client/ui/qt_convert.h"
#include "client/ui/session_window.h"
#include "client/ui/skin_bitmap.h"
#include "client/ui/skin_label.h"
#include "client/skin/skin_parser.h"
#include "client/ui/start_window.h"
#include "client/ui/update_window.h"
#include "codecs/bmp_writer.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "formats/default_skin.h"
#include "formats/skin_reader.h"

namespace {

using Members = std::map<std::string, std::string>;

std::string Bmp(const QImage& source) {
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  codecs::Bitmap bitmap;
  bitmap.width = image.width();
  bitmap.height = image.height();
  bitmap.pixels.resize(static_cast<size_t>(bitmap.width) * bitmap.height);
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) bitmap.pixels[y * bitmap.width + x] = line[x];
  }
  return codecs::EncodeBmp(bitmap);
}

// The default layout's banner pictures: white parts let the page colour through.
void AddDefaultPictures(Members& members) {
  QImage top(436, 60, QImage::Format_RGB32);
  top.fill(Qt::white);
  QPainter p(&top);
  QLinearGradient g(0, 0, 436, 0);
  g.setColorAt(0, QColor(214, 228, 250));
  g.setColorAt(1, QColor(150, 190, 240));
  p.fillRect(0, 0, 436, 56, g);
  p.fillRect(0, 56, 436, 2, QColor(250, 180, 40));
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QPoint(398, 28), 20, 20);
  p.setBrush(QColor(40, 120, 220));
  p.drawRect(393, 14, 10, 20);
  p.drawPolygon(QPolygon({QPoint(386, 32), QPoint(410, 32), QPoint(398, 44)}));
  p.end();
  QImage bottom(436, 45, QImage::Format_RGB32);
  bottom.fill(Qt::white);
  QPainter q(&bottom);
  q.fillRect(0, 0, 436, 1, QColor(160, 160, 150));
  q.fillRect(0, 1, 436, 1, QColor(250, 250, 250));
  q.end();
  members["res\\top.bmp"] = Bmp(top);
  members["res\\bottom.bmp"] = Bmp(bottom);
}

// A publisher's own look: dark pages, a side picture, every extra shown.
const char kCustomSkin[] =
    "[UI]\r\ntitle=Acme 更新\r\nsysicon=\r\n"
    "[win0]\r\n"
    "attr=show=1;;clrbk=3158064;;rect=0,0,480,340\r\n"
    "image0=show=1;;clrtp=0;;rect=0,0,120,340;;bmpfile=res\\side.bmp\r\n"
    "image1=show=0;;clrtp=0;;rect=0,0,0,0;;bmpfile=\r\n"
    "static0=show=1;;clrtext=65535;;clrnormal=0;;clrHover=0;;nor_underline=0;;hov_underline=0;;"
    "fontsize=22;;fontweight=700;;fontitalic=0;;fontunderline=0;;rect=136,14,330,26;;text=发现新版本\r\n"
    "static1=show=1;;clrtext=15790320;;clrnormal=0;;clrHover=0;;nor_underline=0;;hov_underline=0;;"
    "fontsize=14;;fontweight=400;;fontitalic=1;;fontunderline=0;;rect=136,46,330,16;;text=下列文件有新版本：\r\n"
    "static2=show=0;;clrtext=0;;clrnormal=0;;clrHover=0;;nor_underline=0;;hov_underline=0;;"
    "fontsize=0;;fontweight=0;;fontitalic=0;;fontunderline=0;;rect=0,0,0,0;;text=;;url=\r\n"
    "static3=show=1;;clrtext=0;;clrnormal=16776960;;clrHover=65535;;nor_underline=0;;hov_underline=1;;"
    "fontsize=13;;fontweight=400;;fontitalic=0;;fontunderline=0;;rect=136,306,150,16;;text=更新说明;;url=http://www.example.com/news\r\n"
    "button0=show=1;;rect=296,300,82,28;;text=开始(&N)\r\n"
    "button1=show=1;;rect=386,300,82,28;;text=以后再说(&X)\r\n"
    "list=show=1;;rect=136,72,332,212\r\n"
    "[win1]\r\n"
    "attr=show=1;;clrbk=3158064;;rect=0,0,480,340\r\n"
    "image0=show=1;;clrtp=0;;rect=0,0,120,340;;bmpfile=res\\side.bmp\r\n"
    "static0=show=1;;clrtext=65535;;clrnormal=0;;clrHover=0;;nor_underline=0;;hov_underline=0;;"
    "fontsize=22;;fontweight=700;;fontitalic=0;;fontunderline=0;;rect=136,14,330,26;;text=正在下载\r\n"
    "static1=show=0;;rect=0,0,0,0\r\n"
    "static3=show=1;;clrtext=0;;clrnormal=16776960;;clrHover=65535;;nor_underline=0;;hov_underline=1;;"
    "fontsize=13;;fontweight=400;;fontitalic=0;;fontunderline=0;;rect=136,306,150,16;;text=更新说明;;url=http://www.example.com/news\r\n"
    "button0=show=1;;rect=296,300,82,28;;text=暂停(&P)\r\n"
    "button1=show=1;;rect=386,300,82,28;;text=取消(&X)\r\n"
    "list=show=1;;rect=136,48,332,100\r\n"
    "rich_edit=show=1;;rect=136,154,332,70\r\n"
    "status0=show=1;;rect=136,230,332,16\r\n"
    "progress0=show=1;;rect=136,248,332,14\r\n"
    "status1=show=1;;rect=136,266,332,16\r\n"
    "progress1=show=1;;rect=136,284,332,10\r\n"
    "[win2]\r\n"
    "attr=show=1;;clrbk=3158064;;rect=0,0,480,340\r\n"
    "image0=show=1;;clrtp=0;;rect=0,0,120,340;;bmpfile=res\\side.bmp\r\n"
    "static0=show=1;;clrtext=65535;;clrnormal=0;;clrHover=0;;nor_underline=0;;hov_underline=0;;"
    "fontsize=22;;fontweight=700;;fontitalic=0;;fontunderline=0;;rect=136,14,330,26;;text=下载完成\r\n"
    "static1=show=1;;clrtext=15790320;;clrnormal=0;;clrHover=0;;nor_underline=0;;hov_underline=0;;"
    "fontsize=15;;fontweight=400;;fontitalic=0;;fontunderline=0;;rect=136,60,330,40;;text=新文件已经准备好，请关闭正在运行的程序后继续。\r\n"
    "static3=show=1;;clrtext=0;;clrnormal=16776960;;clrHover=65535;;nor_underline=0;;hov_underline=1;;"
    "fontsize=13;;fontweight=400;;fontitalic=0;;fontunderline=0;;rect=136,306,150,16;;text=更新说明;;url=http://www.example.com/news\r\n"
    "button0=show=1;;rect=296,300,82,28;;text=安装(&N)\r\n"
    "button1=show=1;;rect=386,300,82,28;;text=取消(&X)\r\n"
    "[win3]\r\n"
    "attr=show=1;;clrbk=3158064;;rect=0,0,480,340\r\n"
    "image0=show=1;;clrtp=0;;rect=0,0,120,340;;bmpfile=res\\side.bmp\r\n"
    "static0=show=1;;clrtext=65535;;clrnormal=0;;clrHover=0;;nor_underline=0;;hov_underline=0;;"
    "fontsize=22;;fontweight=700;;fontitalic=0;;fontunderline=0;;rect=136,14,330,26;;text=正在安装\r\n"
    "static1=show=0;;rect=0,0,0,0\r\n"
    "static3=show=1;;clrtext=0;;clrnormal=16776960;;clrHover=65535;;nor_underline=0;;hov_underline=1;;"
    "fontsize=13;;fontweight=400;;fontitalic=0;;fontunderline=0;;rect=136,306,150,16;;text=更新说明;;url=http://www.example.com/news\r\n"
    "button1=show=1;;rect=386,300,82,28;;text=\r\n"
    "rich_edit=show=1;;rect=136,48,332,180\r\n"
    "status0=show=1;;rect=136,236,332,16\r\n"
    "progress0=show=1;;rect=136,256,332,14\r\n";

void AddCustomPictures(Members& members) {
  QImage side(120, 340, QImage::Format_RGB32);
  QPainter p(&side);
  QLinearGradient g(0, 0, 0, 340);
  g.setColorAt(0, QColor(200, 60, 20));
  g.setColorAt(1, QColor(90, 20, 80));
  p.fillRect(side.rect(), g);
  // The white disc is transparent on the page: the page colour shows there.
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QPoint(60, 80), 36, 36);
  p.setBrush(QColor(250, 200, 60));
  p.drawRect(20, 200, 80, 6);
  p.drawRect(20, 214, 56, 6);
  p.end();
  members["res\\side.bmp"] = Bmp(side);
}

QImage Render(ui::PageContext& context, int index, const QSize& size) {
  QWidget session;
  session.resize(size);
  std::unique_ptr<ui::WizardPage> page;
  switch (index) {
    case formats::kStartPage:
      page = std::make_unique<ui::StartWindow>(context, &session);
      break;
    case formats::kDownloadPage: {
      auto* download = new ui::DownloadWindow(context, &session);
      page.reset(download);
      ui::ItemListCtrl* list = download->List();
      const char* names[3] = {"app.exe", "readme.txt", "<plugins>"};
      const int percent[3] = {100, 45, 0};
      const char* speed[3] = {"1.20MB/S", "356.2KB/S", ""};
      for (int r = 0; r < 3; ++r) {
        list->AddRow(QString::fromUtf8(names[r]));
        list->SetChecked(r, percent[r] == 100);
        list->SetProgress(r, 1, percent[r]);
        list->SetCellText(r, 2, QString::fromUtf8(speed[r]));
      }
      download->AddMessage(common::Gbk("开始下载..."));
      download->AddMessage(common::Gbk("正在下载：readme.txt"));
      download->StatusLine(1)->SetText(QStringLiteral("12.5KB/27.8KB  356.2KB/S"));
      download->Bar(0)->setValue(45);
      download->Bar(1)->setRange(0, 300);
      download->Bar(1)->setValue(145);
      break;
    }
    case formats::kDownloadDonePage:
      page = std::make_unique<ui::DownloadDoneWindow>(context, &session);
      break;
    default: {
      auto* update = new ui::UpdateWindow(context, &session);
      page.reset(update);
      for (const char* line : {"开始更新...", "正在备份旧文件...", "正在更新文件...",
                               "更新文件：app.exe"}) {
        update->AddMessage(common::Gbk(line));
      }
      update->Bar()->setRange(0, 60);
      update->Bar()->setValue(30);
      break;
    }
  }
  page->show();
  session.show();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  return session.grab().toImage();
}

// A preview run of the real session window: each page as it comes up,
// grabbed and then passed with its own button, as a user would.
int RenderSession(ui::PageContext context, const QString& folder, const char* const pageNames[4]) {
  context.runMode = session::RunMode::Preview;
  ui::SessionWindowSetup setup;
  setup.startDelayMs = 0;
  setup.previewStepMs = 20;
  ui::SessionWindow window(context, setup);
  int failures = 0;
  int grabbed = -1;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    ui::WizardPage* page = window.Page();
    if (!page) return;
    const int k = window.CurrentPage();
    const bool settled = k == formats::kDownloadPage
                             ? page->Button(0)->text() == QStringLiteral("下一步(&N)")
                             : k != formats::kUpdatePage || page->Button(1)->isEnabled();
    if (!settled) return;
    if (grabbed < k) {
      grabbed = k;
      const QString file = folder + QStringLiteral("/session_%1.png").arg(pageNames[k]);
      if (window.grab().toImage().save(file)) {
        std::printf("%s\n", file.toLocal8Bit().constData());
      } else {
        ++failures;
      }
    }
    page->HandleCommand(k == formats::kUpdatePage ? ui::kIdCancel : ui::kIdNext);
  });
  tick.start(50);
  QTimer::singleShot(20000, &window, [&] { window.done(0); });
  if (window.Run() != 1 || grabbed != formats::kUpdatePage) ++failures;
  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  // Every box of the rendered pages is dismissed without a screen.
  session::ScriptedPrompter dismissAll;
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
  QDir().mkpath(folder);

  Members defaultMembers;
  AddDefaultPictures(defaultMembers);
  formats::SkinDescription defaultSkin = formats::DefaultSkin();

  Members customMembers;
  AddCustomPictures(customMembers);
  common::IniDocument doc;
  doc.SetText(common::Gbk(kCustomSkin));
  formats::IniSkinValueReader reader(doc);
  formats::SkinDescription customSkin = formats::ParseSkinValues(reader);

  const std::vector<ui::NewItemRow> rows = {
      {false, "app.exe", "", "1.1.0", common::Gbk("主程序")},
      {false, "readme.txt", "", "1.1.0", common::Gbk("说明文件")},
      {true, "", "ftp://example.com/pub/plugins", "2.0.3", common::Gbk("插件")}};
  const char* pageNames[4] = {"start", "download", "download_done", "update"};
  struct Variant {
    const char* name;
    formats::SkinDescription* skin;
    Members* members;
  } variants[2] = {{"default", &defaultSkin, &defaultMembers},
                   {"custom", &customSkin, &customMembers}};
  int failures = 0;
  for (const Variant& v : variants) {
    ui::PageContext context;
    context.skin = v.skin;
    context.newItems = rows;
    context.prompter = &dismissAll;
    Members* members = v.members;
    context.loadPicture = [members](const std::string& name) {
      return ui::LoadSkinBitmap(
          [members](std::string_view member) -> std::optional<std::string> {
            auto it = members->find(std::string(member));
            if (it == members->end()) return std::nullopt;
            return it->second;
          },
          [](std::string_view line) {
            std::fprintf(stderr, "%s\n", common::GbkToUtf8(line).c_str());
          },
          name);
    };
    for (int index = 0; index < formats::kPageCount; ++index) {
      const formats::SkinRect& r = v.skin->pages[index].rect;
      QImage image = Render(context, index, QSize(r.Width(), r.Height()));
      const QString file =
          folder + QStringLiteral("/%1_%2.png").arg(v.name, pageNames[index]);
      if (!image.save(file)) {
        std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
        ++failures;
      } else {
        std::printf("%s\n", file.toLocal8Bit().constData());
      }
    }
  }
  {
    ui::PageContext context;
    context.skin = &customSkin;
    context.prompter = &dismissAll;
    Members* members = &customMembers;
    context.loadPicture = [members](const std::string& name) {
      return ui::LoadSkinBitmap(
          [members](std::string_view member) -> std::optional<std::string> {
            auto it = members->find(std::string(member));
            if (it == members->end()) return std::nullopt;
            return it->second;
          },
          {}, name);
    };
    failures += RenderSession(context, folder, pageNames);
  }
  return failures == 0 ? 0 : 1;
}
