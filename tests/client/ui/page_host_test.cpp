#include <gtest/gtest.h>

#include <QSignalSpy>

#include "client/session/host_messages.h"
#include "client/session/host_notifier.h"
#include "client/ui/download_done_window.h"
#include "client/ui/start_window.h"
#include "formats/default_skin.h"
#include "tests/client/ui/qt_test_app.h"
#include "tests/client/ui/test_prompter.h"
#include "tests/support/host_capture.h"

namespace {

// Cancelling a page posts the outcome code to a real listener on the host
// channel and writes the two log lines, except in a preview run.
// The widgets need a QApplication before the capture makes a core one.
struct WidgetsFirst {
  WidgetsFirst() { uitest::App(); }
};

class PageHostTest : public ::testing::Test, private WidgetsFirst {
 protected:
  void SetUp() override {
    skin = formats::DefaultSkin();
    context.skin = &skin;
    context.log = [this](std::string_view line) { log.emplace_back(line); };
    prompter.answers = {true, true, true, true};
    context.prompter = &prompter;
    notifier.SetHostWindow(host.endpoint());
    context.host = &notifier;
  }

  template <typename Page>
  int CancelAndWait() {
    Page page(context, &session);
    QSignalSpy done(&page, &ui::WizardPage::PageDone);
    page.HandleCommand(ui::kIdCancel);
    EXPECT_TRUE(done.wait(1000));
    return done.isEmpty() ? -1 : done.takeFirst().at(0).toInt();
  }

  formats::SkinDescription skin;
  ui::PageContext context;
  uitest::TestPrompter prompter;
  std::vector<std::string> log;
  testsupport::HostCapture host;
  session::HostNotifier notifier;
  QWidget session;
};

TEST_F(PageHostTest, StartWindowCancelPostsMinusTwo) {
  ASSERT_NE(host.endpoint(), 0);
  EXPECT_EQ(CancelAndWait<ui::StartWindow>(), 1);
  ASSERT_TRUE(host.WaitFor(1));
  EXPECT_EQ(host.messages()[0].message, session::kMsgOutcome);
  EXPECT_EQ(host.messages()[0].wParam, -2);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], session::OutcomeLog(-2).notice);
  EXPECT_EQ(log[1], session::OutcomeLog(-2).follow);
}

TEST_F(PageHostTest, DownloadDoneCancelPostsMinusFour) {
  EXPECT_EQ(CancelAndWait<ui::DownloadDoneWindow>(), 1);
  ASSERT_TRUE(host.WaitFor(1));
  EXPECT_EQ(host.messages()[0].wParam, -4);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1], session::OutcomeLog(-4).follow);
}

TEST_F(PageHostTest, NoHostMeansOnlyTheLogLine) {
  notifier.SetHostWindow(0);
  EXPECT_EQ(CancelAndWait<ui::StartWindow>(), 1);
  host.Settle(100);
  EXPECT_TRUE(host.messages().empty());
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], session::OutcomeLog(-2).follow);
}

TEST_F(PageHostTest, PreviewCancelTellsNobody) {
  context.runMode = session::RunMode::Preview;
  EXPECT_EQ(CancelAndWait<ui::StartWindow>(), 1);
  EXPECT_EQ(CancelAndWait<ui::DownloadDoneWindow>(), 1);
  host.Settle(100);
  EXPECT_TRUE(host.messages().empty());
  EXPECT_TRUE(log.empty());
}

}  // namespace
