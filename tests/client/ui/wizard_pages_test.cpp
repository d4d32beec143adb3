#include <gtest/gtest.h>

#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <deque>

#include "client/ui/color_edit.h"
#include "client/ui/download_done_window.h"
#include "client/ui/download_window.h"
#include "client/ui/item_list_ctrl.h"
#include "client/ui/page_sink.h"
#include "client/ui/qt_convert.h"
#include "client/ui/skin_label.h"
#include "client/ui/start_window.h"
#include "client/ui/update_window.h"
#include "common/gbk.h"
#include "formats/default_skin.h"
#include "tests/client/ui/qt_test_app.h"
#include "tests/client/ui/test_prompter.h"
#include "tests/client/ui/test_stages.h"

namespace {

// A run as the pages see it: a skin, scripted message box answers, a log.
class PageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    skin = formats::DefaultSkin();
    context.skin = &skin;
    context.showType = [this] { return showType; };
    context.log = [this](std::string_view line) { log.emplace_back(line); };
    context.prompter = &prompter;
    session.resize(formats::kDefaultPageWidth, formats::kDefaultPageHeight);
  }

  static QImage Solid(int w, int h, QColor colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
  }

  QImage Grab(QWidget& page) {
    QApplication::processEvents();
    return page.grab().toImage();
  }

  formats::SkinDescription skin;
  ui::PageContext context;
  int showType = session::kShowNormal;
  std::vector<std::string> log;
  uitest::TestPrompter prompter;
  std::vector<session::BoxRequest>& boxes = prompter.boxes;
  std::deque<bool>& answers = prompter.answers;
  QWidget session;  // stands in for the session window
};

TEST_F(PageTest, BackgroundIsThePageColourWithRedInTheLowByte) {
  skin.pages[2].clrbk = 255;  // pure red
  skin.pages[2].images[0].bmpfile.clear();
  skin.pages[2].images[1].bmpfile.clear();
  ui::DownloadDoneWindow page(context, &session);
  const QImage image = Grab(page);
  EXPECT_EQ(page.size(), QSize(formats::kDefaultPageWidth, formats::kDefaultPageHeight));
  EXPECT_EQ(image.pixelColor(300, 250), QColor(255, 0, 0));
  skin.pages[2].clrbk = 16711680;  // pure blue
  EXPECT_EQ(Grab(page).pixelColor(300, 250), QColor(0, 0, 255));
}

TEST_F(PageTest, PicturesDrawOnlyWhenShownAndLeaveWhiteTransparent) {
  // Picture 0: left half white, right half blue, stretched from 10 x 10.
  QImage banner = Solid(10, 10, QColor(0, 0, 255));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 5; ++x) banner.setPixelColor(x, y, Qt::white);
  context.loadPicture = [&](const std::string& name) -> QImage {
    if (name == "res\\top.bmp") return banner;
    if (name == "res\\bottom.bmp") return Solid(436, 45, QColor(0, 200, 0));
    return {};
  };
  skin.pages[2].clrbk = 255;
  skin.pages[2].images[1].show = 0;
  ui::DownloadDoneWindow page(context, &session);
  QImage image = Grab(page);
  EXPECT_EQ(image.pixelColor(100, 30), QColor(255, 0, 0));   // white: page shows
  EXPECT_EQ(image.pixelColor(330, 30), QColor(0, 0, 255));   // blue drawn, stretched
  EXPECT_EQ(image.pixelColor(150, 390), QColor(255, 0, 0));  // show=0: not drawn
  EXPECT_EQ(page.Picture(0).size(), QSize(436, 60));

  skin.pages[2].images[1].show = 1;
  image = Grab(page);
  EXPECT_EQ(image.pixelColor(150, 390), QColor(0, 200, 0));
}

TEST_F(PageTest, SkinShowsHidesAndPlacesControls) {
  skin.pages[0].labels[2].show = 0;
  skin.pages[0].labels[1].rect = {};  // empty: keeps template place and text
  skin.pages[0].labels[1].text = common::Utf8ToGbk("不用");
  skin.pages[0].buttons[1].rect = {};
  skin.pages[0].buttons[1].text.clear();
  ui::StartWindow page(context, &session);
  session.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&session));
  EXPECT_FALSE(page.Label(2)->isVisible());
  EXPECT_TRUE(page.Label(0)->isVisible());
  EXPECT_TRUE(page.Label(3)->isVisible());
  EXPECT_EQ(page.Label(1)->Text(), QStringLiteral("发现有新版本的文件存在"));
  EXPECT_EQ(page.Label(0)->Text(), QStringLiteral("自动更新程序向导"));
  EXPECT_EQ(page.Label(0)->geometry(), QRect(12, 10, 159, 18));
  EXPECT_TRUE(page.Label(3)->HasLinkFonts());
  EXPECT_EQ(page.Button(1)->size(), QSize(0, 0));
  EXPECT_EQ(page.Button(1)->text(), QString());
  EXPECT_EQ(page.Button(0)->geometry(), QRect(247, 358, 82, 29));
  EXPECT_EQ(page.findChild<QWidget*>(QStringLiteral("1015"))->geometry(),
            QRect(37, 106, 383, 153));
  // Three equal centred columns.
  ui::ItemListCtrl* list = page.List();
  EXPECT_EQ(list->columnWidth(0), 383 / 3);
  EXPECT_EQ(list->columnWidth(2), 383 / 3);
}

TEST_F(PageTest, UpdatePageKeepsItsButtonUnlessTheSkinPlacesIt) {
  skin.pages[3].buttons[1].rect = {};
  ui::UpdateWindow page(context, &session);
  EXPECT_EQ(page.Button(0), nullptr);
  EXPECT_EQ(page.Button(1)->text(), QStringLiteral("取消(&X)"));
  EXPECT_FALSE(page.Button(1)->isEnabled());
  EXPECT_EQ(page.Button(1)->geometry(), QRect(341, 358, 82, 29));  // template place
  skin.pages[3].buttons[1].rect = {10, 10, 60, 40};
  ui::UpdateWindow placed(context, &session);
  EXPECT_EQ(placed.Button(1)->geometry(), QRect(10, 10, 50, 30));
}

TEST_F(PageTest, StartWindowListsNewItems) {
  context.newItems = {{false, "app.exe", "", "1.1.0", common::Utf8ToGbk("主程序")},
                      {true, "", "ftp://host/pub/plugins", "2.0", "dir"},
                      {true, "", "http://host/files/", "3.0", ""}};
  ui::StartWindow page(context, &session);
  QSignalSpy done(&page, &ui::WizardPage::PageDone);
  session.show();
  QApplication::processEvents();
  ui::ItemListCtrl* list = page.List();
  ASSERT_EQ(list->rowCount(), 3);
  EXPECT_EQ(list->CellText(0, 0), QStringLiteral("app.exe"));
  EXPECT_EQ(list->CellText(0, 1), QStringLiteral("1.1.0"));
  EXPECT_EQ(list->CellText(0, 2), QStringLiteral("主程序"));
  EXPECT_EQ(list->CellText(1, 0), QStringLiteral("<plugins>"));
  EXPECT_EQ(list->CellText(2, 0), QStringLiteral("<>"));
  EXPECT_EQ(done.count(), 0);  // visible: waits for Next
  QTest::mouseClick(page.Button(0), Qt::LeftButton);
  ASSERT_TRUE(done.wait(1000));
  EXPECT_EQ(done.takeFirst().at(0).toInt(), 0);
}

TEST_F(PageTest, HiddenStartWindowPassesOnAtOnce) {
  context.newItems = {{false, "a", "", "1", ""}};
  ui::StartWindow page(context, &session);  // session window never shown
  QSignalSpy done(&page, &ui::WizardPage::PageDone);
  ASSERT_TRUE(done.wait(1000));
  EXPECT_EQ(done.takeFirst().at(0).toInt(), 0);
  EXPECT_EQ(page.List()->rowCount(), 1);
}

TEST_F(PageTest, CancelAnsweredNoDoesNothingYesStopsTheUpdate) {
  context.runMode = session::RunMode::Preview;
  ui::StartWindow page(context, &session);
  QSignalSpy done(&page, &ui::WizardPage::PageDone);
  session.show();
  answers = {false};
  QTest::mouseClick(page.Button(1), Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_EQ(done.count(), 0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(common::GbkToUtf8(boxes[0].caption), "信息提示");
  EXPECT_EQ(prompter.Text(0), "你想取消这次升级吗？");
  EXPECT_EQ(boxes[0].buttons, session::BoxButtons::YesNo);
  EXPECT_EQ(boxes[0].icon, session::BoxIcon::Question);

  answers = {true};
  page.HandleCommand(ui::kIdCancel);  // as the tray's exit item sends it
  ASSERT_TRUE(done.wait(1000));
  EXPECT_EQ(done.takeFirst().at(0).toInt(), 1);
  EXPECT_TRUE(log.empty());  // preview: no log line
}

TEST_F(PageTest, NoticeAndAskRetryFollowTheShowType) {
  ui::DownloadDoneWindow page(context, &session);
  page.Notice(common::Gbk("出错了"));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(prompter.Text(0), "\n出错了\n");
  EXPECT_EQ(boxes[0].icon, session::BoxIcon::Information);
  answers = {true};
  showType = session::kShowSemiSilent;
  EXPECT_TRUE(page.AskRetry("x"));
  EXPECT_EQ(boxes.back().buttons, session::BoxButtons::RetryCancel);
  showType = session::kShowSilent;
  answers = {true};
  page.Notice("y");
  EXPECT_FALSE(page.AskRetry("z"));
  EXPECT_EQ(boxes.size(), 2u);
  // Confirming a cancel is asked even when silent.
  EXPECT_TRUE(page.ConfirmCancel());
  EXPECT_EQ(boxes.size(), 3u);
}

TEST_F(PageTest, DownloadDoneWindowPassesStraightOnInQuietSessions) {
  for (int type : {session::kShowSemiSilent, session::kShowSilent}) {
    showType = type;
    ui::DownloadDoneWindow page(context, &session);
    session.show();
    QSignalSpy done(&page, &ui::WizardPage::PageDone);
    ASSERT_TRUE(done.wait(1000)) << type;
    EXPECT_EQ(done.takeFirst().at(0).toInt(), 0);
  }
  showType = session::kShowNormal;
  ui::DownloadDoneWindow waits(context, &session);
  QSignalSpy done(&waits, &ui::WizardPage::PageDone);
  EXPECT_FALSE(done.wait(200));
}

TEST_F(PageTest, DownloadDoneWindowBringsTheHiddenSessionWindowBack) {
  int shown = 0;
  context.showSessionWindow = [&] { ++shown; };
  ui::DownloadDoneWindow page(context, &session);  // session hidden in the tray
  QApplication::processEvents();
  EXPECT_EQ(shown, 1);
}

TEST_F(PageTest, DownloadListColumnsAndDetailsBox) {
  skin.pages[1].list = {1, {0, 100, 200, 200}};
  skin.pages[1].richEdit = {1, {0, 210, 300, 290}};
  ui::DownloadWindow page(context, &session);
  ui::ItemListCtrl* list = page.List();
  int widths[3];
  ui::DownloadColumnWidths(200, page.style()->pixelMetric(QStyle::PM_ScrollBarExtent), widths);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(list->columnWidth(c), widths[c]);
  EXPECT_EQ(page.DetailsBox()->Background(), QColor(250, 250, 250));
  EXPECT_EQ(list->horizontalHeaderItem(1)->text(), QStringLiteral("进度"));
}

// Rows come from the worker's sink, as in a run: each shows an unticked box
// and an empty bar from the start. Once the finished rows exceed the list's
// height in rows less three, each further one scrolls the list by a row.
TEST_F(PageTest, DownloadRowsStartUntickedWithABarAndTheListFollowsFinishedRows) {
  skin.pages[1].list = {1, {0, 100, 200, 220}};  // six rows high: scrolling starts after the third
  ui::DownloadWindow page(context, &session);
  session.show();
  ui::ItemListCtrl* list = page.List();
  for (int i = 0; i < 10; ++i) page.Sink()->AddRow(common::Gbk("文件") + std::to_string(i));
  QApplication::processEvents();
  ASSERT_EQ(list->rowCount(), 10);
  for (int r = 0; r < 10; ++r) {
    EXPECT_EQ(list->item(r, 0)->data(Qt::CheckStateRole), QVariant(Qt::Unchecked)) << r;
    EXPECT_EQ(list->Progress(r, 1), 0) << r;
  }
  QScrollBar* bar = list->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 2);
  const int step = list->verticalScrollMode() == QAbstractItemView::ScrollPerItem ? 1 : ui::kListRowHeight;
  for (int r = 0; r < 10; ++r) {
    page.Sink()->CheckRow(r);
    QApplication::processEvents();
    EXPECT_TRUE(list->IsChecked(r));
    EXPECT_EQ(bar->value(), std::min(std::max(0, r + 1 - 3) * step, bar->maximum())) << r;
  }
}

TEST_F(PageTest, AddMessageLogsSetsStatusAndKeepsTheLastLineVisible) {
  skin.pages[1].richEdit = {1, {37, 106, 420, 186}};  // 80 pixels: four lines
  skin.pages[1].status[0] = {1, {37, 90, 420, 104}};
  ui::DownloadWindow page(context, &session);
  session.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&session));
  for (int i = 0; i < 30; ++i) {
    page.AddMessage(common::Utf8ToGbk("第" + std::to_string(i) + "行"));
  }
  QApplication::processEvents();
  ASSERT_EQ(log.size(), 30u);
  EXPECT_EQ(log.back(), common::Utf8ToGbk("第29行"));
  EXPECT_EQ(page.StatusLine(0)->Text(), QStringLiteral("第29行"));
  ui::ColorEdit* box = page.DetailsBox();
  EXPECT_EQ(box->LineCount(), 31);  // 30 lines and the empty one after the last line end
  EXPECT_GE(box->LastVisibleLine(), 29);
  EXPECT_GT(box->FirstVisibleLine(), 0);

  // The update page scrolls by the whole count: its last line shows too.
  skin.pages[3].richEdit = {1, {37, 106, 420, 186}};
  ui::UpdateWindow update(context, &session);
  update.show();
  for (int i = 0; i < 30; ++i) update.AddMessage(std::to_string(i));
  QApplication::processEvents();
  EXPECT_GE(update.DetailsBox()->LastVisibleLine(), 29);
}

TEST_F(PageTest, PauseAndCancelWhilePausedAnsweredNoStaysPaused) {
  ui::DownloadWindow page(context, &session);
  QSignalSpy done(&page, &ui::WizardPage::PageDone);
  auto control = page.Control();
  QPushButton* pause = page.Button(0);
  EXPECT_EQ(pause->objectName(), QStringLiteral("1018"));
  QTest::mouseClick(pause, Qt::LeftButton);
  EXPECT_TRUE(control->IsPaused());
  EXPECT_EQ(pause->text(), QStringLiteral("继续(&C)"));

  answers = {false};
  page.HandleCommand(ui::kIdCancel);
  EXPECT_TRUE(control->IsPaused());
  EXPECT_FALSE(control->IsUserCancelled());
  EXPECT_EQ(pause->text(), QStringLiteral("继续(&C)"));

  QTest::mouseClick(pause, Qt::LeftButton);
  EXPECT_FALSE(control->IsPaused());
  EXPECT_EQ(pause->text(), QStringLiteral("暂停(&P)"));
  // Cancel answered No on a running download lets it run on.
  answers = {false};
  page.HandleCommand(ui::kIdCancel);
  EXPECT_FALSE(control->IsPaused());

  uitest::EndingStage stage;
  page.SetStage(&stage);
  answers = {true};
  page.HandleCommand(ui::kIdCancel);
  EXPECT_TRUE(control->IsUserCancelled());
  ASSERT_TRUE(done.wait(1000));
  EXPECT_EQ(stage.ended, 0);
  EXPECT_EQ(done.takeFirst().at(0).toInt(), 1);
  // The page's own part of the stage end: the worker stops and stays held.
  EXPECT_TRUE(control->IsStopRequested());
  EXPECT_TRUE(control->IsPaused());
}

TEST_F(PageTest, PauseHoldsTheWorkerAtItsGate) {
  ui::TransferStageControl control;
  control.SetPaused(true);
  EXPECT_TRUE(control.Context()->paused.load());  // the engine sees the page's pause
  std::atomic<bool> passed{false};
  std::thread worker([&] {
    control.WaitWhilePaused();
    passed = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(passed);
  control.SetPaused(false);
  control.SignalResume();
  worker.join();
  EXPECT_TRUE(passed);
}

TEST_F(PageTest, DownloadPreviewStepsToTheEndAndNextGoesOn) {
  context.runMode = session::RunMode::Preview;
  ui::DownloadWindow page(context, &session);
  page.SetPreviewStepMs(5);
  QSignalSpy done(&page, &ui::WizardPage::PageDone);
  session.show();
  ASSERT_TRUE(uitest::WaitUntil([&] { return page.Button(0)->text() == QStringLiteral("下一步(&N)"); }, 3000));
  EXPECT_TRUE(page.Control()->IsFinished());
  ASSERT_EQ(page.List()->rowCount(), 1);
  EXPECT_EQ(page.List()->CellText(0, 0), QStringLiteral("示例文件"));
  EXPECT_EQ(page.List()->Progress(0, 1), 100);
  EXPECT_EQ(page.Bar(0)->maximum(), 10);
  EXPECT_EQ(page.Bar(1)->value(), 10);
  EXPECT_EQ(done.count(), 0);  // waits for Next
  QTest::mouseClick(page.Button(0), Qt::LeftButton);
  ASSERT_TRUE(done.wait(1000));
  EXPECT_EQ(done.takeFirst().at(0).toInt(), 0);
}

TEST_F(PageTest, PausedPreviewDoesNotAdvance) {
  context.runMode = session::RunMode::Preview;
  ui::DownloadWindow page(context, &session);
  page.SetPreviewStepMs(5);
  QTest::mouseClick(page.Button(0), Qt::LeftButton);  // paused before it starts
  QTest::qWait(150);
  EXPECT_LE(page.Bar(0)->value(), 1);
  EXPECT_FALSE(page.Control()->IsFinished());
  QTest::mouseClick(page.Button(0), Qt::LeftButton);
  ASSERT_TRUE(uitest::WaitUntil([&] { return page.Control()->IsFinished(); }, 3000));
}

TEST_F(PageTest, InstallationCannotBeEndedWhileItsButtonIsDisabled) {
  ui::UpdateWindow page(context, &session);
  QSignalSpy done(&page, &ui::WizardPage::PageDone);
  uitest::EndingStage stage;
  page.SetStage(&stage);
  page.HandleCommand(ui::kIdCancel);  // the tray's exit item mid-installation
  QApplication::processEvents();
  EXPECT_EQ(stage.ended, -1);
  page.EnableFinish(1);
  page.HandleCommand(ui::kIdCancel);
  ASSERT_TRUE(done.wait(1000));
  EXPECT_EQ(stage.ended, 1);
  EXPECT_EQ(stage.ends, 1);
  EXPECT_EQ(done.takeFirst().at(0).toInt(), 0);
}

TEST_F(PageTest, UpdatePreviewEnablesTheFinishButton) {
  context.runMode = session::RunMode::Preview;
  bool closable = true;
  context.setSessionClosable = [&](bool on) { closable = on; };
  ui::UpdateWindow page(context, &session);
  page.SetPreviewStepMs(5);
  QSignalSpy done(&page, &ui::WizardPage::PageDone);
  EXPECT_FALSE(closable);
  ASSERT_TRUE(uitest::WaitUntil([&] { return page.Button(1)->isEnabled(); }, 3000));
  EXPECT_EQ(page.Button(1)->text(), QStringLiteral("完成(&O)"));
  EXPECT_EQ(page.Bar()->value(), 10);
  QTest::mouseClick(page.Button(1), Qt::LeftButton);
  ASSERT_TRUE(done.wait(1000));
  EXPECT_EQ(done.takeFirst().at(0).toInt(), 0);
}

}  // namespace
