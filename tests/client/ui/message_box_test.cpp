#include "client/ui/message_box_prompter.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "common/gbk.h"
#include "tests/client/ui/qt_test_app.h"

namespace {

// Shows the real box (the one pages use when the run hands no prompter)
// and lets `act` look at it and answer once it is up.
bool ShowAndAct(const session::BoxRequest& request,
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
  const bool answer = session::IsAccepted(ui::MessageBoxPrompter().Show(request));
  EXPECT_TRUE(seen);
  return answer;
}

QStringList Captions(QMessageBox& box) {
  QStringList texts;
  for (QAbstractButton* b : box.buttons()) texts << b->text();
  texts.sort();
  return texts;
}

QAbstractButton* Button(QMessageBox& box, const char* utf8) {
  for (QAbstractButton* b : box.buttons()) {
    if (b->text() == QString::fromUtf8(utf8)) return b;
  }
  return nullptr;
}

TEST(PageMessageBox, ButtonsSpeakChineseAndADismissedBoxChangesNothing) {
  session::BoxRequest request;
  request.caption = common::Gbk("信息提示");
  request.text = common::Gbk("你想取消这次升级吗？");
  request.icon = session::BoxIcon::Question;
  request.buttons = session::BoxButtons::YesNo;
  QStringList captions;
  QString title;
  EXPECT_TRUE(ShowAndAct(request, [&](QMessageBox& box) {
    captions = Captions(box);
    title = box.windowTitle();
    Button(box, "是(&Y)")->click();
  }));
  QStringList yesNo = {QStringLiteral("是(&Y)"), QStringLiteral("否(&N)")};
  yesNo.sort();
  EXPECT_EQ(captions, yesNo);
  EXPECT_EQ(title, QStringLiteral("信息提示"));
  // Escape or the title bar's close button is No: the update goes on.
  EXPECT_FALSE(ShowAndAct(request, [](QMessageBox& box) { box.reject(); }));

  request.icon = session::BoxIcon::Warning;
  request.buttons = session::BoxButtons::RetryCancel;
  EXPECT_TRUE(ShowAndAct(request, [&](QMessageBox& box) {
    captions = Captions(box);
    Button(box, "重试(&R)")->click();
  }));
  QStringList retryCancel = {QStringLiteral("重试(&R)"), QStringLiteral("取消")};
  retryCancel.sort();
  EXPECT_EQ(captions, retryCancel);
  EXPECT_FALSE(ShowAndAct(request, [](QMessageBox& box) { box.reject(); }));

  request.icon = session::BoxIcon::Information;
  request.buttons = session::BoxButtons::Ok;
  EXPECT_TRUE(ShowAndAct(request, [&](QMessageBox& box) {
    captions = Captions(box);
    Button(box, "确定")->click();
  }));
  EXPECT_EQ(captions, QStringList{QStringLiteral("确定")});
}

}  // namespace
