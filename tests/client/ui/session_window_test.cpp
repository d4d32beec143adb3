#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <functional>
#include <set>

#include "client/session/host_notifier.h"
#include "client/ui/download_window.h"
#include "client/ui/session_window.h"
#include "client/ui/start_window.h"
#include "client/ui/system_tray.h"
#include "client/ui/update_window.h"
#include "common/gbk.h"
#include "formats/default_skin.h"
#include "tests/client/ui/qt_test_app.h"
#include "tests/client/ui/test_prompter.h"
#include "tests/client/ui/test_stages.h"
#include "tests/support/host_capture.h"

namespace {

using ui::SessionWindow;

// The widgets need a QApplication before the host capture makes a core one.
struct WidgetsFirst {
  WidgetsFirst() { uitest::App(); }
};

// A session as the window sees it: a skin with a different size per page,
// scripted box answers, a log, and a driver that acts on each page as it
// comes up (the window runs its own event loop).
class SessionWindowTest : public ::testing::Test, private WidgetsFirst {
 protected:
  void SetUp() override {
    skin = formats::DefaultSkin();
    for (int k = 0; k < formats::kPageCount; ++k) {
      skin.pages[k].rect = {0, 0, 300 + 20 * k, 200 + 10 * k};
    }
    context.skin = &skin;
    context.showType = [this] { return showType; };
    context.log = [this](std::string_view line) { log.push_back(common::GbkToUtf8(line)); };
    context.prompter = &prompter;
    setup.startDelayMs = 0;
    setup.setShowType = [this](int type) { showType = type; };
    // Download and update stages that succeed after a moment, so the
    // later pages come up.
    setup.downloadStage = &download;
    setup.updateStage = &update;
  }

  // Runs the window; onPage is called once for every page window that comes
  // up (with its index), onTick every 10 ms. Gives Run()'s result, or -1
  // when the window did not end within the time limit.
  int RunWindow(SessionWindow& window, std::function<void(SessionWindow&, int)> onPage = {},
                std::function<void(SessionWindow&)> onTick = {}) {
    QTimer tick;
    int seen = -1;  // pages come up in increasing order
    QObject::connect(&tick, &QTimer::timeout, [&] {
      if (onTick) onTick(window);
      if (window.Page() && window.CurrentPage() > seen) {
        seen = window.CurrentPage();
        sizes.push_back(window.size());
        if (onPage) onPage(window, window.CurrentPage());
      }
    });
    tick.start(10);
    bool timedOut = false;
    QTimer::singleShot(5000, &window, [&] {
      timedOut = true;
      window.done(0);
    });
    const int result = window.Run();
    return timedOut ? -1 : result;
  }

  std::vector<std::string> OpenedAndSkipped() const {
    std::vector<std::string> lines;
    for (const std::string& line : log) {
      if (line.find("开启") != std::string::npos) lines.push_back(line);
    }
    return lines;
  }

  formats::SkinDescription skin;
  ui::PageContext context;
  ui::SessionWindowSetup setup;
  int showType = session::kShowNormal;
  std::vector<std::string> log;
  uitest::TestPrompter prompter;
  std::vector<session::BoxRequest>& boxes = prompter.boxes;
  std::deque<bool>& answers = prompter.answers;
  uitest::EndingStage download{60};
  uitest::EndingStage update{60};
  uitest::EndingStage running;  // a stage that keeps running
  std::vector<QSize> sizes;
};

const std::vector<std::string> kAllOpened = {"★ 开启“下载前窗口”。", "★ 开启“下载窗口”。",
                                             "★ 开启“下载后窗口”。", "★ 开启“更新窗口”。"};

void PressNext(SessionWindow& window, int page) {
  if (page == formats::kStartPage || page == formats::kDownloadDonePage) {
    window.Page()->HandleCommand(ui::kIdNext);
  }
}

TEST_F(SessionWindowTest, ManualRunOpensTheFourPagesInTurnEachAtItsSkinSize) {
  SessionWindow window(context, setup);
  std::vector<QSize> pageSizes;
  EXPECT_EQ(RunWindow(window,
                      [&](SessionWindow& w, int page) {
                        pageSizes.push_back(w.Page()->size());
                        EXPECT_TRUE(w.isVisible());
                        // One page window at a time.
                        EXPECT_EQ(w.findChildren<ui::WizardPage*>().size(), 1);
                        PressNext(w, page);
                      }),
            1);
  EXPECT_EQ(OpenedAndSkipped(), kAllOpened);
  const std::vector<QSize> expected = {QSize(300, 200), QSize(320, 210), QSize(340, 220),
                                       QSize(360, 230)};
  EXPECT_EQ(sizes, expected);      // the frame's inside
  EXPECT_EQ(pageSizes, expected);  // the page fills it
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Tarnwick"));
}

TEST_F(SessionWindowTest, CaptionIsUpdateWithoutASkinTitle) {
  skin.title.clear();
  SessionWindow window(context, setup);
  EXPECT_EQ(window.windowTitle(), QStringLiteral("update"));
  EXPECT_FALSE(window.windowIcon().isNull());
}

TEST_F(SessionWindowTest, CancelAtTheStartPageEndsTheWindowAsCancelled) {
  answers = {true};  // "你想取消这次升级吗？" Yes
  SessionWindow window(context, setup);
  EXPECT_EQ(RunWindow(window, [](SessionWindow& w, int) { w.Page()->HandleCommand(ui::kIdCancel); }),
            0);
  EXPECT_EQ(OpenedAndSkipped(), std::vector<std::string>{kAllOpened[0]});
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(log.back(), "下载前强制退出升级过程。");
}

TEST_F(SessionWindowTest, ClosingAndEscapeAreHandedToThePageNotToTheFrame) {
  answers = {false, true};  // first close: No, then Yes
  SessionWindow window(context, setup);
  int closes = 0;
  EXPECT_EQ(RunWindow(window, [&](SessionWindow& w, int) {
              QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
              QApplication::sendEvent(&w, &escape);
              w.close();  // the page asks; No keeps everything as it was
              ++closes;
              EXPECT_EQ(w.CurrentPage(), 0);
              EXPECT_TRUE(w.isVisible());
              w.close();  // Yes: the update stops
            }),
            0);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(boxes.size(), 2u);
}

TEST_F(SessionWindowTest, AutomaticModeSkipsTheTwoConfirmationPages) {
  setup.opMode = 1;
  SessionWindow window(context, setup);
  std::vector<int> shown;
  EXPECT_EQ(RunWindow(window, [&](SessionWindow& w, int page) {
              EXPECT_TRUE(w.Page()->isVisible());
              shown.push_back(page);
            }),
            1);
  EXPECT_EQ(shown, (std::vector<int>{1, 3}));
  EXPECT_EQ(OpenedAndSkipped(),
            (std::vector<std::string>{"★ 不开启“下载前窗口”。", kAllOpened[1],
                                      "★ 不开启“下载后窗口”。", kAllOpened[3]}));
}

TEST_F(SessionWindowTest, QuietSessionRunsThePagesHiddenAndSkipsTheConfirmations) {
  showType = session::kShowSemiSilent;
  SessionWindow window(context, setup);
  bool everVisible = false;
  EXPECT_EQ(RunWindow(window, {}, [&](SessionWindow& w) { everVisible |= w.isVisible(); }), 1);
  EXPECT_FALSE(everVisible);
  EXPECT_EQ(OpenedAndSkipped(),
            (std::vector<std::string>{"★ 不开启“下载前窗口”。", kAllOpened[1],
                                      "★ 不开启“下载后窗口”。", kAllOpened[3]}));
}

TEST_F(SessionWindowTest, PageWhoseSkinIsNotShownRunsHidden) {
  skin.pages[formats::kDownloadPage].show = 0;
  SessionWindow window(context, setup);
  std::vector<bool> visible;
  EXPECT_EQ(RunWindow(window, [&](SessionWindow& w, int page) {
              visible.push_back(w.isVisible());
              PressNext(w, page);
            }),
            1);
  EXPECT_EQ(visible, (std::vector<bool>{true, false, true, true}));
}

TEST_F(SessionWindowTest, TrayShowCommandMakesTheSessionNormalAgain) {
  showType = session::kShowSilent;
  setup.downloadStage = &running;
  SessionWindow window(context, setup);
  bool asked = false;
  EXPECT_EQ(RunWindow(window, {},
                      [&](SessionWindow& w) {
                        if (w.CurrentPage() != formats::kDownloadPage || asked) return;
                        asked = true;
                        EXPECT_FALSE(w.isVisible());
                        w.TrayCommand(ui::kTrayCommandShow);
                        EXPECT_EQ(showType, session::kShowNormal);
                        EXPECT_TRUE(w.isVisible());
                        answers = {true};
                        w.TrayCommand(ui::kTrayCommandExit);  // the page's Cancel
                      }),
            0);
  EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(SessionWindowTest, IconStepsWhileTheDownloadPageIsUp) {
  uitest::EndingStage slowDownload(400);
  setup.downloadStage = &slowDownload;
  setup.opMode = 1;
  SessionWindow window(context, setup);
  ASSERT_EQ(window.Frames().size(), 4);  // the built-in strip
  std::set<int> frames;
  bool animatedElsewhere = false;
  RunWindow(window, {}, [&](SessionWindow& w) {
    if (w.CurrentPage() == formats::kDownloadPage) {
      frames.insert(w.IconFrame());
    } else if (w.CurrentPage() == formats::kUpdatePage) {
      animatedElsewhere |= w.IconAnimating();
    }
  });
  EXPECT_GE(frames.size(), 3u);
  EXPECT_FALSE(animatedElsewhere);
}

TEST_F(SessionWindowTest, SecondPageDoneOfTheSamePageIsDropped) {
  SessionWindow window(context, setup);
  std::vector<int> pages;
  RunWindow(window, [&](SessionWindow& w, int page) {
    pages.push_back(page);
    if (page == formats::kStartPage) {
      // A double click: both reach the window after the page has gone.
      w.Page()->HandleCommand(ui::kIdNext);
      w.Page()->HandleCommand(ui::kIdNext);
    } else if (page == formats::kDownloadDonePage) {
      w.Page()->HandleCommand(ui::kIdCancel);  // No: stays
      answers = {true};
      w.Page()->HandleCommand(ui::kIdCancel);
    }
  });
  EXPECT_EQ(pages, (std::vector<int>{0, 1, 2}));
}

TEST_F(SessionWindowTest, WithoutADownloadStageTheRunStopsAtTheDownloadPageAndTellsTheHost) {
  testsupport::HostCapture host;
  session::HostNotifier notifier;
  notifier.SetHostWindow(host.endpoint());
  context.host = &notifier;
  setup.downloadStage = nullptr;
  setup.updateStage = nullptr;
  SessionWindow window(context, setup);
  EXPECT_EQ(RunWindow(window, PressNext), 0);
  EXPECT_EQ(OpenedAndSkipped(), (std::vector<std::string>{kAllOpened[0], kAllOpened[1]}));
  ASSERT_TRUE(host.WaitFor(1));
  host.Settle(100);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].wParam, -3);
  EXPECT_EQ(log.back(), "下载失败或是强制退出下载过程！");
}

TEST_F(SessionWindowTest, SelfUpdateRunEndsAfterTheDownloadPage) {
  context.runMode = session::RunMode::SelfUpdate;
  SessionWindow window(context, setup);
  bool everVisible = false;
  EXPECT_EQ(RunWindow(window, {}, [&](SessionWindow& w) { everVisible |= w.isVisible(); }), 1);
  EXPECT_FALSE(everVisible);
  EXPECT_EQ(OpenedAndSkipped(),
            (std::vector<std::string>{"★ 不开启“下载前窗口”。", kAllOpened[1]}));
}

TEST_F(SessionWindowTest, PreviewPlaysEveryPageAndEndsWithTheFinishButton) {
  context.runMode = session::RunMode::Preview;
  setup.previewStepMs = 5;
  SessionWindow window(context, setup);
  EXPECT_EQ(RunWindow(window, PressNext,
                      [](SessionWindow& w) {
                        // The preview's download and installation end by
                        // their buttons, as the user would press them.
                        if (!w.Page()) return;
                        if (w.CurrentPage() == formats::kDownloadPage &&
                            w.Page()->Button(0)->text() == QStringLiteral("下一步(&N)")) {
                          w.Page()->HandleCommand(ui::kIdPause);
                        } else if (w.CurrentPage() == formats::kUpdatePage &&
                                   w.Page()->Button(1)->isEnabled()) {
                          w.Page()->HandleCommand(ui::kIdCancel);
                        }
                      }),
            1);
  EXPECT_EQ(OpenedAndSkipped(), kAllOpened);
}

}  // namespace
