// ClientApp: one pass of the session after the command line, from the
// configuration to the wizard pages, with the host told of each outcome.
// Every return leads to the exit sequence (Run()).

#include "client/session/client_app.h"
#include "client/session/host_messages.h"
#include "client/session/prompter.h"
#include "client/session/session_ui.h"
#include "common/gbk.h"

namespace session {

namespace {

std::string Gbk(std::string_view utf8) { return common::Utf8ToGbk(utf8); }

}  // namespace

void ClientApp::RunSession() {
  if (!LoadConfiguration()) {
    NoConfigurationPath();
    return;
  }
  if (!sessionUi_ || !sessionUi_->LoadSkin()) {
    if (notifier_.HostWindow() != 0) {
      notifier_.NotifyHost(kOutcomeConfigError);
      WriteLog(kLogNotifyConfigError);
    }
    return;
  }
  if (runMode_ == RunMode::Preview) {
    sessionUi_->RunSessionWindow();
    return;
  }

  WriteLog(Gbk("★ 版本比较。"));
  if (!CompareVersions()) {
    NoUpdatePath();
    return;
  }
  if (FindSelfUpdateItems()) {
    // Replacing the running program and its archive is not built in yet:
    // the run says so and treats those items like any other.
    WriteLog(Gbk("★ 本版本暂不执行自我升级，以上项目按普通升级项处理。"));
  }
  WriteLog(Gbk("发现新版本！"));
  if (notifier_.HostWindow() != 0) {
    notifier_.NotifyHost(kOutcomeNewVersion);
    WriteLog(kLogNotifyNewVersion);
  }
  if (runMode_ == RunMode::CheckVer) return;

  if (!AskToStart()) {
    WriteLog(Gbk("用户退出升级程序！"));
    return;
  }
  if (!system_.runBefore.empty()) {
    WriteLog(Gbk("启动升级前执行程序：") + system_.runBefore);
    WriteLog(RunHook(system_.runBefore, system_.runBeforePause != 0));
  } else {
    WriteLog(Gbk("启动升级前执行程序（没指定）。"));
  }
  runMode_ = RunMode::Normal;
  sessionUi_->RunSessionWindow();
}

void ClientApp::NoConfigurationPath() {
  if (!system_.runNonetwork.empty()) {
    WriteLog(Gbk("无网络时执行程序：") + system_.runNonetwork);
    WriteLog(RunHook(system_.runNonetwork, false));
  } else {
    WriteLog(Gbk("无网络时执行程序（没指定）。"));
  }
  if (notifier_.HostWindow() != 0) {
    notifier_.NotifyHost(kOutcomeNoNetwork);
    WriteLog(kLogNotifyNoNetwork);
  }
}

void ClientApp::NoUpdatePath() {
  if (notifier_.HostWindow() != 0) {
    WriteLog(kLogNotifyNoNewVersion);
    notifier_.NotifyHost(kOutcomeNoNewVersion);
  }
  if (ui_.noupdateWin != 0) {
    // The publisher asked for this box: it appears even in a quiet session.
    showType_ = 0;
    BoxRequest box;
    box.caption = Gbk("信息提示");
    box.text = ui_.noupdateWinMsg;
    box.buttons = BoxButtons::Ok;
    box.icon = BoxIcon::Information;
    box.topmost = true;
    prompter_.Show(box);
  }
  WriteLog(Gbk("没有发现新版本！"));
}

bool ClientApp::AskToStart() {
  if (ui_.startWin == 0) return true;
  // The second start of a self-update has been asked already.
  if (commandLine_.find("self_finish") != std::string::npos) return true;
  if (showType_ != 0 && showType_ != 1) return true;
  BoxRequest box;
  box.caption = Gbk("信息提示");
  box.text = ui_.startWinMsg;
  box.buttons = BoxButtons::YesNo;
  box.icon = BoxIcon::Question;
  box.topmost = true;
  return prompter_.Show(box) == BoxAnswer::Yes;
}

}  // namespace session
