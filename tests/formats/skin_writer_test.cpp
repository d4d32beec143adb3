// The skin writer against the client's own reader: what it writes must
// read back as the same skin, with each picture converted once and packed.

#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/bmp_writer.h"
#include "codecs/picture_reader.h"
#include "codecs/skin_bitmap.h"
#include "codecs/zip_archive.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "formats/skin_reader.h"
#include "formats/skin_writer.h"
#include "tests/support/temp_dir.h"

namespace {

using formats::DesignElement;
using formats::SkinDesign;
using formats::SkinRect;

codecs::Bitmap Solid(int w, int h, uint32_t argb) {
  codecs::Bitmap b;
  b.width = w;
  b.height = h;
  b.pixels.assign(static_cast<size_t>(w) * h, argb);
  return b;
}

class SkinWriterTest : public ::testing::Test {
 protected:
  std::string Folder() const { return dir.path().string() + "/out/"; }
  std::string Picture(const std::string& name, int w = 20, int h = 10) {
    const std::string path = dir.path().string() + "/src/" + name;
    std::filesystem::create_directories(dir.path() / "src");
    EXPECT_TRUE(codecs::WriteBmpFile(Solid(w, h, codecs::OpaqueRgb(10, 20, 30)), path));
    return path;
  }
  formats::SkinWriteResult Write(const SkinDesign& design) {
    std::filesystem::create_directories(Folder());
    std::FILE* f = std::fopen((Folder() + "ui.dat").c_str(), "wb");
    std::fclose(f);
    return formats::WriteSkin(design, Folder(), "ui.dat", "4.0");
  }
  formats::SkinDescription ReadBack() {
    common::IniDocument doc;
    doc.SetFileName(Folder() + "ui.dat");
    EXPECT_TRUE(doc.Load());
    formats::IniSkinValueReader reader(doc);
    return formats::ParseSkinValues(reader);
  }

  // A design that uses every field with distinct values.
  SkinDesign Custom() {
    SkinDesign d;
    d.title = common::Gbk("我的升级");
    d.mbname = "tpl";
    d.mbauthor = "me";
    const std::string top = Picture("top.bmp");
    for (int n = 0; n < formats::kDesignWindowCount; ++n) {
      auto& w = d.windows[n];
      w.show = n == 2 ? 0 : 1;
      w.rect = {0, 0, 400 + n, 300 + n};
      w.clrbk = 1000 + n;
      for (int e = 0; e < formats::kDesignElementCount; ++e) {
        DesignElement& el = w.elements[e];
        el.exists = true;
        el.show = (e + n) % 2;
        el.rect = {e * 3 + n, e * 5 + 1, e * 3 + n + 30 + e, e * 5 + 21};
        el.text = common::Gbk("文本") + std::to_string(e);
        el.url = formats::KindOf(e) == formats::ElementKind::Text && e == 3 ? "http://x.example/" : "";
        el.clrText = 11 * e;
        el.clrNormal = 13 * e;
        el.clrHover = 17 * e;
        el.norUnderline = e % 2;
        el.hovUnderline = 1 - e % 2;
        el.fontSize = 10 + e;
        el.fontWeight = e % 2 ? 700 : 400;
        el.fontItalic = e % 2;
        el.fontUnderline = 1 - e % 2;
        el.picture = top;
        el.clrtp = 16777215;
      }
    }
    return d;
  }

  // What the client's reader should find: the design's values for the
  // keys each page reads, member names for the pictures.
  static formats::SkinDescription Expected(const SkinDesign& d) {
    formats::SkinDescription s;
    s.title = d.title;
    if (!d.sysIcon.empty()) s.sysIcon = "res\\sysicon.bmp:" + std::to_string(d.sysIcon.size());
    for (int n = 0; n < formats::kDesignWindowCount; ++n) {
      const auto& w = d.windows[n];
      auto& p = s.pages[n];
      p.show = w.show;
      p.rect = w.rect;
      p.clrbk = w.clrbk;
      auto fix = [](SkinRect r) { return r.left < 0 || r.top < 0 ? SkinRect{} : r; };
      for (int i = 0; i < 4; ++i) {
        const auto& e = w.elements[formats::kText0 + i];
        if (!e.exists) continue;
        p.labels[i] = {fix(e.rect), e.text, e.url, e.norUnderline, e.hovUnderline, e.clrText, e.clrNormal,
                       e.clrHover, e.fontSize, e.fontWeight, e.fontItalic, e.fontUnderline, e.show};
      }
      for (int i = 0; i < 2; ++i) {
        const auto& e = w.elements[formats::kPicture0 + i];
        if (e.exists) p.images[i] = {fix(e.rect), e.picture.empty() ? "" : formats::PictureMemberName(e.picture), e.show};
        const auto& b = w.elements[formats::kButton0 + i];
        if (b.exists) p.buttons[i] = {fix(b.rect), b.text};
      }
      auto extra = [&](int id) {
        const auto& e = w.elements[id];
        return e.exists ? formats::ExtraSkin{e.show, fix(e.rect)} : formats::ExtraSkin{};
      };
      if (n == 0 || n == 1) p.list = extra(formats::kList);
      if (n == 1) {
        p.richEdit = extra(formats::kStatusBox);
        p.progress = {extra(formats::kProgressBar), extra(formats::kTotalProgressBar)};
        p.status = {extra(formats::kStatusBar), extra(formats::kSpeedText)};
      }
      if (n == 3) {
        p.richEdit = extra(formats::kStatusBox);
        p.progress[0] = extra(formats::kProgressBar);
        p.status[0] = extra(formats::kStatusBar);
      }
    }
    return s;
  }

  static void ExpectSameSkin(const formats::SkinDescription& a, const formats::SkinDescription& b) {
    EXPECT_EQ(a.title, b.title);
    for (int n = 0; n < formats::kDesignWindowCount; ++n) {
      SCOPED_TRACE("page " + std::to_string(n));
      const auto& x = a.pages[n];
      const auto& y = b.pages[n];
      EXPECT_EQ(x.show, y.show);
      EXPECT_EQ(x.rect, y.rect);
      EXPECT_EQ(x.clrbk, y.clrbk);
      for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("label " + std::to_string(i));
        const auto& l = x.labels[i];
        const auto& m = y.labels[i];
        EXPECT_EQ(l.rect, m.rect);
        EXPECT_EQ(l.text, m.text);
        EXPECT_EQ(l.url, m.url);
        EXPECT_EQ(std::tie(l.norUnderline, l.hovUnderline, l.clrText, l.clrNormal, l.clrHover, l.fontSize,
                           l.fontWeight, l.fontItalic, l.fontUnderline, l.show),
                  std::tie(m.norUnderline, m.hovUnderline, m.clrText, m.clrNormal, m.clrHover, m.fontSize,
                           m.fontWeight, m.fontItalic, m.fontUnderline, m.show));
      }
      for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(x.images[i].rect, y.images[i].rect);
        EXPECT_EQ(x.images[i].bmpfile, y.images[i].bmpfile);
        EXPECT_EQ(x.images[i].show, y.images[i].show);
        EXPECT_EQ(x.buttons[i].rect, y.buttons[i].rect);
        EXPECT_EQ(x.buttons[i].text, y.buttons[i].text);
        EXPECT_EQ(x.progress[i].rect, y.progress[i].rect);
        EXPECT_EQ(x.progress[i].show, y.progress[i].show);
        EXPECT_EQ(x.status[i].rect, y.status[i].rect);
        EXPECT_EQ(x.status[i].show, y.status[i].show);
      }
      EXPECT_EQ(x.list.rect, y.list.rect);
      EXPECT_EQ(x.list.show, y.list.show);
      EXPECT_EQ(x.richEdit.rect, y.richEdit.rect);
      EXPECT_EQ(x.richEdit.show, y.richEdit.show);
    }
  }

  testsupport::TempDir dir{"skin-writer-"};
};

TEST_F(SkinWriterTest, CustomDesignReadsBackThroughTheClientReader) {
  SkinDesign d = Custom();
  d.windows[1].elements[formats::kText2].rect = {-5, 10, 40, 30};  // left of the window: four zeros
  d.windows[3].elements[formats::kList].exists = false;
  d.windows[0].elements[formats::kText1].text = common::Gbk("一;;二\r\n三");
  ASSERT_TRUE(Write(d));
  formats::SkinDescription expected = Expected(d);
  expected.pages[0].labels[1].text = common::Gbk("一;二  三");
  ExpectSameSkin(ReadBack(), expected);

  common::IniDocument doc;
  doc.SetFileName(Folder() + "ui.dat");
  EXPECT_EQ(doc.GetString("win3", "list", "none"), "none");
  EXPECT_EQ(doc.GetString("UI", "mbname", ""), "tpl");
  EXPECT_EQ(doc.GetString("UI", "ui_ver", ""), "4.0");
  EXPECT_EQ(doc.GetString("UI", "sysicon", "x"), "x");  // no icon: the key is left out
  // The converted picture is the plain BMP the client's own rule decodes.
  auto bytes = codecs::ReadFileBytes(Folder() + "res/top.bmp");
  ASSERT_TRUE(bytes);
  auto picture = codecs::DecodeSkinBitmap(*bytes);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 20);
}

TEST_F(SkinWriterTest, OneSourceIsConvertedOnceAndPackedOnce) {
  SkinDesign d = Custom();
  const std::string other = dir.path().string() + "/src/other/top.bmp";  // same title, other file
  std::filesystem::create_directories(dir.path() / "src/other");
  ASSERT_TRUE(codecs::WriteBmpFile(Solid(8, 8, codecs::OpaqueRgb(1, 2, 3)), other));
  d.windows[3].elements[formats::kPicture1].picture = other;
  ASSERT_TRUE(Write(d));
  EXPECT_EQ(ReadBack().pages[3].images[1].bmpfile, "res\\top_2.bmp");

  const std::string archive = dir.path().string() + "/ui.bin";
  ASSERT_TRUE(formats::PackSkinArchive(Folder(), "ui.dat", archive));
  codecs::ZipArchive zip;
  ASSERT_TRUE(zip.Open(archive, codecs::ZipArchive::Mode::ReadOnly));
  ASSERT_EQ(zip.EntryCount(), 3);
  EXPECT_EQ(zip.EntryName(0), "ui.dat");
  EXPECT_EQ(zip.EntryName(1), "res\\top.bmp");
  EXPECT_EQ(zip.EntryName(2), "res\\top_2.bmp");
  formats::RemoveSkinWorkFiles(Folder(), "ui.dat");
  EXPECT_FALSE(std::filesystem::exists(Folder() + "ui.dat"));
  EXPECT_FALSE(std::filesystem::exists(Folder() + "res"));
}

TEST_F(SkinWriterTest, PictureFailuresStopTheWriterWithTheirTexts) {
  SkinDesign d = Custom();
  const std::string png = dir.path().string() + "/src/a.PNG";
  d.windows[2].elements[formats::kPicture0].picture = png;
  auto result = Write(d);
  EXPECT_FALSE(result);
  EXPECT_EQ(result.errorText, common::Gbk("图像文件") + png + common::Gbk("格式错误！"));

  const std::string broken = dir.path().string() + "/src/broken.JPG";
  std::filesystem::create_directories(dir.path() / "src");
  { std::FILE* f = std::fopen(broken.c_str(), "wb"); std::fputs("not a picture", f); std::fclose(f); }
  d.windows[2].elements[formats::kPicture0].picture = broken;
  result = Write(d);
  EXPECT_EQ(result.errorText, common::Gbk("拷贝图像文件") + broken + common::Gbk("出现错误！"));

  EXPECT_EQ(formats::WriteSkin(d, Folder() + "missing/", "ui.dat", "4.0").errorText, common::Gbk("错误：无法打开文件！"));
}

TEST_F(SkinWriterTest, TrayIconStripKeepsItsFramesAndAnIconBecomesOneFrame) {
  SkinDesign d = Custom();
  d.sysIcon = Picture("strip.bmp", 48, 16);
  ASSERT_TRUE(Write(d));
  EXPECT_EQ(ReadBack().sysIcon, "res\\sysicon.bmp:3");
  auto strip = codecs::ReadPictureFile(Folder() + "res/sysicon.bmp");
  ASSERT_TRUE(strip);
  EXPECT_EQ(strip->width, 48);

  d.sysIcon = Picture("wrong.bmp", 40, 16);
  auto result = Write(d);
  EXPECT_EQ(result.errorText, common::Gbk("图像文件") + d.sysIcon + common::Gbk("格式错误！"));

  // A 32 x 32 icon: 6-byte directory, 16-byte entry, a 40-byte header,
  // 32-bit pixels and the AND mask.
  std::string ico("\0\0\1\0\1\0", 6);
  const uint32_t size = 40 + 32 * 32 * 4 + 32 * 4;
  ico += std::string("\x20\x20\0\0\1\0\x20\0", 8);
  ico.append(reinterpret_cast<const char*>(&size), 4);
  const uint32_t offset = 22;
  ico.append(reinterpret_cast<const char*>(&offset), 4);
  const int32_t header[] = {40, 32, 64};
  ico.append(reinterpret_cast<const char*>(header), 12);
  ico += std::string("\1\0\x20\0", 4) + std::string(24, '\0');
  for (int i = 0; i < 32 * 32; ++i) ico += std::string("\x10\x80\xF0\xFF", 4);
  ico += std::string(32 * 4, '\0');
  const std::string icoPath = dir.path().string() + "/src/app.ico";
  { std::FILE* f = std::fopen(icoPath.c_str(), "wb"); std::fwrite(ico.data(), 1, ico.size(), f); std::fclose(f); }
  d.sysIcon = icoPath;
  ASSERT_TRUE(Write(d));
  EXPECT_EQ(ReadBack().sysIcon, "res\\sysicon.bmp:1");
  auto frame = codecs::ReadPictureFile(Folder() + "res/sysicon.bmp");
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->width, 16);
  EXPECT_EQ(frame->height, 16);
}

}  // namespace
