#include "client/ui/update_window.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "client/ui/color_edit.h"
#include "client/ui/qt_convert.h"
#include "client/ui/skin_label.h"

namespace ui {
namespace {

std::array<QString, 4> Texts() {
  return {QStringLiteral("更新过程"), QStringLiteral("更新应用程序文件..."),
          QStringLiteral("static3"), QStringLiteral("点击访问我们的网站")};
}

}  // namespace

UpdateWindow::UpdateWindow(PageContext& context, QWidget* parent)
    : StagePage(formats::kUpdatePage, context, Texts(), parent) {
  const formats::PageSkin& skin = Skin();
  details_ = AddDetailsBox(skin.richEdit);
  AddBar(0, kIdProgress0, skin.progress[0]);
  status_ = AddStatusLine(kIdStatus0, skin.status[0]);
  SetStatusLine(status_);
  ApplySkin();

  // An installation once started cannot be cancelled: no closing the
  // session window while this page is up.
  if (context.setSessionClosable) context.setSessionClosable(false);
  details_->SetBackground(ToQColor(kDetailsBackground));
  PostToSelf(context.runMode == session::RunMode::Preview ? session::kMsgPreview : session::kMsgBeginUpdate);
}

void UpdateWindow::ApplyButtonSkins() {
  QPushButton* finish = Button(1);
  finish->setEnabled(false);
  const formats::SkinRect& r = Skin().buttons[1].rect;
  if (!r.IsEmpty()) finish->setGeometry(ToQRect(r));
}

int UpdateWindow::DetailsScrollLines(int lineCount, int) const { return lineCount; }

void UpdateWindow::HandleMessage(int message, int wParam) {
  switch (message) {
    case session::kMsgPreview:
      RunPreview();
      break;
    case session::kMsgBeginUpdate:
      BeginStage();
      break;
    case session::kMsgStageEnd:
      StageEnd(wParam);
      break;
    default:
      break;
  }
}

void UpdateWindow::RunPreview() {
  QProgressBar* bar = Bar(0);
  bar->setRange(0, 10);
  bar->setValue(0);
  previewTimer_ = new QTimer(this);
  connect(previewTimer_, &QTimer::timeout, this, [this, bar] {
    if (bar->value() < 10) {
      bar->setValue(bar->value() + 1);
      return;
    }
    previewTimer_->stop();
    EnableFinish(1);
  });
  previewTimer_->start(PreviewStepMs());
}

void UpdateWindow::EnableFinish(int updateSucceeded) {
  updateSucceeded_ = updateSucceeded;
  Button(1)->setText(QStringLiteral("完成(&O)"));
  Button(1)->setEnabled(true);
}

void UpdateWindow::OnCancel() {
  // 1020 is the finish button here; while it is disabled (the stage is
  // still running) neither the button nor the tray's exit item may end the
  // installation half way.
  if (!Button(1)->isEnabled()) return;
  PostStageEnd(updateSucceeded_);
}

void UpdateWindow::EndPreview(int) { PostPageDone(0); }

}  // namespace ui
