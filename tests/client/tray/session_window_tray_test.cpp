// The session window with a real tray icon: the user's clicks on the docked
// icon and a minimise from the X server, as they reach a run.

#include <gtest/gtest.h>

#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <deque>

#include "client/ui/download_window.h"
#include "client/ui/session_window.h"
#include "client/ui/system_tray.h"
#include "formats/default_skin.h"
#include "tests/client/tray/tray_test_app.h"
#include "tests/client/ui/test_prompter.h"
#include "tests/client/ui/test_stages.h"

namespace {

using ui::SessionWindow;

// A session whose download page keeps running until it is cancelled; the
// test acts once that page is up, then ends the window.
class SessionWindowTray : public traytest::TrayTest {
 protected:
  void SetUp() override {
    TrayTest::SetUp();
    if (IsSkipped()) return;
    skin = formats::DefaultSkin();
    context.skin = &skin;
    context.showType = [this] { return showType; };
    context.log = [](std::string_view) {};
    prompter.answers = {true, true, true};
    context.prompter = &prompter;
    setup.startDelayMs = 0;
    setup.setShowType = [this](int type) { showType = type; };
    setup.downloadStage = &running;
  }

  // Runs the window and calls act once the download page is up; Run()'s
  // result, or -1 when the window was still open after 20 s.
  int RunWindow(SessionWindow& window, const std::function<void(SessionWindow&)>& act) {
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (window.CurrentPage() != formats::kDownloadPage || !window.Page()) return;
      poll.stop();
      act(window);
    });
    poll.start(10);
    bool timedOut = false;
    QTimer::singleShot(20000, &window, [&] {
      timedOut = true;
      window.done(0);
    });
    const int result = window.Run();
    return timedOut ? -1 : result;
  }

  static int DefaultCommand(ui::CSystemTray& tray) {
    QAction* action = QtIcon(tray)->contextMenu()->defaultAction();
    return action ? action->data().toInt() : 0;
  }

  formats::SkinDescription skin;
  ui::PageContext context;
  ui::SessionWindowSetup setup;
  int showType = session::kShowSemiSilent;
  uitest::TestPrompter prompter;  // every box: yes, cancel
  uitest::EndingStage running;    // a download that runs until cancelled
};

TEST_F(SessionWindowTray, QuietRunComesBackOnAClickGoesToTheTrayWhenMinimisedAndExitsFromTheMenu) {
  ui::CSystemTray tray;
  ASSERT_TRUE(tray.Create(nullptr, "", traytest::Coloured(Qt::red), 139, false));
  ASSERT_TRUE(WaitFor("dock"));
  const uint32_t icon = Docked().back();
  ASSERT_TRUE(WaitFor("map", icon));
  context.tray = &tray;

  SessionWindow window(context, setup);
  // The tray takes the window's strip: the built-in one of four frames.
  EXPECT_EQ(window.Frames().size(), 4);
  const int result = RunWindow(window, [&](SessionWindow& w) {
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(tray.IsAnimating());

    // A left click on the icon: the session becomes normal and shows.
    ASSERT_TRUE(ClickIcon(icon, 1));
    ASSERT_TRUE(Until([&] { return w.isVisible(); })) << "a click on the icon left the window hidden";
    EXPECT_EQ(showType, session::kShowNormal);

    // Minimised (as a window manager does it): into the tray, and the show
    // command is the default again.
    tray.SetMenuDefaultItem(2, true);
    ASSERT_EQ(DefaultCommand(tray), ui::kTrayCommandExit);
    ASSERT_TRUE(X().Iconify(static_cast<uint32_t>(w.winId())));
    ASSERT_TRUE(Until([&] { return !w.isVisible(); })) << "minimising did not hide the window";
    EXPECT_EQ(DefaultCommand(tray), ui::kTrayCommandShow);
    EXPECT_FALSE(w.isMinimized());

    // The default being the show command, a click brings it back again.
    ASSERT_TRUE(ClickIcon(icon, 1));
    ASSERT_TRUE(Until([&] { return w.isVisible(); }));
    EXPECT_EQ(w.CurrentPage(), formats::kDownloadPage);
    EXPECT_EQ(prompter.boxes.size(), 0u);

    // "退出(&X)" from the icon's menu is the page's Cancel: it asks, then
    // the window ends as cancelled.
    ASSERT_TRUE(ClickIcon(icon, 3));
    ASSERT_TRUE(Until([] { return QApplication::activePopupWidget() != nullptr; }));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_X);
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(prompter.boxes.size(), 1u);
  EXPECT_FALSE(tray.IsAnimating());
}

TEST_F(SessionWindowTray, WithoutTrayMinimisingLeavesTheWindowMinimised) {
  showType = session::kShowNormal;
  setup.opMode = 1;  // straight to the download page
  SessionWindow window(context, setup);
  bool stayed = false;
  const int result = RunWindow(window, [&](SessionWindow& w) {
    ASSERT_TRUE(Until([&] { return w.isVisible(); }));
    ASSERT_TRUE(X().Iconify(static_cast<uint32_t>(w.winId())));
    ASSERT_TRUE(Until([&] { return w.isMinimized(); }));
    QTest::qWait(100);
    stayed = w.isMinimized() && w.isVisible();
    w.TrayCommand(ui::kTrayCommandExit);  // the page's Cancel
  });
  EXPECT_TRUE(stayed);
  EXPECT_EQ(result, 0);
}

}  // namespace
