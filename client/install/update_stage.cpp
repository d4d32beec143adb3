#include "client/install/update_stage.h"

#include <cstdlib>
#include <thread>

#include "client/session/run_state.h"
#include "common/gbk.h"
#include "platform/file_operations.h"

namespace transfer {

using common::Gbk;

UpdateStage::UpdateStage(session::RunState& run, std::string trayBase, platform::FileOperations* ops,
                         UpdateTimings timings)
    : run_(run), trayBase_(std::move(trayBase)), ops_(ops), timings_(timings) {
  if (!ops_) {
    ownOps_ = std::make_unique<platform::RealFileOperations>();
    ops_ = ownOps_.get();
  }
}

UpdateStage::~UpdateStage() = default;

void UpdateStage::Begin(std::shared_ptr<StageSink> sink, std::shared_ptr<TransferContext>) {
  // The worker is never joined (the stage lives until the program ends); it
  // keeps the sink alive and reaches the page only through it.
  std::thread([this, sink] {
    UpdateWorker worker(InstallEnv{run_, *sink, *ops_, trayBase_}, timings_);
    worker.Run();
  }).detach();
}

void UpdateStage::End(StageSink& sink, int success) {
  InstallEnv env{run_, sink, *ops_, trayBase_};
  if (run_.UpdateSucceeded()) DeleteWorkFolder(env);
  if (run_.Mode() != session::RunMode::SelfUpdate) {
    std::string hook = run_.System().runUdafterf;
    if (success) {
      for (int n = 0; n < session::kFileItemCount; ++n) {
        const session::FileItem& item = run_.Files()[n];
        std::string& runme = run_.FileWork(n).runmePath;
        if (!item.newItem || !item.runme || runme.empty()) continue;
        run_.WriteLog(Gbk("执行本文件：") + runme);
        const std::string command = item.runmeParam.empty() ? runme : runme + " " + item.runmeParam;
        run_.WriteLog(run_.RunHook(command, item.runmePause != 0));
        runme.clear();
      }
      hook = run_.System().runUdafters;
    }
    const auto result = run_.RunHookOrSayNone(Gbk("更新完成后执行指定程序"), hook, false,
                                              [&env](std::string_view line) { env.Status(std::string(line)); });
    if (result) run_.WriteLog(*result);
  }
  env.Status(Gbk("更新结束"));
  const session::UiSettings& ui = run_.Ui();
  if (!success && session::ShowsBoxes(run_.ShowType()) && run_.Mode() != session::RunMode::SelfUpdate &&
      ui.endWin2) {
    // The page's sink takes no more questions once the stage is ending:
    // this box goes through the run's prompter on the page's thread.
    session::BoxRequest box;
    box.caption = session::InfoCaption();
    box.text = ui.endWin2Msg;
    box.icon = session::BoxIcon::Information;
    (void)run_.Prompts().Show(box);
  }
}

std::unique_ptr<PageStage> MakeUpdateStage(session::RunState& run, std::string trayBase, UpdateTimings timings) {
  return std::make_unique<UpdateStage>(run, std::move(trayBase), nullptr, timings);
}

}  // namespace transfer
