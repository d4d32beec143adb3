#pragma once
// ClientApp: the update client's application object and the whole state of
// one run. Run() guards against a second run of the same program file,
// works out the folders, reads the pre-settings, opens the log, reads the
// command line and the configuration, loads the skin, compares versions,
// asks the user and hands over to the session window; it always ends in the
// exit sequence (hook program, host notification, log closed or removed,
// tray icon removed, lock released). There is no main window and no message
// loop of its own: the session window runs its own while it is up.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "client/session/client_log.h"
#include "client/session/command_line.h"
#include "client/session/config_source.h"
#include "client/session/host_notifier.h"
#include "client/session/item_slots.h"
#include "client/session/run_state.h"
#include "client/session/self_update.h"
#include "client/session/server_config.h"
#include "client/session/server_settings.h"
#include "formats/value_syntax.h"
#include "platform/instance_lock.h"

namespace common {
class IniDocument;
}

namespace session {

class Prompter;
class SessionUi;

struct AccentColour {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
};

/// The state of one pass of the main sequence: what the configuration,
/// the version comparison and the pages fill. A second pass (after the
/// configuration archive replaced itself) starts from a fresh one, so slots
/// and location lists are read anew instead of growing.
struct PassState {
  std::unique_ptr<common::IniDocument> clientDoc;  // "client.dat" as read
  formats::UrlList serverUrls;
  formats::UrlList configLocations;  // every server location, the one that answered first
  int randomsel = 0;
  int tryallurl = 0;
  ConfigTrust trust;  // with a public key: what the server configuration must meet
  std::string serverDigest;  // SHA-256 of the server configuration text
  FileItems files;
  DirItems dirs;
  int showType = kShowNormal;
  int opMode = 0;
  SystemSettings system;
  UiSettings ui = UiSettings::Defaults();
  SessionDecision decision;
  std::unique_ptr<RunState> run;  // made when the session window starts

  PassState();
  ~PassState();
  PassState(PassState&&) noexcept;
  PassState& operator=(PassState&&) noexcept;
};

class ClientApp {
 public:
  /// commandLine: the text after the program name (GBK).
  ClientApp(Prompter& prompter, std::string commandLine);
  ~ClientApp();
  ClientApp(const ClientApp&) = delete;
  ClientApp& operator=(const ClientApp&) = delete;

  /// The whole run; the process exit status (0: every path ends quietly).
  int Run();

  /// Sets how hook programs are started (none set: hooks are not run).
  void SetProgramRunner(ProgramRunner runner) { programRunner_ = std::move(runner); }
  /// Sets how a server-configuration location is fetched.
  void SetConfigFetcher(ConfigFetcher fetcher) { configFetcher_ = std::move(fetcher); }
  /// Sets the windows of the run (none: no tray, and the skin step fails).
  void SetSessionUi(SessionUi* ui) { sessionUi_ = ui; }
  /// Sets how the self-update looks for and starts its processes.
  void SetSelfUpdateTools(SelfUpdateTools tools) { selfUpdateTools_ = std::move(tools); }

  /// One log line (GBK); nothing while the log is closed or switched off.
  void WriteLog(std::string_view text) { log_.WriteLog(text); }
  ClientLog& Log() { return log_; }

  /// The information box ("\n" + text + "\n", caption "信息提示"); shown only
  /// while the session show type lets boxes appear.
  void ShowInformation(std::string_view text);

  /// Takes path (GBK) as the program file and derives the application
  /// folder, exe file name and archive name from it; Run() does this with
  /// the running program's own path.
  void UseModulePath(std::string path) {
    modulePath_ = std::move(path);
    DeriveNames();
  }

  // Start-up values.
  const std::string& ModulePath() const { return modulePath_; }
  const std::string& AppFolder() const { return appFolder_; }
  const std::string& ExeFileName() const { return exeFileName_; }
  const std::string& ArchiveName() const { return archiveName_; }
  /// The configuration archive beside the program (GBK path).
  std::string ArchivePath() const { return appFolder_ + archiveName_; }
  /// Where the client configuration was found; nullopt before or when none.
  const std::optional<ClientConfigSource>& ConfigSource() const { return configSource_; }
  const formats::FolderValues& Folders() const { return folders_; }
  const std::string& WorkFolder() const { return workFolder_; }
  const std::string& CommandLine() const { return commandLine_; }
  /// The switches read from the command line by the pass head.
  const CommandLineSwitches& Switches() const { return switches_; }
  int64_t HostWindow() const { return notifier_.HostWindow(); }
  HostNotifier& Notifier() { return notifier_; }
  RunMode Mode() const { return runMode_; }
  void SetMode(RunMode mode) { runMode_ = mode; }
  bool LogSwitch() const { return logSwitch_; }
  bool TraySwitch() const { return traySwitch_; }
  bool TrayCreated() const { return trayCreated_; }
  AccentColour Accent() const { return accent_; }
  Prompter& Prompts() { return prompter_; }

  // Configuration values (the current pass).
  int ShowType() const { return pass_.showType; }
  void SetShowType(int type) { pass_.showType = type; }
  int OpMode() const { return pass_.opMode; }
  void SetOpMode(int mode) { pass_.opMode = mode; }
  formats::UrlList& ServerUrls() { return pass_.serverUrls; }
  int RandomSel() const { return pass_.randomsel; }
  int TryAllUrl() const { return pass_.tryallurl; }
  SystemSettings& System() { return pass_.system; }
  UiSettings& Ui() { return pass_.ui; }
  SessionDecision& Decision() { return pass_.decision; }
  FileItems& Files() { return pass_.files; }
  DirItems& Dirs() { return pass_.dirs; }
  /// Clears the pass state: item slots, location lists, settings, decision
  /// and run state start empty.
  void BeginPass();
  /// Makes the run state of this pass for the session window (replacing an
  /// earlier one) and returns it.
  RunState& StartRunState();
  /// The run state of this pass; null before the session window started.
  RunState* CurrentRun() { return pass_.run.get(); }
  /// Marks the items newer on the server than here (with at least one
  /// location) and decides whether programs must be closed; true when any
  /// item is marked.
  bool CompareVersions();
  /// Looks among the newer file items installed in the program's own folder
  /// (or without a path) for a new program file or configuration archive;
  /// true when one was found (indexes in Decision()). A program item whose
  /// version is not dotted decimal is logged and no longer counts as new.
  bool FindSelfUpdateItems();

  /// "client.dat" as last read; nullptr before it was read.
  common::IniDocument* ClientDocument() { return pass_.clientDoc.get(); }

 private:
  // Start-up and exit (client_app.cpp).
  /// A run that gave up on the instance lock tells its host -5, then 4.
  void TellHostOfBusyInstance();
  platform::InstanceLock::Result GuardInstance();
  /// No lock could be made at all: says why on stderr, tells the host the
  /// run is over (code 4) and returns the exit status.
  int RefuseToRun();
  void DeriveNames();
  void ResolveFolders();
  void PickAccentColour();
  bool RunPassHead();
  bool ParseCommandLine();
  void ExitSequence();
  /// Logs the hook's line and runs it, then logs its result; or logs that
  /// none is set.
  void LogHookOrNone(std::string_view gbkLabel, const std::string& command, bool wait);

  // The session after the command line (client_app_session.cpp).
  /// One pass after its head; true when another pass is to follow (the
  /// configuration archive replaced itself).
  bool RunSession();
  void NoConfigurationPath();
  void NoUpdatePath();
  /// The start prompt; true to go on (also when it is not asked).
  bool AskToStart();

  // Self-update (client_app_self_update.cpp).
  enum class SelfUpdateOutcome { kNewPass, kExit, kOrdinaryItems };
  /// The old program's part: a new pass with the new archive, the exit
  /// (the new program takes over), or, after a failure, the other items.
  SelfUpdateOutcome SelfUpdatePath();
  /// A self-update that did not happen: its files removed, the host told
  /// -3 when the download page has not, refused items remembered, the log
  /// switched back on; kOrdinaryItems when other items are new.
  SelfUpdateOutcome SelfUpdateFailed(bool logWasOn, bool refused, bool tellHost);
  /// Drops the self-update items found in a run; false when no other item
  /// is new.
  bool DropSelfUpdateItems();
  /// True when some file or dir item is marked new.
  bool AnyNewItem() const;
  /// The temporary program's part; always false (the run ends).
  bool RelaunchStep();
  /// The replaced program's part, before its ordinary run.
  void CompletionStep();
  /// A run that completes a self-update and still finds its own program
  /// newer on the server does not start another one; false when nothing
  /// else is left to update.
  bool DropRepeatedProgramItem();
  /// Logs a temporary program left behind by a self-update that stopped.
  void NoteUnfinishedSelfUpdate();
  void SwitchLogOff();

  // Configuration (client_app_config.cpp).
  bool ReadPreSettings();
  /// The client part ("client.dat"); false on the no-configuration path.
  bool LoadClientConfiguration();
  void ShowStartupBox(std::string_view text);

  // Server configuration (client_app_server.cpp).
  /// The server part, after the client part; false on the no-configuration path.
  bool LoadServerConfiguration();

  Prompter& prompter_;
  ProgramRunner programRunner_;
  ConfigFetcher configFetcher_;
  SessionUi* sessionUi_ = nullptr;
  SelfUpdateTools selfUpdateTools_;
  std::string commandLine_;
  CommandLineSwitches switches_;

  std::string modulePath_;
  std::string appFolder_;
  std::string exeFileName_;
  std::string archiveName_;
  formats::FolderValues folders_;
  std::string workFolder_;
  RunMode runMode_ = RunMode::Normal;
  HostNotifier notifier_;
  std::optional<ClientConfigSource> configSource_;
  bool logSwitch_ = false;
  bool traySwitch_ = false;
  bool trayCreated_ = false;
  AccentColour accent_;
  platform::InstanceLock lock_;
  ClientLog log_;
  // Log lines of the start-up (the recovery of a cut-off installation, a
  // temporary folder passed over), written once the log is open.
  std::vector<std::string> startupLogLines_;

  PassState pass_;
};

}  // namespace session
