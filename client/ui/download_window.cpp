#include "client/ui/download_window.h"

#include <QProgressBar>
#include <QPushButton>
#include <QStyle>

#include "client/ui/color_edit.h"
#include "client/ui/item_list_ctrl.h"
#include "client/ui/page_sink.h"
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

DownloadWindow::DownloadWindow(PageContext& context, QWidget* parent)
    : StagePage(formats::kDownloadPage, context, Texts(), parent) {
  SetButton0(MakeButton(kIdPause, kPauseText, QRect(247, 358, 82, 29)));
  connect(Button(0), &QPushButton::clicked, this, [this] { HandleCommand(kIdPause); });

  const formats::PageSkin& skin = Skin();
  list_ = new ItemListCtrl(this);
  list_->setObjectName(QString::number(kIdList));
  AddExtra(list_, skin.list);
  SetList(list_);
  details_ = AddDetailsBox(skin.richEdit);
  const int barIds[2] = {kIdProgress0, kIdProgress1};
  const int statusIds[2] = {kIdStatus0, kIdStatus1};
  for (int n = 0; n < 2; ++n) {
    AddBar(n, barIds[n], skin.progress[n]);
    status_[n] = AddStatusLine(statusIds[n], skin.status[n]);
  }
  SetStatusLine(status_[0]);
  SetTransferStatusLine(status_[1]);
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

  if (context.runMode == session::RunMode::Preview) {
    PostToSelf(session::kMsgPreview);
  } else {
    PostToSelf(context.selfUpdate ? session::kMsgBeginSelfUpdate : session::kMsgBeginWork);
  }
}

void DownloadWindow::HandleMessage(int message, int wParam) {
  switch (message) {
    case session::kMsgBeginWork:
    case session::kMsgBeginSelfUpdate:
      BeginStage();
      break;
    case session::kMsgPreview:
      StartDownloadPreview(Sink(), Control(), PreviewStepMs());
      break;
    case session::kMsgStageEnd:
      StageEnd(wParam);
      break;
    default:
      break;
  }
}

void DownloadWindow::EndPreview(int wParam) {
  if (Context().tray) Context().tray->StopAnimation();
  PostPageDone(wParam ? 0 : 1);
}

void DownloadWindow::StopWork() {
  StagePage::StopWork();
  if (Context().tray) Context().tray->StopAnimation();
}

void DownloadWindow::OnButton0() {
  const auto& control = Control();
  if (control->IsFinished()) {
    PostStageEnd(1);
    return;
  }
  if (control->IsPaused()) {
    control->SetPaused(false);
    Button(0)->setText(kPauseText);
    control->SignalResume();
  } else {
    control->SetPaused(true);
    Button(0)->setText(kResumeText);
  }
}

void DownloadWindow::OnCancel() {
  const auto& control = Control();
  const bool wasPaused = control->IsPaused();
  control->SetPaused(true);
  if (!ConfirmCancel()) {
    control->SetPaused(wasPaused);
    if (!wasPaused) control->SignalResume();
    return;
  }
  control->SetUserCancelled();
  PostStageEnd(0);
}

void DownloadWindow::ShowFinishButton(int) { Button(0)->setText(kNextText); }

}  // namespace ui
