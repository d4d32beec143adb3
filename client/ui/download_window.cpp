#include "client/ui/download_window.h"

#include <QProgressBar>
#include <QPushButton>
#include <QStyle>

#include "client/ui/color_edit.h"
#include "client/ui/item_list_ctrl.h"
#include "client/ui/preview_worker.h"
#include "client/ui/qt_convert.h"
#include "client/ui/skin_label.h"
#include "client/ui/system_tray.h"

namespace ui {
namespace {

const QString kPauseText = QStringLiteral("暂停(&P)");
const QString kResumeText = QStringLiteral("继续(&C)");
const QString kNextText = QStringLiteral("下一步(&N)");

std::array<QString, 4> Texts() {
  return {QStringLiteral("下载文件"), QStringLiteral("下载更新文件，请稍候..."),
          QStringLiteral("static3"), QStringLiteral("点击访问我们的网站")};
}

}  // namespace

DownloadWindow::DownloadWindow(PageContext& context, QWidget* parent,
                               std::shared_ptr<StageControl> control)
    : WizardPage(formats::kDownloadPage, context, Texts(), parent), control_(std::move(control)) {
  if (!control_) control_ = std::make_shared<TransferStageControl>();
  SetButton0(MakeButton(kIdPause, kPauseText, QRect(247, 358, 82, 29)));
  connect(Button(0), &QPushButton::clicked, this, [this] { HandleCommand(kIdPause); });

  const formats::PageSkin& skin = Skin();
  list_ = new ItemListCtrl(this);
  list_->setObjectName(QString::number(kIdList));
  AddExtra(list_, skin.list);
  details_ = new ColorEdit(this);
  details_->setObjectName(QString::number(kIdDetails));
  AddExtra(details_, skin.richEdit);
  const int barIds[2] = {kIdProgress0, kIdProgress1};
  const int statusIds[2] = {kIdStatus0, kIdStatus1};
  for (int n = 0; n < 2; ++n) {
    bars_[n] = new QProgressBar(this);
    bars_[n]->setObjectName(QString::number(barIds[n]));
    bars_[n]->setTextVisible(false);
    bars_[n]->setRange(0, 100);
    bars_[n]->setValue(0);
    AddExtra(bars_[n], skin.progress[n]);
    status_[n] = new SkinLabel(QString(), this);
    status_[n]->setObjectName(QString::number(statusIds[n]));
    status_[n]->SetTransparent(true);
    AddExtra(status_[n], skin.status[n]);
  }
  SetStatusLine(status_[0]);
  SetDetailsBox(details_);
  ApplySkin();

  list_->SetColumns({QStringLiteral("文件（夹）"), QStringLiteral("进度"),
                     QStringLiteral("速度")});
  int widths[3];
  DownloadColumnWidths(list_->width(), style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr,
                                                            list_),
                       widths);
  for (int c = 0; c < 3; ++c) list_->setColumnWidth(c, widths[c]);
  details_->SetBackground(ToQColor(kDetailsBackground));
  if (context.tray) context.tray->Animate(150, -1);

  if (context.runMode == kRunPreview) {
    PostToSelf(kMsgPreview);
  } else {
    PostToSelf(context.selfUpdate ? kMsgBeginSelfUpdate : kMsgBeginWork);
  }
}

DownloadWindow::~DownloadWindow() {
  // A worker still running must not wait at the pause gate for a page that
  // is gone.
  control_->RequestStop();
}

void DownloadWindow::HandleMessage(int message, int wParam) {
  switch (message) {
    case kMsgBeginWork:
      if (onBeginStage) onBeginStage(*this);
      break;
    case kMsgBeginSelfUpdate:
      if (onBeginSelfUpdate) onBeginSelfUpdate(*this);
      break;
    case kMsgPreview:
      StartDownloadPreview(this, control_, previewStepMs_);
      break;
    case kMsgStageEnd:
      StageEnd(wParam);
      break;
    default:
      break;
  }
}

void DownloadWindow::StageEnd(int wParam) {
  if (stageEnded_) return;
  stageEnded_ = true;
  PageContext& ctx = Context();
  if (ctx.runMode == kRunPreview) {
    if (ctx.tray) ctx.tray->StopAnimation();
    PostPageDone(wParam ? 0 : 1);
    return;
  }
  if (onStageEnd) {
    onStageEnd(*this, wParam);
    return;
  }
  control_->SetPaused(true);
  control_->RequestStop();
  if (ctx.tray) ctx.tray->StopAnimation();
  PostPageDone(wParam ? 0 : 1);
}

void DownloadWindow::OnButton0() {
  if (control_->IsFinished()) {
    PostStageEnd(1);
    return;
  }
  if (control_->IsPaused()) {
    control_->SetPaused(false);
    Button(0)->setText(kPauseText);
    control_->SignalResume();
  } else {
    control_->SetPaused(true);
    Button(0)->setText(kResumeText);
  }
}

void DownloadWindow::OnCancel() {
  const bool wasPaused = control_->IsPaused();
  control_->SetPaused(true);
  if (!ConfirmCancel()) {
    control_->SetPaused(wasPaused);
    if (!wasPaused) control_->SignalResume();
    return;
  }
  control_->SetUserCancelled();
  PostStageEnd(0);
}

void DownloadWindow::PreviewBegin() {
  previewRow_ = list_->AddRow(QStringLiteral("示例文件"));
  for (QProgressBar* bar : bars_) {
    bar->setRange(0, 10);
    bar->setValue(0);
  }
}

void DownloadWindow::PreviewStep(int step) {
  for (QProgressBar* bar : bars_) bar->setValue(step);
  list_->SetProgress(previewRow_, 1, step * 10);
}

void DownloadWindow::PreviewFinished() { Button(0)->setText(kNextText); }

}  // namespace ui
