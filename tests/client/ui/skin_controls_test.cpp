#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QPainter>
#include <QTest>
#include <QUrl>

#include "client/ui/color_edit.h"
#include "client/ui/item_list_ctrl.h"
#include "client/ui/skin_label.h"
#include "tests/client/ui/qt_test_app.h"

namespace {

// A parent that paints a fixed picture under its children, like a page.
class Backdrop : public QWidget {
 public:
  Backdrop() { resize(240, 120); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), QColor(0, 0, 200));
    p.fillRect(QRect(0, 0, width() / 2, height()), QColor(250, 250, 0));
  }
};

class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> opened;

 public slots:
  void Open(const QUrl& url) { opened.append(url); }
};

int CountColour(const QImage& image, const QRect& area, const QColor& colour) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (image.pixelColor(x, y) == colour) ++n;
    }
  }
  return n;
}

class SkinLabelTest : public ::testing::Test {
 protected:
  void SetUp() override { uitest::App(); }
};

TEST_F(SkinLabelTest, LinkColourAndUnderlineFollowTheMouse) {
  Backdrop page;
  auto* label = new ui::SkinLabel(QString(), &page);
  label->setGeometry(20, 20, 160, 24);
  label->SetTransparent(true);
  label->SetLink(QStringLiteral("点击访问我们的网站"), QStringLiteral("http://example.org/"));
  label->SetFontSpec(QString(), 14, 700, false, true);
  label->SetLinkColours(QColor(0, 150, 0), true, QColor(255, 0, 0), false);
  page.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));

  EXPECT_EQ(label->CurrentColor(), QColor(0, 150, 0));
  EXPECT_TRUE(label->CurrentFont().underline());
  QTest::mouseMove(&page, QPoint(5, 100));
  QTest::mouseMove(label, QPoint(30, 10));
  EXPECT_TRUE(label->IsHovering());
  EXPECT_EQ(label->CurrentColor(), QColor(255, 0, 0));
  EXPECT_FALSE(label->CurrentFont().underline());
  // The font keeps the skin's cell height and weight in both states.
  EXPECT_LE(QFontMetrics(label->CurrentFont()).height(), 14);
  EXPECT_GE(QFontMetrics(label->CurrentFont()).height(), 12);
  EXPECT_EQ(label->CurrentFont().weight(), QFont::Bold);
  QImage hovered = page.grab().toImage();
  EXPECT_GT(CountColour(hovered, label->geometry(), QColor(255, 0, 0)), 0);
  EXPECT_EQ(CountColour(hovered, label->geometry(), QColor(0, 150, 0)), 0);

  QTest::mouseMove(&page, QPoint(200, 100));
  EXPECT_FALSE(label->IsHovering());
  EXPECT_EQ(label->CurrentColor(), QColor(0, 150, 0));
  EXPECT_TRUE(label->CurrentFont().underline());
  QImage left = page.grab().toImage();
  EXPECT_GT(CountColour(left, label->geometry(), QColor(0, 150, 0)), 0);
}

TEST_F(SkinLabelTest, HandCursorOnlyOnLinks) {
  Backdrop page;
  auto* link = new ui::SkinLabel(QString(), &page);
  link->SetLink(QStringLiteral("a"), QStringLiteral("http://example.org/"));
  link->SetLinkColours(Qt::blue, true, Qt::red, true);
  auto* plain = new ui::SkinLabel(QStringLiteral("b"), &page);
  plain->SetText(QStringLiteral("b"));
  plain->ResetLinkFonts();
  EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(plain->cursor().shape(), Qt::ArrowCursor);
  // A link turned back into plain text gives up the hand.
  link->ResetLinkFonts();
  EXPECT_EQ(link->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(SkinLabelTest, ClickOpensTheAddressInTheUrlHandler) {
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "Open");
  Backdrop page;
  auto* link = new ui::SkinLabel(QString(), &page);
  link->setGeometry(10, 10, 100, 20);
  link->SetLink(QStringLiteral("site"), QStringLiteral("http://example.org/update"));
  link->SetLinkColours(Qt::blue, true, Qt::red, true);
  auto* plain = new ui::SkinLabel(QStringLiteral("plain"), &page);
  plain->setGeometry(10, 40, 100, 20);
  page.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
  QTest::mouseClick(plain, Qt::LeftButton);
  QTest::mouseClick(link, Qt::RightButton);
  EXPECT_TRUE(catcher.opened.isEmpty());
  QTest::mouseClick(link, Qt::LeftButton);
  QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
  ASSERT_EQ(catcher.opened.size(), 1);
  EXPECT_EQ(catcher.opened[0], QUrl(QStringLiteral("http://example.org/update")));
}

TEST_F(SkinLabelTest, TransparentTextChangeLeavesNoTrace) {
  Backdrop page;
  auto* label = new ui::SkinLabel(QString(), &page);
  label->setGeometry(10, 40, 220, 30);
  label->SetTransparent(true);
  label->SetTextColor(Qt::black);
  label->SetFontSpec(QString(), 24, 700, false, false);
  page.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
  const QImage empty = page.grab().toImage();
  // The backdrop shows through everywhere the text is not.
  EXPECT_EQ(empty.pixelColor(20, 50), QColor(250, 250, 0));
  EXPECT_EQ(empty.pixelColor(200, 50), QColor(0, 0, 200));

  label->SetText(QStringLiteral("WWWWWWWW"));
  QApplication::processEvents();
  const QImage written = page.grab().toImage();
  EXPECT_NE(written, empty);
  EXPECT_GT(CountColour(written, label->geometry(), Qt::black), 0);

  label->SetText(QStringLiteral("i"));
  QApplication::processEvents();
  label->SetText(QString());
  QApplication::processEvents();
  EXPECT_EQ(page.grab().toImage(), empty);
}

TEST_F(SkinLabelTest, ZeroFontSizeAndWeightKeepTheTemplateFont) {
  QWidget page;
  QFont templ(QStringLiteral("WenQuanYi Micro Hei"));
  templ.setPixelSize(13);
  templ.setWeight(QFont::Bold);
  page.setFont(templ);
  auto* label = new ui::SkinLabel(QStringLiteral("x"), &page);
  label->SetFontSpec(QString(), 0, 0, true, false);
  EXPECT_EQ(label->CurrentFont().pixelSize(), 13);
  EXPECT_EQ(label->CurrentFont().weight(), QFont::Bold);
  EXPECT_TRUE(label->CurrentFont().italic());
  label->SetLinkColours(Qt::blue, false, Qt::red, true);
  EXPECT_EQ(label->CurrentFont().pixelSize(), 13);
  EXPECT_EQ(label->CurrentFont().weight(), QFont::Bold);
  EXPECT_TRUE(label->CurrentFont().italic());
}

class ItemListTest : public ::testing::Test {
 protected:
  void SetUp() override { uitest::App(); }
};

TEST(DownloadColumns, TwentiethsOfTheWidthLessScrollBar) {
  int w[3];
  ui::DownloadColumnWidths(200, 16, w);
  EXPECT_EQ(w[0], 91);
  EXPECT_EQ(w[1], 54);
  EXPECT_EQ(w[2], 45);
}

TEST_F(ItemListTest, ProgressCellsAtZeroHalfAndFull) {
  ui::ItemListCtrl list;
  list.resize(300, 120);
  list.SetColumns({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
  for (int c = 0; c < 3; ++c) list.setColumnWidth(c, 90);
  list.AddRow(QStringLiteral("row"));
  list.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
  EXPECT_EQ(list.rowHeight(0), 20);
  const QPalette& pal = list.palette();
  const QColor grey(224, 224, 224);
  const QColor fill = pal.color(QPalette::Highlight);

  auto grabCell = [&list](QRect* bar) {
    QRect cell = list.visualRect(list.model()->index(0, 1));
    *bar = cell.adjusted(1, 5, 0, -1);
    return list.viewport()->grab().toImage();
  };
  QRect bar;
  list.SetProgress(0, 1, 0);
  QImage img = grabCell(&bar);
  EXPECT_EQ(img.pixelColor(bar.left() + 3, bar.center().y()), grey);
  EXPECT_EQ(img.pixelColor(bar.right() - 3, bar.center().y()), grey);
  EXPECT_EQ(CountColour(img, bar, fill), 0);

  list.SetProgress(0, 1, 100);
  img = grabCell(&bar);
  EXPECT_EQ(img.pixelColor(bar.left() + 3, bar.center().y()), fill);
  EXPECT_EQ(img.pixelColor(bar.right() - 3, bar.center().y()), fill);
  EXPECT_EQ(CountColour(img, bar.adjusted(1, 1, -2, -1), grey), 0);

  list.SetProgress(0, 1, 50);
  img = grabCell(&bar);
  const int edge = bar.left() + (bar.width() - 1) * 50 / 100;  // first unfilled column
  EXPECT_EQ(img.pixelColor(bar.left() + 3, bar.center().y()), fill);
  EXPECT_EQ(img.pixelColor(bar.right() - 3, bar.center().y()), grey);
  EXPECT_EQ(img.pixelColor(edge - 1, bar.top() + 1), fill);
  EXPECT_EQ(img.pixelColor(edge, bar.top() + 1), grey);
  // "50%" straddles the edge: highlight-text colour only over the fill,
  // normal text colour only over the rest.
  const QRect inner = bar.adjusted(1, 1, -1, -1);
  const QRect filled(inner.left(), inner.top(), edge - inner.left(), inner.height());
  const QRect rest(edge, inner.top(), inner.right() - edge + 1, inner.height());
  const QColor textColour = pal.color(QPalette::Text);
  const QColor onFill = pal.color(QPalette::HighlightedText);
  EXPECT_GT(CountColour(img, filled, onFill), 0);
  EXPECT_EQ(CountColour(img, filled, textColour), 0);
  EXPECT_GT(CountColour(img, rest, textColour), 0);
  EXPECT_EQ(CountColour(img, rest, onFill), 0);
}

TEST_F(ItemListTest, ProgressFormatAndRowCheck) {
  ui::ItemListCtrl list;
  list.SetColumns({QStringLiteral("a"), QStringLiteral("b")});
  list.AddRow(QStringLiteral("one"));
  EXPECT_EQ(list.Progress(0, 1), -1);
  list.SetProgress(0, 1, 140);
  EXPECT_EQ(list.Progress(0, 1), 100);
  list.SetChecked(0, true);
  EXPECT_TRUE(list.IsChecked(0));
  // Out-of-range rows are ignored rather than growing the list.
  list.SetCellText(5, 0, QStringLiteral("x"));
  EXPECT_EQ(list.rowCount(), 1);
}

TEST_F(ItemListTest, ColorEditBackgroundAndLines) {
  ui::ColorEdit box;
  box.SetBackground(QColor(250, 250, 250));
  box.resize(200, 80);
  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
  QImage img = box.viewport()->grab().toImage();
  EXPECT_EQ(img.pixelColor(img.width() - 5, img.height() - 5), QColor(250, 250, 250));
  box.AppendLine(QStringLiteral("first"));
  box.AppendLine(QStringLiteral("second"));
  EXPECT_EQ(box.toPlainText(), QStringLiteral("first\nsecond\n"));
  EXPECT_TRUE(box.isReadOnly());
}

}  // namespace

#include "skin_controls_test.moc"
