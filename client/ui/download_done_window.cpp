#include "client/ui/download_done_window.h"

#include <QPushButton>

#include "client/session/host_messages.h"
#include "client/ui/qt_convert.h"

namespace ui {
namespace {

std::array<QString, 4> Texts() {
  return {QStringLiteral("下载完成"), QStringLiteral("所有的更新文件都已经在您的系统上准备好了。"),
          QStringLiteral("如果相关的主程序仍在运行，请您先把它关闭。"
                         "然后，点击[下一步(N)]完成最后的更新工作。"),
          QStringLiteral("点击访问我们的网站")};
}

}  // namespace

DownloadDoneWindow::DownloadDoneWindow(PageContext& context, QWidget* parent)
    : WizardPage(formats::kDownloadDonePage, context, Texts(), parent) {
  SetButton0(MakeButton(kIdNext, QStringLiteral("下一步(&N)"), QRect(247, 358, 82, 29)));
  connect(Button(0), &QPushButton::clicked, this, [this] { HandleCommand(kIdNext); });
  ApplySkin();
  if (context.runMode != session::RunMode::Preview) PostToSelf(session::kMsgBeginWork);
}

void DownloadDoneWindow::HandleMessage(int message, int) {
  if (message != session::kMsgBeginWork) return;
  PageContext& ctx = Context();
  if (ctx.ShowType() != session::kShowNormal) {
    PostPageDone(0);
    return;
  }
  if (!isVisible()) {
    if (ctx.showSessionWindow) {
      ctx.showSessionWindow();
    } else if (QWidget* top = window(); top != this) {
      top->show();
      top->update();
      top->raise();
      top->activateWindow();
    }
  }
}

void DownloadDoneWindow::OnButton0() { PostPageDone(0); }

void DownloadDoneWindow::OnCancel() {
  if (!ConfirmCancel()) return;
  if (Context().runMode != session::RunMode::Preview) Context().ReportOutcome(session::kOutcomeCancelAfterDownload);
  PostPageDone(1);
}

}  // namespace ui
