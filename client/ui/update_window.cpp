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
    : WizardPage(formats::kUpdatePage, context, Texts(), parent) {
  const formats::PageSkin& skin = Skin();
  details_ = new ColorEdit(this);
  details_->setObjectName(QString::number(kIdDetails));
  AddExtra(details_, skin.richEdit);
  bar_ = new QProgressBar(this);
  bar_->setObjectName(QString::number(kIdProgress0));
  bar_->setTextVisible(false);
  bar_->setValue(0);
  AddExtra(bar_, skin.progress[0]);
  status_ = new SkinLabel(QString(), this);
  status_->setObjectName(QString::number(kIdStatus0));
  status_->SetTransparent(true);
  AddExtra(status_, skin.status[0]);
  SetStatusLine(status_);
  SetDetailsBox(details_);
  ApplySkin();

  // An installation once started cannot be cancelled: no closing the
  // session window while this page is up.
  if (context.setSessionClosable) context.setSessionClosable(false);
  details_->SetBackground(ToQColor(kDetailsBackground));
  PostToSelf(context.runMode == kRunPreview ? kMsgPreview : kMsgBeginUpdate);
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
    case kMsgPreview:
      RunPreview();
      break;
    case kMsgBeginUpdate:
      if (onBeginUpdate) onBeginUpdate(*this);
      break;
    case kMsgStageEnd:
      StageEnd(wParam);
      break;
    default:
      break;
  }
}

void UpdateWindow::RunPreview() {
  bar_->setRange(0, 10);
  bar_->setValue(0);
  previewTimer_ = new QTimer(this);
  connect(previewTimer_, &QTimer::timeout, this, [this] {
    if (bar_->value() < 10) {
      bar_->setValue(bar_->value() + 1);
      return;
    }
    previewTimer_->stop();
    EnableFinish(1);
  });
  previewTimer_->start(previewStepMs_);
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

void UpdateWindow::StageEnd(int wParam) {
  if (stageEnded_) return;
  stageEnded_ = true;
  if (Context().runMode == kRunPreview) {
    PostPageDone(0);
    return;
  }
  if (onStageEnd) {
    onStageEnd(*this, wParam);
    return;
  }
  PostPageDone(wParam ? 0 : 1);
}

}  // namespace ui
