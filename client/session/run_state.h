#pragma once
// RunState: the state of one update run that the download and installation
// stages share and that must outlive the pages filling and reading it. It
// holds the per-item work (download records, backed-up files, new files,
// the runme path) and whether the update succeeded, and refers to what the
// stages need from the run: the item slots, the server settings, the show
// type, the log, the host notifier, the prompter, the hook runner and the
// places (work folder, configuration archive). ClientApp makes it when the
// session window starts; the stages get it by reference.
//
// Threads: the stage workers read and fill it while the page's thread waits
// for them; nothing here is locked. One stage writes an item's work at a
// time (download, then installation), and the log, the host notifier and
// the hook runner are safe from any thread.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "client/session/config_source.h"
#include "client/session/hook_call.h"
#include "client/session/item_slots.h"
#include "client/session/new_item_plan.h"
#include "client/session/server_settings.h"
#include "client/session/session_modes.h"

namespace common {
class IniDocument;
}

namespace session {

class ClientLog;
class HostNotifier;
class Prompter;

/// One file the download stage put into an item's temporary folder.
struct DownloadRecord {
  std::string subFolder;  // below the item's source folder, without leading or
                          // trailing separator; "" for a file item
  std::string name;       // the file's name
  std::string tempName;   // its name in the item's temporary folder
  int64_t size = 0;       // bytes from the listing; not used for file items
};

/// The work of one run on one item slot.
struct ItemWork {
  std::vector<DownloadRecord> downloads;   // filled by the download stage
  std::vector<std::string> backedUpFiles;  // installed paths with a ".ebk" beside them
  std::vector<std::string> newFiles;       // installed paths this run put in place
  std::string runmePath;                   // file item with runme: the installed program
};

/// What the stages use from the run; owned by the run (ClientApp) and
/// living longer than the session window.
struct RunRefs {
  FileItems& files;  // the download stage uses up their mirror lists
  DirItems& dirs;
  const SystemSettings& system;
  const UiSettings& ui;
  const SessionDecision& decision;
  int& showType;  // the tray's show command sets it to 0 during the run
  ClientLog& log;
  HostNotifier& host;
  Prompter& prompter;  // boxes asked outside a page; pages ask through their sink
  const ProgramRunner& runProgram;      // empty: hook programs are not run
  common::IniDocument* clientDocument;  // "client.dat" as read; null when it was not
};

/// Where the run works and what kind of run it is.
struct RunPlaces {
  RunMode runMode = RunMode::Normal;
  int opMode = 0;             // 0 manual, 1 automatic
  std::string modulePath;     // the running program (GBK, "/" separators)
  std::string appFolder;      // ends in "/"
  std::string workFolder;     // ends in "/"
  std::string archivePath;    // the configuration archive the run read
  // Where the client configuration came from ("client.dat" of the archive,
  // or a package's configuration); WriteClientConfiguration writes there.
  ClientConfigSource clientConfig;
  // The server configuration's locations, the one that answered first:
  // patches are named relative to them.
  formats::UrlList configLocations;
  // The server configuration was signed: every installed byte must then be
  // covered by it (digest and length of each file, a dir item's file list).
  bool signedConfig = false;
};

class RunState {
 public:
  RunState(RunRefs refs, RunPlaces places) : refs_(refs), places_(std::move(places)) {}
  RunState(const RunState&) = delete;
  RunState& operator=(const RunState&) = delete;

  FileItems& Files() { return refs_.files; }
  DirItems& Dirs() { return refs_.dirs; }
  const SystemSettings& System() const { return refs_.system; }
  const UiSettings& Ui() const { return refs_.ui; }
  const SessionDecision& Decision() const { return refs_.decision; }
  ClientLog& Log() { return refs_.log; }
  HostNotifier& Host() { return refs_.host; }
  Prompter& Prompts() { return refs_.prompter; }
  common::IniDocument* ClientDocument() { return refs_.clientDocument; }
  const RunPlaces& Places() const { return places_; }
  RunMode Mode() const { return places_.runMode; }
  bool Manual() const { return places_.opMode == 0; }

  int ShowType() const { return refs_.showType; }
  void SetShowType(int type) { refs_.showType = type; }

  /// The work on file item slot n (0-19) and dir item slot n (0-9).
  ItemWork& FileWork(int n) { return fileWork_.at(static_cast<size_t>(n)); }
  ItemWork& DirWork(int n) { return dirWork_.at(static_cast<size_t>(n)); }

  /// The item's temporary folder: work folder + "file%d/" or "dir%d/".
  std::string FileTempFolder(int n) const;
  std::string DirTempFolder(int n) const;

  /// The run's new items as they are marked now (file items first).
  NewItemPlan NewItems() const { return PlanNewItems(refs_.files, refs_.dirs); }
  /// The work and the temporary folder of a planned item.
  ItemWork& Work(const PlannedItem& item) { return item.IsDir() ? DirWork(item.slot) : FileWork(item.slot); }
  std::string TempFolder(const PlannedItem& item) const {
    return item.IsDir() ? DirTempFolder(item.slot) : FileTempFolder(item.slot);
  }

  bool UpdateSucceeded() const { return updateSucceeded_; }
  void SetUpdateSucceeded(bool succeeded) { updateSucceeded_ = succeeded; }

  /// Set by a self-update download whose bytes were refused (a program that
  /// cannot run, an archive without a readable "client.dat"): the same
  /// files would be refused again, unlike after a failed connection.
  bool SelfUpdateRefused() const { return selfUpdateRefused_; }
  void SetSelfUpdateRefused() { selfUpdateRefused_ = true; }

  /// One log line (GBK); safe from any thread.
  void WriteLog(std::string_view gbkText);
  /// Runs a hook program; "" when the run has no runner.
  std::string RunHook(std::string_view commandLine, bool wait);
  /// A configured hook with its announcing line through `say`, or the line
  /// that none is set (see RunHookOrSayNone in hook_call.h).
  [[nodiscard]] std::optional<std::string> RunHookOrSayNone(std::string_view gbkLabel, const std::string& command,
                                                            bool wait, const LineFn& say) {
    return session::RunHookOrSayNone(gbkLabel, command, wait, say, refs_.runProgram);
  }
  /// The same, the lines going to the log.
  [[nodiscard]] std::optional<std::string> RunHookOrLogNone(std::string_view gbkLabel, const std::string& command,
                                                            bool wait) {
    return RunHookOrSayNone(gbkLabel, command, wait, [this](std::string_view line) { WriteLog(line); });
  }

 private:
  RunRefs refs_;
  RunPlaces places_;
  std::array<ItemWork, kFileItemCount> fileWork_;
  std::array<ItemWork, kDirItemCount> dirWork_;
  bool updateSucceeded_ = false;
  std::atomic<bool> selfUpdateRefused_{false};
};

}  // namespace session
