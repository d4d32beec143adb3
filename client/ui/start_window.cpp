#include "client/ui/start_window.h"

#include <QPushButton>

#include "client/session/host_messages.h"
#include "client/ui/item_list_ctrl.h"
#include "client/ui/qt_convert.h"

namespace ui {
namespace {

std::array<QString, 4> Texts() {
  return {QStringLiteral("自动更新程序向导"), QStringLiteral("发现有新版本的文件存在"),
          QStringLiteral("要更新程序到最新版本，请点击[下一步(N)]继续。"
                         "你可以在任意时刻点击[取消(X)]中止更新。"),
          QStringLiteral("点击访问我们的网站")};
}

}  // namespace

StartWindow::StartWindow(PageContext& context, QWidget* parent)
    : WizardPage(formats::kStartPage, context, Texts(), parent) {
  SetButton0(MakeButton(kIdNext, QStringLiteral("下一步(&N)"), QRect(247, 358, 82, 29)));
  connect(Button(0), &QPushButton::clicked, this, [this] { HandleCommand(kIdNext); });
  list_ = new ItemListCtrl(this);
  list_->setObjectName(QString::number(kIdList));
  list_->setGeometry(37, 106, 383, 153);
  AddExtra(list_, Skin().list);
  ApplySkin();

  list_->SetColumns({QStringLiteral("文件（夹）"), QStringLiteral("最新版本"),
                     QStringLiteral("描述")});
  const int third = list_->width() / 3;
  for (int c = 0; c < 3; ++c) list_->setColumnWidth(c, third);
  if (context.runMode != session::RunMode::Preview) PostToSelf(session::kMsgBeginWork);
}

void StartWindow::HandleMessage(int message, int) {
  if (message != session::kMsgBeginWork) return;
  FillRows();
  // A hidden session window (quiet runs, or minimised to the tray) never
  // waits for Next.
  if (!isVisible()) PostPageDone(0);
}

void StartWindow::FillRows() {
  for (const NewItemRow& item : Context().newItems) {
    const std::string first = item.isDir ? DirItemListText(item.firstUrl) : item.name;
    const int row = list_->AddRow(ToQString(first));
    list_->SetCellText(row, 1, ToQString(item.newVersion));
    list_->SetCellText(row, 2, ToQString(item.description));
  }
}

void StartWindow::OnButton0() { PostPageDone(0); }

void StartWindow::OnCancel() {
  if (!ConfirmCancel()) return;
  if (Context().runMode != session::RunMode::Preview) Context().ReportOutcome(session::kOutcomeCancelBeforeDownload);
  PostPageDone(1);
}

}  // namespace ui
