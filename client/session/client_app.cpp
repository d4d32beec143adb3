#include "client/session/client_app.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <thread>

#include "client/session/host_messages.h"
#include "client/session/install_journal.h"
#include "client/session/module_names.h"
#include "client/session/work_folder_name.h"
#include "client/session/prompter.h"
#include "client/session/session_ui.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "platform/folders.h"
#include "platform/private_files.h"

namespace session {

namespace {

using common::Gbk;

// A second run of the same program file waits this long between attempts
// on the lock; the attempt after the 6th wait is not looked at, so another
// run has about 6 seconds to finish before this one gives up.
constexpr auto kLockRetryDelay = std::chrono::milliseconds(1000);
constexpr int kLockGiveUpAttempt = 7;

}  // namespace

#define UPGRADE_TEXT_OF(x) #x
#define UPGRADE_TEXT(x) UPGRADE_TEXT_OF(x)
// Where a file version resource would hold it: the authoring tool's debug
// page finds "UPGRADE-FILE-VERSION:<major>.<minor>;" in the program file.
extern const char kUpgradeFileVersion[];
[[gnu::used]] const char kUpgradeFileVersion[] =
    "UPGRADE-FILE-VERSION:" UPGRADE_TEXT(UPGRADE_VERSION_MAJOR) "." UPGRADE_TEXT(UPGRADE_VERSION_MINOR) ";";

ClientApp::ClientApp(Prompter& prompter, std::string commandLine)
    : prompter_(prompter), commandLine_(std::move(commandLine)) {}

ClientApp::~ClientApp() = default;

PassState::PassState() = default;
PassState::~PassState() = default;
PassState::PassState(PassState&&) noexcept = default;
PassState& PassState::operator=(PassState&&) noexcept = default;

void ClientApp::BeginPass() {
  // The run state refers into the pass: it goes first.
  pass_.run.reset();
  pass_ = PassState();
}

RunState& ClientApp::StartRunState() {
  pass_.run.reset();
  RunRefs refs{pass_.files,    pass_.dirs,      pass_.system,    pass_.ui,
               pass_.decision, pass_.showType,  log_,            notifier_,
               prompter_,      programRunner_,  pass_.clientDoc.get()};
  RunPlaces places;
  places.runMode = runMode_;
  places.opMode = pass_.opMode;
  places.modulePath = modulePath_;
  places.appFolder = appFolder_;
  places.workFolder = workFolder_;
  places.archivePath = ArchivePath();
  if (configSource_) places.clientConfig = *configSource_;
  places.configLocations = pass_.configLocations;
  places.signedConfig = pass_.trust.Active();
  pass_.run = std::make_unique<RunState>(refs, std::move(places));
  return *pass_.run;
}

int ClientApp::Run() {
  modulePath_ = platform::ModulePath();
  const platform::InstanceLock::Result guard = GuardInstance();
  // Another run kept the lock: no log and no box, but the host hears it.
  if (guard == platform::InstanceLock::Result::Busy) {
    TellHostOfBusyInstance();
    return 0;
  }
  if (guard == platform::InstanceLock::Result::Failed) return RefuseToRun();
  DeriveNames();
  // An installation cut off by a kill or a power failure is finished or
  // undone before anything reads the folder or the archive it changed.
  startupLogLines_ = RecoverInstall(ArchivePath()).logLines;
  ResolveFolders();
  PickAccentColour();
  BeginPass();
  // A pass ends in the exit sequence, unless the configuration archive
  // replaced itself: the next pass starts from clean slots with the new one.
  while (RunPassHead() && RunSession()) BeginPass();
  ExitSequence();
  return 0;
}

platform::InstanceLock::Result ClientApp::GuardInstance() {
  const std::string name = InstanceLockName(modulePath_);
  auto result = lock_.TryAcquire(name);
  for (int attempt = 1; result == platform::InstanceLock::Result::Busy; ++attempt) {
    std::this_thread::sleep_for(kLockRetryDelay);
    result = lock_.TryAcquire(name);
    if (attempt == kLockGiveUpAttempt) {
      lock_.Release();
      return platform::InstanceLock::Result::Busy;
    }
  }
  return result;
}

int ClientApp::RefuseToRun() {
  // No log or window exists yet; a missing or refused lock folder (planted
  // by another user) must still say why nothing happens, and a host that
  // waits for the end of the run must hear it.
  std::fprintf(stderr,
               "upgrade: not running: no private folder for the instance lock could be had: %s\n",
               lock_.ErrorText().c_str());
  const CommandLineSwitches early = ParseSwitches(commandLine_);
  if (early.hostWindow) {
    notifier_.SetHostWindow(*early.hostWindow);
    notifier_.NotifyHost(kOutcomeExit);
    notifier_.Flush();
  }
  return 1;
}

void ClientApp::TellHostOfBusyInstance() {
  // Another run of this program holds the lock: this run reads no
  // configuration and updates nothing. A host that started it must still
  // learn that, or it waits for an outcome that never comes; it hears the
  // "no configuration" code (try again later) and the exit code.
  const CommandLineSwitches early = ParseSwitches(commandLine_);
  if (!early.hostWindow || *early.hostWindow == 0) return;
  notifier_.SetHostWindow(*early.hostWindow);
  notifier_.NotifyHost(kOutcomeNoNetwork);
  notifier_.NotifyHost(kOutcomeExit);
  notifier_.Flush();
}

void ClientApp::DeriveNames() {
  appFolder_ = AppFolderOf(modulePath_);
  exeFileName_ = ExeFileNameOf(modulePath_);
  archiveName_ = ArchiveNameOf(exeFileName_);
  log_.SetFileName(ExeBaseName(exeFileName_) + ".log");
}

void ClientApp::ResolveFolders() {
  using platform::SpecialFolder;
  // The file system has no drive letters: {appdriver} is the root, so that
  // "{appdriver}\data" names "/data".
  folders_[0] = "";
  folders_[1] = ParentFolderValue(appFolder_);
  folders_[2] = platform::SpecialFolderPath(SpecialFolder::Windows);
  folders_[3] = platform::SpecialFolderPath(SpecialFolder::System);
  std::string passedOver;
  folders_[4] = platform::TempFolder(&passedOver);
  if (!passedOver.empty()) {
    startupLogLines_.push_back(Gbk("临时文件夹（") + passedOver + Gbk("）不存在或不可写，改用：") + folders_[4]);
  }
  folders_[5] = platform::SpecialFolderPath(SpecialFolder::ProgramFiles);
  folders_[6] = platform::SpecialFolderPath(SpecialFolder::Fonts);
  folders_[7] = platform::SpecialFolderPath(SpecialFolder::Documents);
  folders_[8] = platform::SpecialFolderPath(SpecialFolder::Desktop);
  // Downloads land in the work folder and are installed from there, often
  // by a privileged run: it must be the user's own. Where another user
  // planted the name in a shared {temp} (a folder or a link), a per-user
  // name is used instead (see platform::PrivateFolderWithFallback).
  const std::string base = folders_[4] + "/~qirra_tmp";
  const std::string nativeBase = common::NativePath(base);
  const std::string chosen = platform::PrivateFolderWithFallback(nativeBase);
  // Each application has a folder of its own in there, named after its
  // program file: two applications updating at once never share (or
  // delete) each other's downloads. Runs of one program are serialised by
  // the instance lock.
  workFolder_ = (chosen.empty() || chosen == nativeBase ? base : common::Utf8ToGbk(chosen)) + "/" +
                WorkFolderNameOf(modulePath_) + "/";
}

void ClientApp::PickAccentColour() {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  accent_.r = static_cast<uint8_t>(std::rand() % 110 + 30);
  accent_.g = static_cast<uint8_t>(std::rand() % 110 + 30);
  accent_.b = static_cast<uint8_t>(std::rand() % 110 + 30);
}

bool ClientApp::RunPassHead() {
  if (!ReadPreSettings()) return false;
  // "/Log" and "/Tray" switch on what the pre-settings left off, in every
  // layout (the authoring tool's debug runs and previews pass them).
  const CommandLineSwitches early = ParseSwitches(commandLine_);
  logSwitch_ = logSwitch_ || early.logOn;
  traySwitch_ = traySwitch_ || early.trayOn;
  // The tray icon is made by the client windows; without them no icon
  // exists and the tray switch is only kept. It stays hidden while the
  // command line is read.
  trayCreated_ = traySwitch_ && sessionUi_ && sessionUi_->CreateTray();
  if (logSwitch_) log_.Open();
  for (const std::string& line : startupLogLines_) WriteLog(line);
  startupLogLines_.clear();
  if (!ParseCommandLine()) {
    WriteLog(Gbk("命令行解析出错！"));
    return false;
  }
  if (trayCreated_) sessionUi_->ShowTray();
  return true;
}

bool ClientApp::ParseCommandLine() {
  switches_ = ParseSwitches(commandLine_);
  const CommandLineSwitches& s = switches_;
  if (s.hostWindow) notifier_.SetHostWindow(*s.hostWindow);
  if (s.runMode) runMode_ = *s.runMode;
  // Both self-update steps run without a log of their own.
  if (s.selfUpdate) return RelaunchStep();
  if (s.selfFinish) {
    CompletionStep();
  } else {
    NoteUnfinishedSelfUpdate();
  }
  return true;
}

void ClientApp::LogHookOrNone(std::string_view gbkLabel, const std::string& command, bool wait) {
  auto log = [this](std::string_view line) { WriteLog(line); };
  if (const auto result = RunHookOrSayNone(gbkLabel, command, wait, log, programRunner_)) WriteLog(*result);
}

void ClientApp::ShowInformation(std::string_view text) { Notice(prompter_, pass_.showType, text); }

void ClientApp::ExitSequence() {
  const SystemSettings& system = pass_.system;
  LogHookOrNone(Gbk("退出升级程序前执行"), system.runAfter, system.runAfterPause != 0);
  WriteLog(Gbk("★ 升级结束。"));
  if (notifier_.HostWindow() != 0) {
    notifier_.NotifyHost(kOutcomeExit);
    WriteLog(OutcomeLog(kOutcomeExit).notice);
  }
  // An outcome still waiting for room in the host's queue goes out before
  // the process ends.
  notifier_.Flush();
  if (log_.IsOpen()) {
    log_.Close();
  } else {
    // A run without a log leaves none behind, not even an earlier run's.
    std::error_code ec;
    std::filesystem::remove(log_.FileName(), ec);
  }
  if (trayCreated_ && sessionUi_) sessionUi_->RemoveTray();
  trayCreated_ = false;
  lock_.Release();
}

}  // namespace session
