#include "client/ui/stage_page.h"

#include <QProgressBar>

#include "client/stage/page_stage.h"
#include "client/ui/color_edit.h"
#include "client/ui/item_list_ctrl.h"
#include "client/ui/page_sink.h"
#include "client/ui/qt_convert.h"
#include "client/ui/skin_label.h"
#include "client/ui/system_tray.h"

namespace ui {

StagePage::StagePage(int pageIndex, PageContext& context, const std::array<QString, 4>& texts,
                     QWidget* parent)
    : WizardPage(pageIndex, context, texts, parent),
      control_(std::make_shared<TransferStageControl>()),
      sink_(PageSink::Create(this, context.log)) {}

StagePage::~StagePage() {
  // A worker still running must not wait at the pause gate, nor for an
  // answer, from a page that is gone.
  sink_->Detach();
  control_->RequestStop();
}

void StagePage::BeginStage() {
  if (stage_) stage_->Begin(sink_, control_->Context());
}

void StagePage::StageEnd(int wParam) {
  if (stageEnded_) return;
  stageEnded_ = true;
  if (Context().runMode == session::RunMode::Preview) {
    EndPreview(wParam);
    return;
  }
  StopWork();
  if (stage_) stage_->End(*sink_, wParam);
  PostPageDone(wParam ? 0 : 1);
}

void StagePage::StopWork() {
  control_->SetPaused(true);
  control_->RequestStop();
  sink_->Close();
}

int StagePage::AddListRow(const std::string& gbkText) {
  if (!list_) return -1;
  // A row shows from the start what it will track: an unticked box and an
  // empty bar.
  const int row = list_->AddRow(ToQString(gbkText));
  list_->SetChecked(row, false);
  list_->SetProgress(row, 1, 0);
  return row;
}

void StagePage::CheckListRow(int row) {
  if (!list_ || row < 0 || row >= list_->rowCount()) return;
  list_->SetChecked(row, true);
  // Once the finished rows fill the list but for its last three rows, each
  // further one scrolls the list on by a row, so the rows at work stay in
  // sight.
  if (++finishedRows_ > list_->height() / kListRowHeight - 3) list_->ScrollDownOneRow();
}

void StagePage::AppendRowText(int row, const std::string& gbkText) {
  if (!list_ || row < 0 || row >= list_->rowCount()) return;
  list_->SetCellText(row, 0, list_->CellText(row, 0) + ToQString(gbkText));
}

void StagePage::SetRowProgress(int row, int percent) {
  if (!list_ || row < 0 || row >= list_->rowCount()) return;
  list_->SetProgress(row, 1, percent);
}

void StagePage::SetRowSpeed(int row, const std::string& gbkText) {
  if (!list_ || row < 0 || row >= list_->rowCount()) return;
  list_->SetCellText(row, 2, ToQString(gbkText));
}

ColorEdit* StagePage::AddDetailsBox(const formats::ExtraSkin& skin) {
  auto* details = new ColorEdit(this);
  details->setObjectName(QString::number(kIdDetails));
  AddExtra(details, skin);
  SetDetailsBox(details);
  return details;
}

QProgressBar* StagePage::AddBar(int n, int id, const formats::ExtraSkin& skin) {
  auto* bar = new QProgressBar(this);
  bar->setObjectName(QString::number(id));
  bar->setTextVisible(false);
  bar->setRange(0, 100);
  bar->setValue(0);
  AddExtra(bar, skin);
  SetBar(n, bar);
  return bar;
}

SkinLabel* StagePage::AddStatusLine(int id, const formats::ExtraSkin& skin) {
  auto* line = new SkinLabel(QString(), this);
  line->setObjectName(QString::number(id));
  line->SetTransparent(true);
  AddExtra(line, skin);
  return line;
}

void StagePage::SetBarRange(int bar, int maximum) {
  if (QProgressBar* b = Bar(bar)) b->setRange(0, maximum);
}

void StagePage::SetBarValue(int bar, int value) {
  if (QProgressBar* b = Bar(bar)) b->setValue(value);
}

void StagePage::SetTransferStatus(const std::string& gbkText) {
  if (transferStatus_) transferStatus_->SetText(ToQString(gbkText));
}

void StagePage::SetTrayTip(const std::string& gbkText) {
  if (Context().tray) Context().tray->SetTooltipText(gbkText);
}

}  // namespace ui
