// CSystemTray against a real notification area: the icon docks in the tray
// helper on an Xvfb display, and what it shows is read back from the X
// server.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>
#include <functional>
#include <set>
#include <thread>

#include "client/ui/qt_convert.h"
#include "client/ui/system_tray.h"
#include "common/gbk.h"
#include "tests/client/tray/tray_test_app.h"

namespace {

using traytest::Coloured;
using TrayOnXvfb = traytest::TrayTest;

TEST_F(TrayOnXvfb, IconDocksWhenShownShowsItsIconAndFramesAndLeavesWhenHidden) {
  ui::CSystemTray tray;
  // A tooltip of 70 double-byte characters (140 bytes) is cut to 63 of them.
  std::string tip;
  for (int i = 0; i < 70; ++i) tip += common::Utf8ToGbk("载");
  ASSERT_TRUE(tray.Create(nullptr, tip, Coloured(Qt::red), 139, true));
  EXPECT_TRUE(tray.IsEnabled());
  EXPECT_TRUE(tray.IsHidden());
  QTest::qWait(300);
  EXPECT_TRUE(Docked().empty()) << "a hidden icon must not dock";

  ASSERT_TRUE(tray.ShowIcon());
  ASSERT_TRUE(WaitFor("dock"));
  const uint32_t icon = Docked().back();
  ASSERT_TRUE(WaitFor("map", icon));
  EXPECT_TRUE(Shows(icon, Qt::red));

  EXPECT_EQ(tray.TooltipText().size(), 126u);
  ASSERT_NE(QtIcon(tray), nullptr);
  EXPECT_EQ(QtIcon(tray)->toolTip(), ui::ToQString(tray.TooltipText()));
  EXPECT_EQ(QtIcon(tray)->toolTip().size(), 63);
  // The docked window itself carries the text the user hovers over.
  QWidget* docked = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (static_cast<uint32_t>(w->effectiveWinId()) == icon) docked = w;
  }
  ASSERT_NE(docked, nullptr);
  EXPECT_EQ(docked->toolTip(), ui::ToQString(tray.TooltipText()));
  ASSERT_TRUE(tray.SetTooltipText("ready"));
  EXPECT_EQ(QtIcon(tray)->toolTip(), QStringLiteral("ready"));
  EXPECT_EQ(docked->toolTip(), QStringLiteral("ready"));
  // A title that looks like HTML is shown as written.
  ASSERT_TRUE(tray.SetTooltipText("<b>ready</b>"));
  EXPECT_EQ(QtIcon(tray)->toolTip(), QStringLiteral("<p style='white-space:pre'>&lt;b&gt;ready&lt;/b&gt;</p>"));
  // A download worker's text reaches the icon through the tray's thread.
  std::thread worker([&] { EXPECT_TRUE(tray.SetTooltipText(common::Utf8ToGbk("正在下载 50%"))); });
  worker.join();
  EXPECT_TRUE(Until([&] { return docked->toolTip() == QStringLiteral("正在下载 50%"); }));

  ASSERT_TRUE(tray.SetIcon(Coloured(Qt::yellow)));
  EXPECT_TRUE(Shows(icon, Qt::yellow));

  // The frames turn up in the tray itself, then the icon from before the
  // animation comes back.
  ASSERT_TRUE(tray.SetIconList({Coloured(Qt::red), Coloured(Qt::green), Coloured(Qt::blue)}));
  ASSERT_TRUE(tray.Animate(40, -1));
  std::set<QRgb> seen;
  QElapsedTimer t;
  t.start();
  while (seen.size() < 3 && t.elapsed() < 3000) {
    const QColor c = Middle(icon);
    if (c == Qt::red || c == Qt::green || c == Qt::blue) seen.insert(c.rgb());
    QTest::qWait(15);
  }
  EXPECT_TRUE(seen.count(QColor(Qt::red).rgb()));
  EXPECT_TRUE(seen.count(QColor(Qt::green).rgb()));
  EXPECT_TRUE(seen.count(QColor(Qt::blue).rgb()));
  tray.StopAnimation();
  EXPECT_FALSE(tray.IsAnimating());
  EXPECT_TRUE(Shows(icon, Qt::yellow));
  QTest::qWait(200);  // no late frame after the stop
  EXPECT_EQ(Middle(icon), QColor(Qt::yellow));

  ASSERT_TRUE(tray.HideIcon());
  EXPECT_TRUE(tray.IsHidden());
  EXPECT_TRUE(WaitFor("gone", icon) || WaitFor("unmap", icon));
  ASSERT_TRUE(tray.ShowIcon());
  EXPECT_TRUE(Until([&] { return Docked().size() == 2u; }));
}

TEST_F(TrayOnXvfb, IconGoesAwayWithTheTrayObject) {
  uint32_t icon = 0;
  {
    ui::CSystemTray tray;
    ASSERT_TRUE(tray.Create(nullptr, "", Coloured(Qt::red), 139, false));
    ASSERT_TRUE(WaitFor("dock"));
    icon = Docked().back();
  }
  EXPECT_TRUE(WaitFor("gone", icon));
}

TEST_F(TrayOnXvfb, TrayRestartDocksTheIconAgainAndTheAnimationGoesOn) {
  ui::CSystemTray tray;
  ASSERT_TRUE(tray.Create(nullptr, "", Coloured(Qt::white), 139, false));
  ASSERT_TRUE(WaitFor("dock"));
  ASSERT_TRUE(tray.SetIconList({Coloured(Qt::red), Coloured(Qt::blue)}));
  ASSERT_TRUE(tray.Animate(40, -1));

  X().StopTray();
  ASSERT_TRUE(X().StartTray()) << X().Error();
  ASSERT_TRUE(Until([&] { return Docked().size() >= 2u; })) << "the icon did not come back";
  const uint32_t again = Docked().back();
  ASSERT_TRUE(WaitFor("map", again));
  std::set<QRgb> seen;
  QElapsedTimer t;
  t.start();
  while (seen.size() < 2 && t.elapsed() < 3000) {
    const QColor c = Middle(again);
    if (c == Qt::red || c == Qt::blue) seen.insert(c.rgb());
    QTest::qWait(15);
  }
  EXPECT_EQ(seen.size(), 2u) << "the restored icon does not animate";
  EXPECT_TRUE(tray.IsAnimating());
  tray.StopAnimation();
  EXPECT_TRUE(Shows(again, Qt::white));
}

TEST_F(TrayOnXvfb, LeftClickOnTheIconSendsTheDefaultCommand) {
  ui::CSystemTray tray;
  ASSERT_TRUE(tray.Create(nullptr, "", Coloured(Qt::red), 139, false));
  std::vector<int> commands;
  QObject::connect(&tray, &ui::CSystemTray::MenuCommand, [&](int c) { commands.push_back(c); });
  ASSERT_TRUE(WaitFor("dock"));
  const uint32_t icon = Docked().back();
  ASSERT_TRUE(WaitFor("map", icon));

  ASSERT_TRUE(ClickIcon(icon, 1));
  ASSERT_TRUE(Until([&] { return commands.size() >= 1; }));
  EXPECT_EQ(commands[0], ui::kTrayCommandShow);
  // By position: 0 the show item, 1 the separator (refused), 2 the exit item.
  tray.SetMenuDefaultItem(1, true);
  ASSERT_TRUE(ClickIcon(icon, 1));
  ASSERT_TRUE(Until([&] { return commands.size() >= 2; }));
  EXPECT_EQ(commands[1], ui::kTrayCommandShow);
  tray.SetMenuDefaultItem(2, true);
  ASSERT_TRUE(ClickIcon(icon, 1));
  ASSERT_TRUE(Until([&] { return commands.size() >= 3; }));
  EXPECT_EQ(commands[2], ui::kTrayCommandExit);
}

TEST_F(TrayOnXvfb, RightClickOpensTheMenuWhoseExitItemSendsItsCommand) {
  ui::CSystemTray tray;
  ASSERT_TRUE(tray.Create(nullptr, "", Coloured(Qt::red), 139, false));
  std::vector<int> commands;
  QObject::connect(&tray, &ui::CSystemTray::MenuCommand, [&](int c) { commands.push_back(c); });
  ASSERT_TRUE(WaitFor("dock"));
  const uint32_t icon = Docked().back();
  ASSERT_TRUE(WaitFor("map", icon));

  ASSERT_TRUE(ClickIcon(icon, 3));
  ASSERT_TRUE(Until([] { return QApplication::activePopupWidget() != nullptr; }));
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(menu, nullptr);
  const QList<QAction*> items = menu->actions();
  ASSERT_EQ(items.size(), 3);
  EXPECT_EQ(items[0]->text(), QStringLiteral("显示主窗口(&S)"));
  EXPECT_TRUE(items[1]->isSeparator());
  EXPECT_EQ(items[2]->text(), QStringLiteral("退出(&X)"));
  EXPECT_EQ(menu->defaultAction(), items[0]);
  EXPECT_TRUE(commands.empty());
  QTest::keyClick(menu, Qt::Key_X);
  ASSERT_TRUE(Until([&] { return !commands.empty(); }));
  EXPECT_EQ(commands, std::vector<int>{ui::kTrayCommandExit});
  EXPECT_FALSE(menu->isVisible());
}

}  // namespace
