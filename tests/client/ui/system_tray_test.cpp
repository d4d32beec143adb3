#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPainter>
#include <QTest>
#include <functional>

#include "client/ui/icon_animation.h"
#include "client/ui/icon_strip.h"
#include "client/ui/system_tray.h"
#include "common/gbk.h"
#include "tests/client/ui/qt_test_app.h"

namespace {

TEST(CutTooltip, NeverSplitsADoubleByteCharacter) {
  const std::string ascii(200, 'a');
  EXPECT_EQ(ui::CutTooltip(ascii).size(), 127u);
  EXPECT_EQ(ui::CutTooltip("short"), "short");
  // One ASCII byte, then double-byte characters: 1 + 2k bytes fit in 127.
  std::string mixed = "a";
  for (int i = 0; i < 80; ++i) mixed += common::Utf8ToGbk("升");
  EXPECT_EQ(ui::CutTooltip(mixed).size(), 127u);
  // Without the leading byte the 64th character would straddle the limit.
  std::string wide;
  for (int i = 0; i < 80; ++i) wide += common::Utf8ToGbk("级");
  const std::string cut = ui::CutTooltip(wide);
  EXPECT_EQ(cut.size(), 126u);
  EXPECT_EQ(common::GbkToUtf8(cut).find("\xEF\xBF\xBD"), std::string::npos);
  // A trail byte that looks like "\" is still part of its character.
  std::string slashy = std::string(126, 'x') + common::Utf8ToGbk("乗");
  EXPECT_EQ(ui::CutTooltip(slashy).size(), 126u);
}

class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override { uitest::App(); }

  static QIcon Coloured(QColor c) {
    QPixmap p(16, 16);
    p.fill(c);
    return QIcon(p);
  }
  static QRgb Centre(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().pixel(8, 8);
  }
};

TEST_F(TrayTest, AnimationCyclesTheFramesAndRestoresTheSavedIcon) {
  std::vector<QRgb> shown;
  ui::IconAnimation animation([&](const QIcon& icon) { shown.push_back(Centre(icon)); });
  EXPECT_FALSE(animation.Start(10, -1, Coloured(Qt::white)));  // no frames
  animation.SetFrames({Coloured(Qt::red), Coloured(Qt::green), Coloured(Qt::blue)});
  ASSERT_TRUE(animation.Start(10, -1, Coloured(Qt::white)));
  ASSERT_TRUE(uitest::WaitUntil([&] { return shown.size() >= 5; }, 2000));
  animation.Stop();
  EXPECT_FALSE(animation.IsRunning());
  // Each tick moves one frame on: 1, 2, 0, 1, ... after the start at 0.
  const QRgb order[3] = {QColor(Qt::red).rgb(), QColor(Qt::green).rgb(), QColor(Qt::blue).rgb()};
  for (size_t i = 0; i + 1 < shown.size(); ++i) EXPECT_EQ(shown[i], order[(i + 1) % 3]) << i;
  EXPECT_EQ(shown.back(), QColor(Qt::white).rgb());
}

TEST_F(TrayTest, AnimationStopsByItselfAfterItsDuration) {
  int restored = 0;
  ui::IconAnimation animation([&](const QIcon& icon) {
    if (Centre(icon) == QColor(Qt::white).rgb()) ++restored;
  });
  animation.SetFrames({Coloured(Qt::red), Coloured(Qt::green)});
  ASSERT_TRUE(animation.Start(20, 0, Coloured(Qt::white)));
  ASSERT_TRUE(uitest::WaitUntil([&] { return !animation.IsRunning(); }, 3000));
  EXPECT_EQ(restored, 1);
}

TEST_F(TrayTest, NoTrayAvailableMeansEveryCallFails) {
  // The offscreen platform has no notification area.
  ui::CSystemTray tray;
  EXPECT_FALSE(tray.Create(nullptr, "", ui::IconStrip::Builtin().Icons()[0], 139, false));
  EXPECT_FALSE(tray.IsEnabled());
  EXPECT_FALSE(tray.ShowIcon());
  EXPECT_FALSE(tray.SetTooltipText("x"));
  EXPECT_FALSE(tray.SetIconList(ui::IconStrip::Builtin().Icons()));
  EXPECT_FALSE(tray.Animate(150, -1));
  tray.StopAnimation();
}

TEST_F(TrayTest, BuiltinStripHasFourFramesOnBlack) {
  const QImage picture = ui::IconStrip::BuiltinPicture();
  EXPECT_EQ(picture.size(), QSize(64, 16));
  EXPECT_EQ(picture.pixelColor(0, 0), QColor(Qt::black));
  ui::IconStrip strip = ui::IconStrip::Builtin();
  ASSERT_EQ(strip.Count(), 4);
  ASSERT_EQ(strip.Icons().size(), 4);
  for (int i = 0; i < 4; ++i) {
    const QImage frame = strip.Frame(i);
    EXPECT_EQ(qAlpha(frame.pixel(0, 0)), 0) << i;      // black corner: transparent
    EXPECT_EQ(qAlpha(frame.pixel(8, 8)), 255) << i;    // the drawing itself
  }
  EXPECT_NE(strip.Frame(0), strip.Frame(1));  // it moves
}

class StripFromSkin : public TrayTest {
 protected:
  // 3 frames: red, green, blue, each with a black corner pixel.
  static QImage ThreeFrames() {
    QImage image(48, 16, QImage::Format_RGB32);
    const QColor colours[3] = {Qt::red, Qt::green, Qt::blue};
    QPainter p(&image);
    for (int i = 0; i < 3; ++i) p.fillRect(i * 16, 0, 16, 16, colours[i]);
    p.end();
    for (int i = 0; i < 3; ++i) image.setPixelColor(i * 16, 0, Qt::black);
    return image;
  }

  std::optional<ui::IconStrip> Build(std::string_view value) {
    return ui::IconStrip::FromSkinValue(
        value,
        [this](const std::string& name) {
          requested.push_back(name);
          return name == "res\\sysicon.bmp" ? ThreeFrames() : QImage();
        },
        [this](std::string_view line) { log.emplace_back(line); });
  }

  std::vector<std::string> requested;
  std::vector<std::string> log;
};

TEST_F(StripFromSkin, SpacesAreIgnoredAndFramesCutLeftToRight) {
  auto strip = Build(" res\\sysicon.bmp : 3 ");
  ASSERT_TRUE(strip);
  EXPECT_EQ(requested, std::vector<std::string>{"res\\sysicon.bmp"});
  ASSERT_EQ(strip->Count(), 3);
  EXPECT_EQ(strip->Frame(0).pixelColor(5, 5), QColor(Qt::red));
  EXPECT_EQ(strip->Frame(1).pixelColor(5, 5), QColor(Qt::green));
  EXPECT_EQ(strip->Frame(2).pixelColor(5, 5), QColor(Qt::blue));
  EXPECT_EQ(qAlpha(strip->Frame(1).pixel(0, 0)), 0);  // pure black is transparent
  EXPECT_TRUE(log.empty());
}

TEST_F(StripFromSkin, CountBeyondTheStripGivesEmptyFramesAndAtMostTen) {
  auto strip = Build("res\\sysicon.bmp:12");
  ASSERT_TRUE(strip);
  EXPECT_EQ(strip->Count(), 12);
  EXPECT_EQ(strip->Icons().size(), 10);
  EXPECT_EQ(strip->Frame(2).pixelColor(5, 5), QColor(Qt::blue));
  const QImage empty = strip->Frame(3);
  ASSERT_EQ(empty.size(), QSize(16, 16));
  EXPECT_EQ(qAlpha(empty.pixel(5, 5)), 0);
  EXPECT_TRUE(strip->Frame(10).isNull());
}

TEST_F(StripFromSkin, NoStripCases) {
  EXPECT_FALSE(Build(""));
  EXPECT_FALSE(Build(" x "));  // one character once spaces are gone
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(Build("res\\sysicon.bmp"));
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], common::Utf8ToGbk("sys_icon配置错误："));
  EXPECT_FALSE(Build("res\\missing.bmp:2"));  // cannot be loaded
  EXPECT_EQ(log.size(), 1u);
}

}  // namespace
