// The worker-to-page sink: calls made on a worker thread reach the page on
// its own thread in the order they were made; a question blocks the worker
// until the page's thread answered it, and never blocks once the page is
// gone or its stage is ending.

#include "client/ui/page_sink.h"

#include <gtest/gtest.h>

#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "client/ui/download_window.h"
#include "client/ui/item_list_ctrl.h"
#include "client/ui/qt_convert.h"
#include "client/ui/skin_label.h"
#include "common/gbk.h"
#include "formats/default_skin.h"
#include "tests/client/ui/qt_test_app.h"
#include "tests/client/ui/test_prompter.h"

namespace {

// The widgets need a QApplication before the fixture's members are made.
struct WidgetsFirst {
  WidgetsFirst() { uitest::App(); }
};

class PageSinkTest : public ::testing::Test, private WidgetsFirst {
 protected:
  void SetUp() override {
    skin = formats::DefaultSkin();
    context.skin = &skin;
    context.showType = [this] { return showType.load(); };
    context.log = [this](std::string_view line) {
      std::lock_guard lock(logMutex);
      log.emplace_back(line);
    };
    context.prompter = &prompter;
  }

  formats::SkinDescription skin;
  ui::PageContext context;
  std::atomic<int> showType{session::kShowNormal};
  std::mutex logMutex;
  std::vector<std::string> log;
  uitest::TestPrompter prompter;
  QWidget session;
};

TEST_F(PageSinkTest, WorkerCallsArriveOnThePageThreadInOrder) {
  ui::DownloadWindow page(context, &session);
  std::shared_ptr<transfer::StageSink> sink = page.Sink();
  std::atomic<bool> done{false};
  std::vector<int> rows;
  bool dirRow = false;
  std::thread worker([&] {
    rows.push_back(sink->AddRow("a.exe"));
    rows.push_back(sink->AddRow(common::Gbk("<插件>")));
    dirRow = sink->IsDirectoryRow(1) && !sink->IsDirectoryRow(0);
    sink->SetBarRange(1, 200);
    for (int v = 0; v <= 200; v += 10) sink->SetBarValue(1, v);  // the last value wins
    sink->SetRowProgress(0, 40);
    sink->SetRowSpeed(0, "12.0KB/S");
    sink->AppendRowText(0, "(1.0KB)");
    sink->CheckRow(0);
    sink->SetFileBar(55);
    sink->SetTransferStatus("1.0KB/2.0KB");
    for (int i = 0; i < 5; ++i) sink->AddMessage(common::Gbk("第") + std::to_string(i));
    done = true;
  });
  worker.join();
  EXPECT_EQ(rows, (std::vector<int>{0, 1}));
  EXPECT_TRUE(dirRow);
  // Nothing has touched the widgets yet: every call waits for the page's thread.
  EXPECT_EQ(page.List()->rowCount(), 0);
  {
    std::lock_guard lock(logMutex);
    ASSERT_EQ(log.size(), 5u);  // log lines are written at the call
  }
  ASSERT_TRUE(uitest::WaitUntil([&] { return page.StatusLine(0)->Text() == QStringLiteral("第4"); }, 2000));
  ASSERT_EQ(page.List()->rowCount(), 2);
  EXPECT_EQ(page.List()->CellText(0, 0), QStringLiteral("a.exe(1.0KB)"));
  EXPECT_EQ(page.List()->CellText(1, 0), QStringLiteral("<插件>"));
  EXPECT_TRUE(page.List()->IsChecked(0));
  EXPECT_EQ(page.List()->Progress(0, 1), 40);
  EXPECT_EQ(page.List()->CellText(0, 2), QStringLiteral("12.0KB/S"));
  EXPECT_EQ(page.Bar(1)->maximum(), 200);
  EXPECT_EQ(page.Bar(1)->value(), 200);
  EXPECT_EQ(page.Bar(0)->value(), 55);
  EXPECT_EQ(page.StatusLine(1)->Text(), QStringLiteral("1.0KB/2.0KB"));
}

TEST_F(PageSinkTest, QuestionsWaitForTheAnswerFromThePageThread) {
  ui::DownloadWindow page(context, &session);
  std::shared_ptr<transfer::StageSink> sink = page.Sink();
  prompter.answers = {true, false, true};
  std::atomic<int> stage{0};
  session::BoxAnswer first{}, second{};
  bool retry = false;
  std::thread worker([&] {
    session::BoxRequest box;
    box.text = "x";
    box.buttons = session::BoxButtons::YesNo;
    first = sink->Ask(box);
    second = sink->Ask(box);
    retry = sink->AskRetry(common::Gbk("文件下载失败!"));
    showType = -1;  // a show type that keeps boxes away: no box, Cancel
    sink->Notice("quiet");
    stage = sink->AskRetry("quiet") ? 2 : 1;
  });
  ASSERT_TRUE(uitest::WaitUntil([&] { return stage.load() != 0; }, 3000));
  worker.join();
  EXPECT_EQ(first, session::BoxAnswer::Yes);
  EXPECT_EQ(second, session::BoxAnswer::No);
  EXPECT_TRUE(retry);
  EXPECT_EQ(stage.load(), 1);
  ASSERT_EQ(prompter.boxes.size(), 3u);
  EXPECT_EQ(prompter.Text(2), "\n文件下载失败!\n");
  EXPECT_EQ(prompter.boxes[2].buttons, session::BoxButtons::RetryCancel);
}

TEST_F(PageSinkTest, AQuestionToAPageThatGoesAwayReturnsItsDismissAnswer) {
  auto* page = new ui::DownloadWindow(context, &session);
  std::shared_ptr<transfer::StageSink> sink = page->Sink();
  std::atomic<bool> asked{false};
  std::atomic<int> answer{-1};
  std::thread worker([&] {
    session::BoxRequest box;
    box.buttons = session::BoxButtons::RetryCancel;
    asked = true;
    answer = static_cast<int>(sink->Ask(box));  // nobody serves the page's thread yet
  });
  while (!asked) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(answer.load(), -1);  // still waiting
  delete page;                   // the page goes before its thread looks at the question
  worker.join();
  EXPECT_EQ(answer.load(), static_cast<int>(session::BoxAnswer::Cancel));
  // Later questions do not wait at all, and nothing reaches the gone page.
  session::BoxRequest box;
  box.buttons = session::BoxButtons::YesNo;
  std::thread late([&] { answer = static_cast<int>(sink->Ask(box)); });
  late.join();
  EXPECT_EQ(answer.load(), static_cast<int>(session::BoxAnswer::No));
  sink->AddRow("after");
  QApplication::processEvents();
  EXPECT_TRUE(prompter.boxes.empty());
}

TEST_F(PageSinkTest, StageEndReleasesAWaitingWorkerAndEndsOnce) {
  ui::DownloadWindow page(context, &session);
  std::shared_ptr<transfer::StageSink> sink = page.Sink();
  QSignalSpy done(&page, &ui::WizardPage::PageDone);
  std::thread worker([sink] {
    sink->EndStage(0);
    sink->EndStage(1);  // the first end wins
  });
  worker.join();
  ASSERT_TRUE(done.wait(1000));
  EXPECT_EQ(done.takeFirst().at(0).toInt(), 1);
  EXPECT_TRUE(page.StageEnded());
  EXPECT_TRUE(page.Control()->IsStopRequested());
  session::BoxRequest box;
  std::atomic<int> answer{-1};
  std::thread late([&] { answer = static_cast<int>(sink->Ask(box)); });
  late.join();  // no page thread serves it: it must not wait
  EXPECT_EQ(answer.load(), static_cast<int>(session::BoxAnswer::Ok));
  QTest::qWait(50);
  EXPECT_EQ(done.count(), 0);
}

TEST_F(PageSinkTest, FinishedStageWaitsForTheUserOnlyWhenVisibleAndManual) {
  {
    ui::DownloadWindow hidden(context, &session);  // session never shown
    QSignalSpy done(&hidden, &ui::WizardPage::PageDone);
    std::thread([sink = hidden.Sink()] { sink->FinishStage(true, 1); }).join();
    ASSERT_TRUE(done.wait(1000));
    EXPECT_EQ(done.takeFirst().at(0).toInt(), 0);
  }
  ui::DownloadWindow shown(context, &session);
  session.show();
  QSignalSpy done(&shown, &ui::WizardPage::PageDone);
  std::thread([sink = shown.Sink()] { sink->FinishStage(true, 1); }).join();
  ASSERT_TRUE(uitest::WaitUntil([&] { return shown.Button(0)->text() == QStringLiteral("下一步(&N)"); }, 1000));
  EXPECT_EQ(done.count(), 0);
}

}  // namespace
