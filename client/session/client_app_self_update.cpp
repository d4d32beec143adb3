// ClientApp: the three steps of a self-update. The old program downloads
// and starts the new one under a temporary name; the temporary program puts
// itself in place and starts the replaced program; that one cleans up and
// runs as usual. The files are always taken from the application folder, so
// a client started from another folder (as a host application usually
// starts it) finds them too.

#include <filesystem>
#include <system_error>

#include "client/session/client_app.h"
#include "client/session/file_status.h"
#include "client/session/host_messages.h"
#include "client/session/module_names.h"
#include "client/session/new_item_plan.h"
#include "client/session/refused_self_update.h"
#include "client/session/run_state.h"
#include "client/session/session_ui.h"
#include "common/gbk.h"
#include "platform/file_operations.h"

namespace session {

using common::Gbk;

namespace {

// The working folder the relaunched programs get: the application folder
// without its trailing "/".
std::string WorkingFolder(const std::string& appFolder) {
  if (appFolder.size() > 1 && appFolder.back() == '/') return appFolder.substr(0, appFolder.size() - 1);
  return appFolder;
}

}  // namespace

void ClientApp::SwitchLogOff() {
  log_.Close();
  logSwitch_ = false;
}

ClientApp::SelfUpdateOutcome ClientApp::SelfUpdatePath() {
  // Nothing more is logged by this process while it updates itself; the
  // run that follows keeps the log.
  const bool logWasOn = logSwitch_;
  SwitchLogOff();
  runMode_ = RunMode::SelfUpdate;
  if (!sessionUi_) return SelfUpdateOutcome::kExit;
  RunState& run = StartRunState();
  if (sessionUi_->RunSessionWindow(run) == 0) {
    // The download page told the host (-3) already.
    return SelfUpdateFailed(logWasOn, run.SelfUpdateRefused(), false);
  }
  const SessionDecision& decision = pass_.decision;
  if (decision.selfUpdateExeIndex < 0) {
    // The download page replaces the archive and then removes the download:
    // one left behind means the archive is still the old one.
    if (FileExistsNonEmpty(ArchiveDownloadOf(ArchivePath()))) return SelfUpdateFailed(logWasOn, true, true);
    std::error_code ec;
    std::filesystem::remove(log_.FileName(), ec);
    if (trayCreated_) sessionUi_->RemoveTray();
    trayCreated_ = false;
    runMode_ = RunMode::Normal;
    return SelfUpdateOutcome::kNewPass;
  }
  if (!selfUpdateTools_.startProgram) return SelfUpdateOutcome::kExit;
  const std::string temporary = TemporaryProgramOf(modulePath_);
  const FileItem& item = pass_.files[static_cast<size_t>(decision.selfUpdateExeIndex)];
  // Only a program this machine runs itself is started: anything else
  // would be handed to a shell or an interpreter.
  const bool native = !selfUpdateTools_.isNativeProgram || selfUpdateTools_.isNativeProgram(temporary);
  if (FileExistsNonEmpty(temporary) && native) {
    const std::vector<std::string> arguments =
        RelaunchArguments(commandLine_, notifier_.HostWindow(), decision.selfUpdateExeIndex, item.serverVersion);
    if (!arguments.empty() && selfUpdateTools_.startProgram(temporary, arguments, WorkingFolder(appFolder_), true)) {
      return SelfUpdateOutcome::kExit;
    }
  }
  return SelfUpdateFailed(logWasOn, true, true);
}

ClientApp::SelfUpdateOutcome ClientApp::SelfUpdateFailed(bool logWasOn, bool refused, bool tellHost) {
  platform::RealFileOperations ops;
  for (const std::string& leftover : {TemporaryProgramOf(modulePath_), ArchiveDownloadOf(ArchivePath())}) {
    const std::string native = common::NativePath(leftover);
    if (ops.Inspect(native).kind != platform::FileKind::kMissing) (void)ops.DeleteFile(native);
  }
  const SessionDecision& decision = pass_.decision;
  if (refused) {
    std::vector<std::pair<std::string, std::string>> items;
    for (int index : {decision.selfUpdateExeIndex, decision.selfUpdateArchiveIndex}) {
      if (index >= 0) items.emplace_back("file" + std::to_string(index), pass_.files[static_cast<size_t>(index)].serverVersion);
    }
    RefusedSelfUpdates(RefusedSelfUpdates::PathFor(ArchivePath()), pass_.serverDigest).Remember(items);
  }
  if (logWasOn) {
    logSwitch_ = true;
    (void)log_.Open();
  }
  runMode_ = RunMode::Normal;
  if (tellHost && notifier_.HostWindow() != 0) {
    notifier_.NotifyHost(kOutcomeDownloadFailed);
    WriteLog(OutcomeLog(kOutcomeDownloadFailed).notice);
  }
  WriteLog(Gbk("★ 自我升级没有完成，旧程序和配置保持不变。"));
  if (!DropSelfUpdateItems()) return SelfUpdateOutcome::kExit;
  WriteLog(Gbk("★ 继续升级其他项目。"));
  return SelfUpdateOutcome::kOrdinaryItems;
}

bool ClientApp::DropSelfUpdateItems() {
  SessionDecision& decision = pass_.decision;
  for (int* index : {&decision.selfUpdateExeIndex, &decision.selfUpdateArchiveIndex}) {
    if (*index >= 0) pass_.files[static_cast<size_t>(*index)].newItem = false;
    *index = -1;
  }
  return AnyNewItem();
}

bool ClientApp::RelaunchStep() {
  SwitchLogOff();
  const std::string temporary = modulePath_;
  const std::string program = ProgramOfTemporary(temporary);
  // Only a temporary program has an old program to replace; anything else
  // asked to relaunch copies nothing.
  if (program == temporary) return false;
  exeFileName_ = ExeFileNameOf(program);
  (void)WaitWhileRunning(selfUpdateTools_.findProcess, exeFileName_);
  platform::RealFileOperations ops;
  if (!PutProgramInPlace(ops, common::NativePath(temporary), common::NativePath(program))) return false;
  auto record = SplitRelaunchValue(GetSwitchValue(commandLine_, "self_update"));
  if (record && configSource_) (void)RecordProgramVersion(*configSource_, *record);
  if (selfUpdateTools_.startProgram) {
    (void)selfUpdateTools_.startProgram(program, FinishArguments(commandLine_), WorkingFolder(appFolder_), false);
  }
  return false;
}

void ClientApp::CompletionStep() {
  SwitchLogOff();
  const std::string temporary = TemporaryProgramOf(modulePath_);
  (void)WaitWhileRunning(selfUpdateTools_.findProcess, ExeFileNameOf(temporary));
  platform::RealFileOperations ops;
  (void)ops.DeleteFile(common::NativePath(temporary));
}

bool ClientApp::DropRepeatedProgramItem() {
  SessionDecision& decision = pass_.decision;
  if (decision.selfUpdateExeIndex < 0) return true;
  // The program was put in place but its version could not be recorded:
  // another self-update now would start the same three processes again,
  // and again. The next run offers the program again.
  WriteLog(Gbk("★ 新程序的版本号没有记录下来，本次不再自我升级。"));
  pass_.files[static_cast<size_t>(decision.selfUpdateExeIndex)].newItem = false;
  decision.selfUpdateExeIndex = -1;
  return AnyNewItem();
}

void ClientApp::NoteUnfinishedSelfUpdate() {
  const std::string temporary = TemporaryProgramOf(modulePath_);
  if (FileExistsNonEmpty(temporary)) WriteLog(Gbk("★ 上次的自我升级没有完成，新程序仍在：") + temporary);
}

}  // namespace session
