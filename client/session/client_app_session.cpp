// ClientApp: one pass of the session after the command line, from the
// configuration to the wizard pages, with the host told of each outcome.
// Every return leads to the exit sequence (Run()), except a new pass after
// the configuration archive replaced itself.

#include "client/session/client_app.h"
#include "client/session/host_messages.h"
#include "client/session/prompter.h"
#include "client/session/session_ui.h"
#include "common/gbk.h"

namespace session {

using common::Gbk;

bool ClientApp::RunSession() {
  // The configuration chain: the client part names the server locations,
  // the server part marks the items and sets the session's show type. A
  // preview reads neither: its pages show as in a normal, manual session.
  if (runMode_ == RunMode::Preview) {
    pass_.showType = kShowNormal;
    pass_.opMode = 0;
  } else if (!LoadClientConfiguration() || !LoadServerConfiguration()) {
    NoConfigurationPath();
    return false;
  }
  if (!sessionUi_ || !sessionUi_->LoadSkin()) {
    if (notifier_.HostWindow() != 0) {
      notifier_.NotifyHost(kOutcomeConfigError);
      WriteLog(OutcomeLog(kOutcomeConfigError).notice);
    }
    return false;
  }
  if (runMode_ == RunMode::Preview) {
    sessionUi_->RunSessionWindow(StartRunState());
    return false;
  }

  WriteLog(Gbk("★ 版本比较。"));
  if (!CompareVersions()) {
    NoUpdatePath();
    return false;
  }
  const bool selfUpdate = FindSelfUpdateItems();
  if (!AnyNewItem()) {  // only a program item with a refused version was new
    NoUpdatePath();
    return false;
  }
  if (selfUpdate) {
    if (switches_.selfFinish && !DropRepeatedProgramItem()) {
      NoUpdatePath();
      return false;
    }
    const SessionDecision& d = pass_.decision;
    if (d.selfUpdateExeIndex >= 0 || d.selfUpdateArchiveIndex >= 0) {
      const SelfUpdateOutcome outcome = SelfUpdatePath();
      if (outcome != SelfUpdateOutcome::kOrdinaryItems) return outcome == SelfUpdateOutcome::kNewPass;
    }
  }
  // Items refused earlier may have left nothing to do.
  if (!AnyNewItem()) {
    NoUpdatePath();
    return false;
  }
  WriteLog(Gbk("发现新版本！"));
  if (notifier_.HostWindow() != 0) {
    notifier_.NotifyHost(kOutcomeNewVersion);
    WriteLog(OutcomeLog(kOutcomeNewVersion).notice);
  }
  if (runMode_ == RunMode::CheckVer) return false;

  if (!AskToStart()) {
    WriteLog(Gbk("用户退出升级程序！"));
    return false;
  }
  const SystemSettings& system = pass_.system;
  LogHookOrNone(Gbk("启动升级前执行程序"), system.runBefore, system.runBeforePause != 0);
  runMode_ = RunMode::Normal;
  sessionUi_->RunSessionWindow(StartRunState());
  return false;
}

void ClientApp::NoConfigurationPath() {
  const SystemSettings& system = pass_.system;
  LogHookOrNone(Gbk("无网络时执行程序"), system.runNonetwork, false);
  if (notifier_.HostWindow() != 0) {
    notifier_.NotifyHost(kOutcomeNoNetwork);
    WriteLog(OutcomeLog(kOutcomeNoNetwork).notice);
  }
}

void ClientApp::NoUpdatePath() {
  if (notifier_.HostWindow() != 0) {
    WriteLog(OutcomeLog(kOutcomeNoNewVersion).notice);
    notifier_.NotifyHost(kOutcomeNoNewVersion);
  }
  if (pass_.ui.noupdateWin != 0) {
    // The publisher asked for this box: it appears even in a quiet session.
    pass_.showType = kShowNormal;
    prompter_.Show(InfoBox(pass_.ui.noupdateWinMsg, BoxButtons::Ok, BoxIcon::Information));
  }
  WriteLog(Gbk("没有发现新版本！"));
}

bool ClientApp::AskToStart() {
  if (pass_.ui.startWin == 0) return true;
  // The second start of a self-update has been asked already.
  if (switches_.selfFinishMarker) return true;
  if (!ShowsBoxes(pass_.showType)) return true;
  return prompter_.Show(InfoBox(pass_.ui.startWinMsg, BoxButtons::YesNo, BoxIcon::Question)) ==
         BoxAnswer::Yes;
}

}  // namespace session
