#pragma once
// ProcessCloser: before the installation replaces anything, it closes the
// programs that would hold the files: those the server configuration names
// (by executable name, window title or window class) and every running
// program whose executable is a file about to be replaced. A program that
// only maps such a file (a library, a data file) keeps running: each file
// goes in by a rename, and the program keeps the old file it mapped. The
// user is warned once per run before the first one is closed. A program is
// asked to quit first (SIGTERM) and given 5 seconds before it is ended by
// force.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "platform/processes.h"

namespace platform {
class FileOperations;
}

namespace transfer {

struct InstallEnv;

// What the closer does to processes, the platform's calls by default; a
// test makes one fail (as root every process can be signalled).
class ProcessControl {
 public:
  virtual ~ProcessControl() = default;
  virtual bool CanOpen(int pid) { return platform::CanOpen(pid); }
  virtual bool IsAlive(int pid) { return platform::IsProcessAlive(pid); }
  virtual platform::SignalResult SendQuit(int pid) { return platform::SendQuit(pid); }
  virtual platform::SignalResult Terminate(int pid) { return platform::Terminate(pid); }
  virtual platform::WaitResult WaitForEnd(int pid, std::chrono::milliseconds timeout) {
    return platform::WaitForEnd(pid, timeout);
  }
  virtual std::vector<std::vector<int>> RunningFiles(const std::vector<std::string>& nativePaths) {
    return platform::ProcessesRunningFiles(nativePaths);
  }
};

class ProcessCloser {
 public:
  explicit ProcessCloser(InstallEnv& env) : env_(env) {}

  /// The first running process whose executable file name equals name (any
  /// case), else this process when one of its mapped files ends with name;
  /// 0 when none. Needs no run: the self-update waits with it too.
  static int FindProcessByName(std::string_view gbkName);
  /// Ends the process; false (after telling the user) when it cannot be
  /// ended.
  bool EndProcess(int pid);
  /// The whole close step of the installation; false when the update must
  /// stop (nothing has been changed on disk then).
  bool CloseRelatedPrograms();

  /// How long a program asked to quit is given (5 s in a run).
  void SetQuitWait(std::chrono::milliseconds wait) { quitWait_ = wait; }
  /// Another way to act on processes (not owned); null: the platform's.
  void SetProcessControl(ProcessControl* control) { control_ = control ? control : &platformControl_; }

 private:
  /// Warns once, logs the entry and ends the process.
  bool CloseOne(int pid, const std::string& entry);
  bool CloseInUseFiles();

  InstallEnv& env_;
  ProcessControl platformControl_;
  ProcessControl* control_ = &platformControl_;
  bool prompted_ = false;
  std::chrono::milliseconds quitWait_{5000};
};

}  // namespace transfer
