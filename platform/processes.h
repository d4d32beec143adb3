#pragma once
// Processes: the running programs of this machine as the process closer sees
// them (the executable of each, the files each one maps), and the three
// things it does to one: ask it to quit, end it by force, wait for its end.
//
// Texts: executable and mapped-file paths come back as the program keeps
// text (GBK, "/" separating folders), like ModulePath; a path handed in is a
// native path (UTF-8, "/"), like the launcher's, made by common::NativePath.
//
// "Ended" means the process has exited, whether or not its parent has
// collected its exit status yet: an exited process (a zombie) holds no file
// open and no mapping, which is all the closer waits for. Nothing here
// collects a child's status; a caller's own children stay its to reap.

#include <chrono>
#include <string>
#include <vector>

namespace platform {

struct ProcessInfo {
  int pid = 0;
  std::string path;  // full path of the executable (GBK)
  std::string name;  // its file name, the part names are matched against (GBK)
};

/// Every process whose executable this user may read, in pid order. Processes
/// we may not look at (other users' without privilege, kernel threads) are
/// left out; an unreadable process list gives an empty list.
std::vector<ProcessInfo> ListProcesses();

/// Ids of the processes that run `nativePath` as their executable or map it
/// (a shared library, a mapped data file), in pid order. A process that maps
/// an older file since replaced at that path does not count: it holds the
/// old file, not this one. Empty when the file does not exist.
std::vector<int> ProcessesUsingFile(const std::string& nativePath);

/// The same for many files in one walk over the processes (an installation
/// asks about every file it will replace): entry i holds the ids for
/// nativePaths[i].
std::vector<std::vector<int>> ProcessesUsingFiles(const std::vector<std::string>& nativePaths);

/// Ids of the processes that run nativePaths[i] as their executable (entry
/// i), in one walk; mappings do not count. A file replaced by renaming a new
/// one over it may stay mapped; only a running program holds its file
/// against being opened for writing.
std::vector<std::vector<int>> ProcessesRunningFiles(const std::vector<std::string>& nativePaths);

/// Full paths (GBK) of the files this process maps (its program and its
/// libraries first among them), each once, in address order.
std::vector<std::string> OwnMappedFiles();

int OwnProcessId();

/// True while the process exists and has not exited.
bool IsProcessAlive(int pid);

/// False when this process may not signal `pid` (another user's process
/// without privilege) or when there is no such process.
bool CanOpen(int pid);

enum class SignalResult {
  kSent,
  kNoProcess,     // no such process (any more)
  kAccessDenied,  // not ours to signal
};

/// Asks the process to quit the way a desktop program is asked to (SIGTERM):
/// it may save, take its time, or ignore the request.
SignalResult SendQuit(int pid);
/// Ends the process at once (SIGKILL); it cannot refuse.
SignalResult Terminate(int pid);

enum class WaitResult {
  kEnded,     // exited (or there was no such process)
  kTimedOut,  // still running after the time-out
};

/// Waits up to `timeout` for the process to exit. Waits on a process
/// descriptor where the kernel has them, else looks every 20 ms.
WaitResult WaitForEnd(int pid, std::chrono::milliseconds timeout);

}  // namespace platform
