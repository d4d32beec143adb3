#include "formats/default_skin.h"

#include "common/gbk.h"

namespace formats {
namespace {

SkinRect Corners(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }

LabelSkin Text(const char* utf8, SkinRect rect, int size, int weight, int show = 1) {
  LabelSkin label;
  label.text = common::Gbk(utf8);
  label.rect = rect;
  label.fontSize = size;
  label.fontWeight = weight;
  label.show = show;
  return label;
}

}  // namespace

SkinDescription DefaultSkin() {
  static const char* const kTexts[4][3] = {
      {"自动更新程序向导", "发现有新版本的文件存在",
       "要更新程序到最新版本，请点击[下一步(N)]继续。你可以在任意时刻点击[取消(X)]中止更新。"},
      {"下载文件", "正在下载更新文件，请稍候...", "文本3"},
      {"下载完成", "所有的更新文件都已经在您的系统上准备好了。",
       "如果相关的主程序仍在运行，请您先把它关闭。然后，点击[下一步(N)]完成最后的更新工作。"},
      {"更新过程", "正在更新应用程序文件...", "文本3"}};
  static const char* const kButtons[4][2] = {{"下一步(&N)", "取消(&X)"},
                                             {"暂停(&P)", "取消(&X)"},
                                             {"下一步(&N)", "取消(&X)"},
                                             {"", "取消(&X)"}};
  SkinDescription skin;
  skin.title = "Tarnwick";
  for (int n = 0; n < kPageCount; ++n) {
    PageSkin& page = skin.pages[n];
    page.show = 1;
    page.rect = {0, 0, kDefaultPageWidth, kDefaultPageHeight};
    page.clrbk = kDefaultPageColour;
    page.images[0] = {Corners(0, 0, kDefaultPageWidth, 60), "res\\top.bmp", 1};
    page.images[1] = {Corners(0, kDefaultPageHeight - 45, kDefaultPageWidth, kDefaultPageHeight),
                      "res\\bottom.bmp", 1};
    page.labels[0] = Text(kTexts[n][0], Corners(12, 10, 171, 28), 20, 700);
    // The designer's own box for this text ends at 225, which cuts the
    // download-complete page's longer sentence: it runs to the right edge here.
    page.labels[1] = Text(kTexts[n][1], Corners(42, 36, 420, 51), 14, 400);
    // The third text is a placeholder on the download and update pages.
    const bool explains = n == kStartPage || n == kDownloadDonePage;
    page.labels[2] = Text(kTexts[n][2], Corners(37, 68, 420, 100), 14, 400, explains ? 1 : 0);
    LabelSkin& link = page.labels[3];
    link = Text("点击访问我们的网站", Corners(10, 355, 215, 370), 14, 400);
    link.url = "http://www.example.com/";
    link.clrNormal = 150 << 8;  // RGB(0,150,0)
    link.clrHover = 255;        // RGB(255,0,0)
    link.norUnderline = 1;
    link.hovUnderline = 1;
    for (int b = 0; b < 2; ++b) page.buttons[b].text = common::Gbk(kButtons[n][b]);
    page.buttons[0].rect = Corners(247, 358, 329, 387);
    page.buttons[1].rect = Corners(341, 358, 423, 387);
  }
  skin.pages[kStartPage].list = {1, Corners(37, 106, 420, 259)};
  PageSkin& download = skin.pages[kDownloadPage];
  download.list = {0, Corners(37, 106, 420, 259)};
  download.status[0] = {0, Corners(37, 112, 420, 128)};
  download.progress[0] = {1, Corners(37, 132, 420, 150)};
  download.status[1] = {0, Corners(37, 162, 420, 178)};
  download.progress[1] = {1, Corners(37, 182, 420, 200)};
  PageSkin& update = skin.pages[kUpdatePage];
  update.buttons[0] = {};
  update.status[0] = {0, Corners(79, 164, 382, 180)};
  update.richEdit = {1, Corners(79, 185, 382, 299)};
  update.progress[0] = {1, Corners(79, 306, 382, 324)};
  return skin;
}

}  // namespace formats
