#include "client/download/download_stage.h"

#include "client/session/host_messages.h"
#include "client/session/host_notifier.h"
#include "client/session/prompter.h"
#include "client/session/run_state.h"
#include "client/download/self_update_download.h"
#include "client/stage/stage_sink.h"
#include "client/stage/transfer_context.h"
#include "common/gbk.h"

namespace transfer {

DownloadStage::DownloadStage(session::RunState& run, DownloadOptions options, Kind kind)
    : run_(run), options_(std::move(options)), kind_(kind) {}

void DownloadStage::Begin(std::shared_ptr<StageSink> sink, std::shared_ptr<TransferContext> control) {
  control_ = control;
  if (kind_ == Kind::kSelfUpdate) {
    SelfUpdateDownload::Start(run_, std::move(sink), std::move(control), options_);
    return;
  }
  sink->AddMessage(common::Gbk("开始下载..."));
  if (NewItemCount(run_) == 0) {
    sink->AddMessage(common::Gbk("没有新版本的文件需要下载！"));
    sink->EndStage(0);
    return;
  }
  for (const session::PlannedItem& item : run_.NewItems()) {
    if (!item.IsDir()) {
      sink->AddRow(item.file->fileName);
    } else {
      const formats::UrlList& locations = item.Locations();
      sink->AddRow(DirRowText(locations.empty() ? std::string() : locations.urls.front()));
    }
  }
  // The result of this hook is not logged.
  (void)run_.RunHookOrLogNone(common::Gbk("下载前执行程序"), run_.System().runDlbefore, false);
  DownloadWorker::Start(run_, std::move(sink), std::move(control), options_);
}

void DownloadStage::End(StageSink& sink, int success) {
  const bool selfUpdate = run_.Mode() == session::RunMode::SelfUpdate;
  if (control_) control_->CloseOpenFiles();
  const bool finished = control_ && control_->finished.load();
  const bool cancelled = control_ && control_->userCancelled.load();
  if (!finished) {
    const session::OutcomeLogLines lines = session::OutcomeLog(session::kOutcomeDownloadFailed);
    if (run_.Host().HostWindow() != 0) {
      run_.Host().NotifyHost(session::kOutcomeDownloadFailed);
      run_.WriteLog(lines.notice);
    }
    run_.WriteLog(lines.follow);
    if (!cancelled && session::ShowsBoxes(run_.ShowType()) && !selfUpdate && run_.Ui().dlWin) {
      session::BoxRequest box;
      box.caption = session::InfoCaption();
      box.text = run_.Ui().dlWinMsg.empty() ? common::Gbk("下载文件失败，请稍后再试！") : run_.Ui().dlWinMsg;
      box.icon = session::BoxIcon::Information;
      run_.Prompts().Show(box);
    }
  }
  if (selfUpdate) return;
  const std::string& hook = success ? run_.System().runDlafters : run_.System().runDlafterf;
  const auto result = run_.RunHookOrSayNone(common::Gbk("下载完成后执行指定程序"), hook, false,
                                            [&sink](std::string_view line) { sink.AddMessage(std::string(line)); });
  if (result && !result->empty()) run_.WriteLog(*result);
}

std::unique_ptr<PageStage> MakeDownloadStage(session::RunState& run, DownloadOptions options) {
  return std::make_unique<DownloadStage>(run, std::move(options), DownloadStage::Kind::kItems);
}

std::unique_ptr<PageStage> MakeSelfUpdateStage(session::RunState& run, DownloadOptions options) {
  return std::make_unique<DownloadStage>(run, std::move(options), DownloadStage::Kind::kSelfUpdate);
}

}  // namespace transfer
