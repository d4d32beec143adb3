// The skin designer page offscreen: the canvas driven by mouse and keys,
// the alignment buttons, the panels, the tray icon check, "使用自定义窗口",
// templates, and the written skin read back by the client's reader.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>
#include <QtTest/QTest>
#include <filesystem>
#include <thread>

#include "author/pages/page_set.h"
#include "author/skin/skin_canvas.h"
#include "author/project/skin_defaults.h"
#include "author/pages/skin_designer_page.h"
#include "author/skin/skin_editor.h"
#include "author/skin/skin_panels.h"
#include "author/skin/skin_preview.h"
#include "author/skin/skin_templates.h"
#include "codecs/bmp_writer.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "formats/default_skin.h"
#include "formats/skin_reader.h"
#include "formats/skin_writer.h"
#include "platform/processes.h"
#include "tests/author/author_test_support.h"

namespace {

using formats::SkinRect;
namespace fs = std::filesystem;

constexpr int kO = author::SkinCanvas::kOrigin;

class SkinDesignerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The tool's own banners, as the build puts them beside the program.
    const fs::path source = fs::path(std::getenv("UPGRADE_TEST_SUPPORT")) / "../../pics";
    fs::create_directories(tool.dir.path() / "pics");
    for (const char* name : {"top.bmp", "bottom.bmp"}) fs::copy_file(source / name, tool.dir.path() / "pics" / name);
    window = tool.Start();
    window->resize(900, 820);
    window->show();
    tool.NewProject(*window, "demo", tool.Folder());
    window->SelectTab(author::kSkinPage);
    page = static_cast<author::SkinDesignerPage*>(window->Page(author::kSkinPage));
    canvas = page->findChild<author::SkinCanvas*>("skinCanvas");
    page->SetUseCustom(true);
    page->ClearModified();
  }

  author::SkinEditor& Editor() { return page->Editor(); }
  SkinRect Rect(int e) { return Editor().Window().elements[e].rect; }
  QPoint At(int x, int y) { return QPoint(x + kO, y + kO); }
  void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = {}) {
    QTest::mousePress(canvas, Qt::LeftButton, mods, from);
    QMouseEvent move(QEvent::MouseMove, to, canvas->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, mods);
    QApplication::sendEvent(canvas, &move);
    QTest::mouseRelease(canvas, Qt::LeftButton, mods, to);
  }
  void Click(const char* name) { QTest::mouseClick(page->findChild<QAbstractButton*>(name), Qt::LeftButton); }
  std::string BitmapFile(const std::string& name, int w, int h) {
    codecs::Bitmap b;
    b.width = w;
    b.height = h;
    b.pixels.assign(static_cast<size_t>(w) * h, codecs::OpaqueRgb(0, 0, 0));
    const std::string path = tool.dir.file(name);
    EXPECT_TRUE(codecs::WriteBmpFile(b, path));
    return path;
  }

  authortest::ToolFixture tool;
  std::unique_ptr<author::MainWindow> window;
  author::SkinDesignerPage* page = nullptr;
  author::SkinCanvas* canvas = nullptr;
};

TEST_F(SkinDesignerTest, CanvasSelectsMovesResizesAndUndoes) {
  const SkinRect text1 = Rect(formats::kText0);  // (12,10)-(171,28)
  Drag(At(20, 15), At(50, 35));
  EXPECT_EQ(Rect(formats::kText0), (SkinRect{text1.left + 30, text1.top + 20, text1.right + 30, text1.bottom + 20}));
  EXPECT_TRUE(page->IsModified());
  EXPECT_EQ(Editor().Reference(), formats::kText0);

  // The bottom-right grab handle sizes it; the top-left corner stays.
  const SkinRect moved = Rect(formats::kText0);
  Drag(At(moved.right, moved.bottom), At(moved.right + 10, moved.bottom + 5));
  EXPECT_EQ(Rect(formats::kText0), (SkinRect{moved.left, moved.top, moved.right + 10, moved.bottom + 5}));

  // Right click: back to where the last press found it.
  QTest::mouseClick(canvas, Qt::RightButton, {}, At(300, 300));
  EXPECT_EQ(Rect(formats::kText0), moved);
  // Ctrl+Z walks back through the right-click undo, the resize and the move; Ctrl+Y redoes.
  QTest::keyClick(canvas, Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(canvas, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Rect(formats::kText0), moved);
  QTest::keyClick(canvas, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Rect(formats::kText0), text1);
  QTest::keyClick(canvas, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Rect(formats::kText0), moved);
  // Arrow keys: 1 pixel, with Shift 10.
  QTest::keyClick(canvas, Qt::Key_Right);
  QTest::keyClick(canvas, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(Rect(formats::kText0).left, moved.left + 1);
  EXPECT_EQ(Rect(formats::kText0).top, moved.top + 10);

  // Ctrl adds text 2; Ctrl on the background selects nothing more; a plain
  // click elsewhere leaves only what it hit.
  const SkinRect text2 = Rect(formats::kText1);
  QTest::mouseClick(canvas, Qt::LeftButton, Qt::ControlModifier, At(text2.right - 10, text2.top + 5));
  QTest::mouseClick(canvas, Qt::LeftButton, Qt::ControlModifier, At(300, 300));
  EXPECT_EQ(Editor().Selection(), (std::vector<int>{formats::kText0, formats::kText1}));
  QTest::mouseClick(canvas, Qt::LeftButton, {}, At(300, 300));
  EXPECT_EQ(Editor().Selection(), (std::vector<int>{author::kBackground}));

  // Without "使用自定义窗口" the canvas only shows.
  page->SetUseCustom(false);
  const SkinRect fixed = Rect(formats::kText0);
  Drag(At(fixed.left + 2, fixed.top + 2), At(fixed.left + 40, fixed.top + 40));
  EXPECT_EQ(Rect(formats::kText0), fixed);
}

TEST_F(SkinDesignerTest, AlignmentButtonsFollowTheReferenceElement) {
  struct Case {
    const char* button;
    SkinRect expected;  // of text 1 at (10,10)-(60,30), text 2 (the reference) at (100,50)-(180,90)
  };
  const Case cases[] = {
      {"alignLeft", {100, 10, 150, 30}}, {"alignRight", {130, 10, 180, 30}}, {"alignTop", {10, 50, 60, 70}},
      {"alignBottom", {10, 70, 60, 90}}, {"sameWidth", {10, 10, 90, 30}},  {"sameHeight", {10, 10, 60, 50}},
      {"sameSize", {10, 10, 90, 50}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    Editor().Change([](formats::SkinDesign& d) {
      d.windows[0].elements[formats::kText0].rect = {10, 10, 60, 30};
      d.windows[0].elements[formats::kText1].rect = {100, 50, 180, 90};
    });
    QTest::mouseClick(canvas, Qt::LeftButton, {}, At(20, 20));
    QTest::mouseClick(canvas, Qt::LeftButton, Qt::ControlModifier, At(150, 70));
    ASSERT_EQ(Editor().Reference(), formats::kText1);
    Click(c.button);
    EXPECT_EQ(Rect(formats::kText0), c.expected);
    EXPECT_EQ(Rect(formats::kText1), (SkinRect{100, 50, 180, 90}));
  }
}

TEST_F(SkinDesignerTest, ApplyToAllWindowsCopiesFontColoursAndPlaceButNotTexts) {
  const SkinRect text2 = Rect(formats::kText1);
  QTest::mouseClick(canvas, Qt::LeftButton, {}, At(text2.left + 10, text2.top + 6));
  Drag(At(text2.left + 10, text2.top + 6), At(text2.left + 15, text2.top + 16));
  auto* panels = page->findChild<author::SkinPanels*>("skinPanels");
  panels->findChild<QLineEdit*>("panelText")->setText("ignored");
  auto* size = panels->findChild<QComboBox*>("fontSize");
  size->setCurrentIndex(size->findData(18));
  QTest::mouseClick(panels->findChild<QToolButton*>("italic"), Qt::LeftButton);
  // The colour comes from the tool's colour dialog; a cancelled one changes nothing.
  auto* colour = panels->findChild<author::ColorButton*>("textColor");
  tool.dialogs.colors.push_back(255);
  QTest::mouseClick(colour, Qt::LeftButton);
  QTest::mouseClick(colour, Qt::LeftButton);
  EXPECT_EQ(colour->Color(), 255u);
  Click("applyTextAll");
  const auto& design = Editor().Design();
  const auto defaults = author::DefaultDesign("");
  for (int n = 0; n < 4; ++n) {
    SCOPED_TRACE(n);
    const auto& e = design.windows[n].elements[formats::kText1];
    EXPECT_EQ(e.fontSize, 18);
    EXPECT_EQ(e.fontItalic, 1);
    EXPECT_EQ(e.clrText, 255u);
    EXPECT_EQ(e.rect, (SkinRect{text2.left + 5, text2.top + 10, text2.right + 5, text2.bottom + 10}));
    EXPECT_EQ(e.text, defaults.windows[n].elements[formats::kText1].text);
  }
}

TEST_F(SkinDesignerTest, TrayIconMustBeAStripOfSixteenPixelFrames) {
  const struct {
    std::string path;
    const char* message;  // "" when accepted
  } cases[] = {
      {BitmapFile("strip48x16.bmp", 48, 16), ""},
      {BitmapFile("strip40x16.bmp", 40, 16), "图像大小不符合要求！"},
      {BitmapFile("strip48x32.bmp", 48, 32), "图像大小不符合要求！"},
      {tool.dir.write("notes.bmp", "just text"), "图像格式不符合要求！"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    tool.dialogs.messages.clear();
    page->findChild<QLineEdit*>("sysicon")->clear();
    tool.dialogs.paths.push_back(c.path);
    Click("browseIcon");
    if (*c.message) {
      EXPECT_EQ(tool.dialogs.messages, std::vector<std::string>{c.message});
      EXPECT_TRUE(page->CurrentDesign().sysIcon.empty());
    } else {
      EXPECT_TRUE(tool.dialogs.messages.empty());
      EXPECT_EQ(page->CurrentDesign().sysIcon, c.path);
    }
  }
  // The accepted strip is written with its three frames.
  tool.dialogs.paths.push_back(cases[0].path);
  Click("browseIcon");
  window->SaveProject();
  common::IniDocument project;
  project.SetFileName(tool.Folder() + "/demo/demo.epj");
  EXPECT_EQ(project.GetString("UI", "sysicon", ""), common::GbkReplaceChar(cases[0].path, '/', '\\'));
}

TEST_F(SkinDesignerTest, CustomWindowsSwitchedOffAndOnComeBackFromTheProject) {
  const auto defaults = author::DefaultDesign(tool.Folder() + "/pics/");
  EXPECT_EQ(defaults.windows[3].elements[formats::kButton0].show, 0);  // no first button on the update window
  EXPECT_TRUE(defaults.windows[3].elements[formats::kButton0].text.empty());

  Drag(At(20, 15), At(60, 45));
  const formats::SkinDesign custom = Editor().Design();
  page->SetUseCustom(false);
  EXPECT_EQ(Editor().Design().windows, defaults.windows);
  EXPECT_FALSE(Editor().Editable());
  page->SetUseCustom(true);
  EXPECT_EQ(Editor().Design().windows, custom.windows);

  // And through a reopened project.
  window->SaveProject();
  window->CloseProject();
  window = tool.Start(QString::fromStdString(tool.Folder() + "/demo/demo.epj"));
  page = static_cast<author::SkinDesignerPage*>(window->Page(author::kSkinPage));
  EXPECT_EQ(page->Editor().Design().windows, custom.windows);
}

TEST_F(SkinDesignerTest, DefaultsReadBackByTheClientAsTheBuiltInLayout) {
  const std::string out = tool.Folder() + "/out/";
  fs::create_directories(out);
  tool.dir.write("out/ui.dat", "");
  page->SetUseCustom(false);
  ASSERT_TRUE(formats::WriteSkin(page->CurrentDesign(), out, "ui.dat", "4.0"));
  common::IniDocument doc;
  doc.SetFileName(out + "ui.dat");
  formats::IniSkinValueReader reader(doc);
  formats::SkinDescription read = formats::ParseSkinValues(reader);
  formats::SkinDescription expected = formats::DefaultSkin();
  expected.title = common::Gbk(author::kDefaultTitle);
  // The update window reads only the second button.
  read.pages[3].buttons[0] = expected.pages[3].buttons[0];
  for (int n = 0; n < 4; ++n) {
    SCOPED_TRACE(n);
    const auto& a = read.pages[n];
    const auto& b = expected.pages[n];
    EXPECT_EQ(std::tie(a.show, a.rect, a.clrbk), std::tie(b.show, b.rect, b.clrbk));
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(std::tie(a.images[i].rect, a.images[i].bmpfile, a.images[i].show),
                std::tie(b.images[i].rect, b.images[i].bmpfile, b.images[i].show));
      EXPECT_EQ(std::tie(a.buttons[i].rect, a.buttons[i].text), std::tie(b.buttons[i].rect, b.buttons[i].text));
    }
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(std::tie(a.labels[i].rect, a.labels[i].text, a.labels[i].url, a.labels[i].fontSize, a.labels[i].show,
                         a.labels[i].clrNormal),
                std::tie(b.labels[i].rect, b.labels[i].text, b.labels[i].url, b.labels[i].fontSize, b.labels[i].show,
                         b.labels[i].clrNormal));
    }
    EXPECT_EQ(std::tie(a.list.show, a.list.rect, a.richEdit.show, a.richEdit.rect),
              std::tie(b.list.show, b.list.rect, b.richEdit.show, b.richEdit.rect));
  }
  EXPECT_EQ(read.title, expected.title);
  EXPECT_TRUE(fs::exists(out + "res/top.bmp"));
}

TEST_F(SkinDesignerTest, SavedTemplateSetAsCurrentGivesTheSameDesign) {
  Drag(At(20, 15), At(60, 45));
  Editor().SetCurrentWindow(2);
  Click("useDefaults");
  const formats::SkinDesign saved = Editor().Design();

  tool.dialogs.dialogScript = [](QDialog& d) {
    d.findChild<QLineEdit*>("templateName")->setText(QString::fromUtf8("蓝天"));
    d.findChild<QLineEdit*>("templateAuthor")->setText("me");
    d.accept();
  };
  const std::string umb = tool.Folder() + "/umb/blue.umb";
  tool.dialogs.paths.push_back(umb);
  Click("saveTemplate");
  ASSERT_TRUE(fs::exists(umb));
  EXPECT_FALSE(fs::exists(tool.Folder() + "/umb/res"));

  // Opened from the file dialog, then offered in the pop-up as remembered.
  tool.dialogs.menuChoices.push_back(0);
  tool.dialogs.paths.push_back(umb);
  Click("chooseTemplate");
  tool.dialogs.menuChoices.push_back(2);
  Click("chooseTemplate");
  ASSERT_EQ(tool.dialogs.menus.size(), 2u);
  EXPECT_EQ(tool.dialogs.menus[1].at(2), umb);
  EXPECT_EQ(page->findChild<QLabel*>("templateName")->text(), QString::fromUtf8("蓝天"));

  Editor().SetDesign(author::DefaultDesign(""));
  for (int n = 0; n < 4; ++n) {
    Editor().SetCurrentWindow(n);
    Click("useTemplate");
  }
  for (int n = 0; n < 4; ++n) {
    for (int e = 0; e < formats::kDesignElementCount; ++e) {
      SCOPED_TRACE(std::to_string(n) + " " + formats::SkinKeyOf(e));
      auto a = Editor().Design().windows[n].elements[e];
      auto b = saved.windows[n].elements[e];
      if (!b.picture.empty()) {
        EXPECT_EQ(a.picture, tool.Folder() + "/defui/res/" + fs::path(b.picture).filename().string());
        a.picture = b.picture;
      }
      EXPECT_EQ(a, b);
    }
  }
  // A missing template file is refused.
  tool.dialogs.messages.clear();
  tool.dialogs.menuChoices.push_back(0);
  tool.dialogs.paths.push_back(tool.Folder() + "/umb/none.umb");
  Click("chooseTemplate");
  EXPECT_EQ(tool.dialogs.messages,
            std::vector<std::string>{"文件：" + tool.Folder() + "/umb/none.umb不存在！"});
}

}  // namespace

namespace {

// The preview with the real client: the skin packed as "ui.bin" beside a
// copy of the client, which starts in preview mode from it alone.
TEST(SkinPreview, PacksTheSkinAndStartsTheClientFromIt) {
  authortest::EnsureApplication();
  testsupport::TempDir dir("skin-preview-");
  const fs::path bin = std::getenv("UPGRADE_BIN_DIR");
  fs::create_directories(dir.path() / "updateApp");
  fs::copy_file(bin / "upgrade", dir.path() / "updateApp/update");
  const fs::path source = fs::path(std::getenv("UPGRADE_TEST_SUPPORT")) / "../../pics";
  fs::create_directories(dir.path() / "pics");
  for (const char* name : {"top.bmp", "bottom.bmp"}) fs::copy_file(source / name, dir.path() / "pics" / name);
  const auto folders = author::ToolFolders::InOneFolder(dir.path().string());

  // No client to copy: the copy failure text.
  fs::rename(dir.path() / "updateApp/update", dir.path() / "updateApp/kept");
  auto messages = author::SkinPreview::Run(author::DefaultDesign(author::PicsFolder(folders)), folders, "4.0");
  EXPECT_EQ(messages, std::vector<std::string>{common::Gbk("拷贝：") + folders.UpdateProgram() +
                                               common::Gbk("到预览文件夹失败！")});
  fs::rename(dir.path() / "updateApp/kept", dir.path() / "updateApp/update");

  messages = author::SkinPreview::Run(author::DefaultDesign(author::PicsFolder(folders)), folders, "4.0");
  EXPECT_TRUE(messages.empty());
  const fs::path preview = dir.path() / "preview";
  EXPECT_TRUE(fs::exists(preview / "ui.bin"));
  EXPECT_FALSE(fs::exists(preview / "ui.dat"));
  EXPECT_FALSE(fs::exists(preview / "res"));
  // The client is up on its preview pages (no configuration archive at all).
  const std::string program = (preview / "update").string();
  int pid = 0;
  for (int i = 0; i < 100 && pid == 0; ++i) {
    for (const auto& p : platform::ListProcesses()) {
      if (p.path == program) pid = p.pid;
    }
    if (pid == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_NE(pid, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_TRUE(platform::IsProcessAlive(pid));  // it did not stop at a missing archive
  platform::Terminate(pid);
  platform::WaitForEnd(pid, std::chrono::milliseconds(5000));
}

}  // namespace
