#include "client/ui/message_box_prompter.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "common/gbk.h"
#include "tests/client/ui/qt_test_app.h"

namespace ui {
namespace {

// Looks at the box once it is up, then lets `act` answer or close it.
session::BoxAnswer ShowAndAct(const session::BoxRequest& request,
                              const std::function<void(QMessageBox&)>& act) {
  uitest::App();
  bool seen = false;
  std::function<void()> poll = [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) {
      QTimer::singleShot(20, poll);
      return;
    }
    seen = true;
    act(*box);
  };
  QTimer::singleShot(20, poll);
  MessageBoxPrompter prompter;
  session::BoxAnswer answer = prompter.Show(request);
  EXPECT_TRUE(seen);
  return answer;
}

QAbstractButton* ButtonWithText(QMessageBox& box, const char* utf8) {
  for (QAbstractButton* b : box.buttons()) {
    if (b->text() == QString::fromUtf8(utf8)) return b;
  }
  return nullptr;
}

TEST(MessageBoxPrompter, ShowsGbkTextsWithChineseButtonsAndReportsTheClickedOne) {
  session::BoxRequest request;
  request.caption = common::Utf8ToGbk("信息提示");
  request.text = common::Utf8ToGbk("发现新版本，现在升级吗？");
  request.buttons = session::BoxButtons::YesNo;
  request.icon = session::BoxIcon::Question;
  QString title, text;
  bool topmost = false;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  auto answer = ShowAndAct(request, [&](QMessageBox& box) {
    title = box.windowTitle();
    text = box.text();
    icon = box.icon();
    topmost = box.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    ASSERT_EQ(box.buttons().size(), 2);
    ASSERT_NE(ButtonWithText(box, "是(&Y)"), nullptr);
    ButtonWithText(box, "否(&N)")->click();
  });
  EXPECT_EQ(answer, session::BoxAnswer::No);
  EXPECT_EQ(title, QString::fromUtf8("信息提示"));
  EXPECT_EQ(text, QString::fromUtf8("发现新版本，现在升级吗？"));
  EXPECT_EQ(icon, QMessageBox::Question);
  EXPECT_TRUE(topmost);
}

TEST(MessageBoxPrompter, TextLookingLikeHtmlIsShownAsWritten) {
  session::BoxRequest request;
  request.caption = "upgrade";
  request.text = "<h1 style='color:red'>Update</h1><img src='/etc/x.png'><a href='http://h/'>here</a>";
  Qt::TextFormat format = Qt::AutoText;
  QString shown;
  ShowAndAct(request, [&](QMessageBox& box) {
    format = box.textFormat();
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
      shown = label->text();
      format = label->textFormat();
    }
    box.buttons().front()->click();
  });
  EXPECT_EQ(format, Qt::PlainText);
  EXPECT_EQ(shown, QString::fromUtf8(request.text.c_str()));
}

TEST(MessageBoxPrompter, ClosingTheBoxAnswersItsLastButton) {
  session::BoxRequest retry;
  retry.caption = "upgrade";
  retry.text = "x";
  retry.buttons = session::BoxButtons::RetryCancel;
  retry.icon = session::BoxIcon::Warning;
  EXPECT_EQ(ShowAndAct(retry, [](QMessageBox& box) { box.reject(); }), session::BoxAnswer::Cancel);
  EXPECT_EQ(ShowAndAct(retry, [](QMessageBox& box) { ButtonWithText(box, "重试(&R)")->click(); }),
            session::BoxAnswer::Retry);

  session::BoxRequest ok;
  ok.caption = "upgrade";
  ok.text = common::Utf8ToGbk("错误：pre配置解析错误！");
  ok.topmost = false;
  bool topmost = true;
  EXPECT_EQ(ShowAndAct(ok,
                       [&](QMessageBox& box) {
                         topmost = box.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
                         box.close();
                       }),
            session::BoxAnswer::Ok);
  EXPECT_FALSE(topmost);
}

QStringList Captions(QMessageBox& box) {
  QStringList texts;
  for (QAbstractButton* b : box.buttons()) texts << b->text();
  texts.sort();
  return texts;
}

TEST(MessageBoxPrompter, EveryButtonSetSpeaksChineseAndADismissedBoxIsNotAccepted) {
  session::BoxRequest request;
  request.caption = common::Gbk("信息提示");
  request.text = common::Gbk("你想取消这次升级吗？");
  request.icon = session::BoxIcon::Question;
  request.buttons = session::BoxButtons::YesNo;
  QStringList captions;
  EXPECT_TRUE(session::IsAccepted(ShowAndAct(request, [&](QMessageBox& box) {
    captions = Captions(box);
    ButtonWithText(box, "是(&Y)")->click();
  })));
  QStringList yesNo = {QStringLiteral("是(&Y)"), QStringLiteral("否(&N)")};
  yesNo.sort();
  EXPECT_EQ(captions, yesNo);
  // Escape or the title bar's close button is No: the update goes on.
  EXPECT_FALSE(session::IsAccepted(ShowAndAct(request, [](QMessageBox& box) { box.reject(); })));

  request.icon = session::BoxIcon::Warning;
  request.buttons = session::BoxButtons::RetryCancel;
  ShowAndAct(request, [&](QMessageBox& box) {
    captions = Captions(box);
    box.reject();
  });
  QStringList retryCancel = {QStringLiteral("重试(&R)"), QStringLiteral("取消")};
  retryCancel.sort();
  EXPECT_EQ(captions, retryCancel);

  request.icon = session::BoxIcon::Information;
  request.buttons = session::BoxButtons::Ok;
  EXPECT_TRUE(session::IsAccepted(ShowAndAct(request, [&](QMessageBox& box) {
    captions = Captions(box);
    ButtonWithText(box, "确定")->click();
  })));
  EXPECT_EQ(captions, QStringList{QStringLiteral("确定")});
}

}  // namespace
}  // namespace ui
