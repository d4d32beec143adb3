#include "platform/processes.h"

#include <dirent.h>
#include <errno.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string_view>
#include <thread>

#include "common/gbk.h"

namespace platform {
namespace {

constexpr std::string_view kDeletedSuffix = " (deleted)";
constexpr auto kPollInterval = std::chrono::milliseconds(20);

// The kernel writes " (deleted)" after the path of a program or mapping
// whose file has since been removed or replaced. The process still runs
// that program under that name, so the name is what the closer must see.
std::string WithoutDeletedMark(std::string path) {
  struct stat st;
  if (path.size() > kDeletedSuffix.size() && path.ends_with(kDeletedSuffix) &&
      lstat(path.c_str(), &st) != 0) {
    path.resize(path.size() - kDeletedSuffix.size());
  }
  return path;
}

std::string ReadLink(const std::string& link) {
  char buf[PATH_MAX];
  const ssize_t n = readlink(link.c_str(), buf, sizeof(buf));
  if (n <= 0 || static_cast<size_t>(n) >= sizeof(buf)) return {};
  return std::string(buf, static_cast<size_t>(n));
}

// Pids of /proc in ascending order.
std::vector<int> AllPids() {
  std::vector<int> pids;
  DIR* dir = opendir("/proc");
  if (!dir) return pids;
  while (dirent* entry = readdir(dir)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (pid > 0 && *end == '\0') pids.push_back(static_cast<int>(pid));
  }
  closedir(dir);
  std::sort(pids.begin(), pids.end());
  return pids;
}

std::string ProcFile(int pid, const char* name) {
  return "/proc/" + std::to_string(pid) + "/" + name;
}

// One line of /proc/<pid>/maps: "start-end perms offset major:minor inode path".
struct Mapping {
  unsigned major = 0, minor = 0;
  unsigned long long inode = 0;
  std::string path;  // empty for anonymous memory
};

bool ParseMapping(const std::string& line, Mapping* out) {
  int pathStart = -1;
  if (std::sscanf(line.c_str(), "%*s %*s %*s %x:%x %llu %n", &out->major, &out->minor, &out->inode,
                  &pathStart) < 3) {
    return false;
  }
  out->path = pathStart >= 0 && static_cast<size_t>(pathStart) < line.size()
                  ? line.substr(static_cast<size_t>(pathStart))
                  : std::string();
  return true;
}

template <typename Visit>
void ForEachMapping(const std::string& mapsFile, Visit visit) {
  std::ifstream in(mapsFile);
  std::string line;
  Mapping mapping;
  while (std::getline(in, line)) {
    if (ParseMapping(line, &mapping) && !visit(mapping)) return;
  }
}

// True while the process has not exited: a zombie ("Z") or a dying one
// ("X") has, though kill(pid, 0) still reaches it.
bool HasNotExited(int pid) {
  std::ifstream in(ProcFile(pid, "stat"));
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = stat.rfind(')');  // the command name may hold ") "
  if (close == std::string::npos || close + 2 >= stat.size()) return true;
  const char state = stat[close + 2];
  return state != 'Z' && state != 'X' && state != 'x';
}

SignalResult Send(int pid, int signal) {
  // kill() with 0 or a negative id reaches a whole process group.
  if (pid <= 0) return SignalResult::kNoProcess;
  if (kill(pid, signal) == 0) return SignalResult::kSent;
  return errno == EPERM ? SignalResult::kAccessDenied : SignalResult::kNoProcess;
}

int OpenProcessDescriptor(int pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
  errno = ENOSYS;
  return -1;
#endif
}

}  // namespace

std::vector<ProcessInfo> ListProcesses() {
  std::vector<ProcessInfo> processes;
  for (int pid : AllPids()) {
    const std::string path = WithoutDeletedMark(ReadLink(ProcFile(pid, "exe")));
    if (path.empty()) continue;  // not ours to read, a kernel thread, or gone
    ProcessInfo info;
    info.pid = pid;
    info.path = common::Utf8ToGbk(path);
    info.name = info.path.substr(info.path.rfind('/') + 1);
    processes.push_back(std::move(info));
  }
  return processes;
}

std::vector<int> ProcessesUsingFile(const std::string& nativePath) {
  return ProcessesUsingFiles({nativePath}).front();
}

namespace {

// One walk over the processes for both questions: who executes each file,
// and (withMappings) who maps it.
std::vector<std::vector<int>> ProcessesHoldingFiles(const std::vector<std::string>& nativePaths,
                                                    bool withMappings) {
  std::vector<std::vector<int>> users(nativePaths.size());
  struct Wanted {
    size_t index;
    struct stat file;
    std::string canonical;
  };
  std::vector<Wanted> wanted;
  for (size_t i = 0; i < nativePaths.size(); ++i) {
    Wanted w{i, {}, {}};
    if (nativePaths[i].empty() || stat(nativePaths[i].c_str(), &w.file) != 0) continue;
    char* resolved = realpath(nativePaths[i].c_str(), nullptr);
    w.canonical = resolved ? resolved : nativePaths[i];
    free(resolved);
    wanted.push_back(std::move(w));
  }
  if (wanted.empty()) return users;
  // Maps name a file by the path the process opened it under and by device
  // and inode; on layered file systems the numbers may be those of the layer
  // below, so either one matching counts.
  auto sameFile = [](const Wanted& w, const Mapping& m) {
    return m.path == w.canonical || (m.inode == w.file.st_ino && m.major == major(w.file.st_dev) &&
                                     m.minor == minor(w.file.st_dev));
  };
  for (int pid : AllPids()) {
    std::vector<bool> uses(wanted.size(), false);
    struct stat exe;
    if (stat(ProcFile(pid, "exe").c_str(), &exe) == 0) {
      for (size_t k = 0; k < wanted.size(); ++k) {
        uses[k] = exe.st_dev == wanted[k].file.st_dev && exe.st_ino == wanted[k].file.st_ino;
      }
    }
    if (withMappings) {
      ForEachMapping(ProcFile(pid, "maps"), [&](const Mapping& m) {
        if (m.inode == 0) return true;  // anonymous memory, [heap], [stack]
        for (size_t k = 0; k < wanted.size(); ++k) uses[k] = uses[k] || sameFile(wanted[k], m);
        return true;
      });
    }
    for (size_t k = 0; k < wanted.size(); ++k) {
      if (uses[k]) users[wanted[k].index].push_back(pid);
    }
  }
  return users;
}

}  // namespace

std::vector<std::vector<int>> ProcessesUsingFiles(const std::vector<std::string>& nativePaths) {
  return ProcessesHoldingFiles(nativePaths, true);
}

std::vector<std::vector<int>> ProcessesRunningFiles(const std::vector<std::string>& nativePaths) {
  return ProcessesHoldingFiles(nativePaths, false);
}

std::vector<std::string> OwnMappedFiles() {
  std::vector<std::string> files;
  ForEachMapping("/proc/self/maps", [&](const Mapping& m) {
    if (m.path.empty() || m.path[0] != '/') return true;  // [heap], [stack], anonymous
    std::string path = common::Utf8ToGbk(WithoutDeletedMark(m.path));
    if (std::find(files.begin(), files.end(), path) == files.end()) files.push_back(std::move(path));
    return true;
  });
  return files;
}

int OwnProcessId() { return static_cast<int>(getpid()); }

bool IsProcessAlive(int pid) {
  if (pid <= 0) return false;
  if (kill(pid, 0) != 0 && errno != EPERM) return false;
  return HasNotExited(pid);
}

bool CanOpen(int pid) { return pid > 0 && kill(pid, 0) == 0; }

SignalResult SendQuit(int pid) { return Send(pid, SIGTERM); }

SignalResult Terminate(int pid) { return Send(pid, SIGKILL); }

WaitResult WaitForEnd(int pid, std::chrono::milliseconds timeout) {
  if (!IsProcessAlive(pid)) return WaitResult::kEnded;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  // A process descriptor pins the process: it cannot be mistaken for a new
  // process that reuses the id, and it turns readable when the process exits.
  const int fd = OpenProcessDescriptor(pid);
  if (fd < 0 && errno == ESRCH) return WaitResult::kEnded;
  if (fd >= 0) {
    for (;;) {
      // Rounded up: the wait never ends before the time-out.
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd p{fd, POLLIN, 0};
      const int ready = poll(&p, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
      if (ready != 0 && !(ready < 0 && errno == EINTR)) {
        close(fd);
        return WaitResult::kEnded;  // a failed wait counts as ended
      }
      if (ready == 0 || left.count() <= 0) break;
    }
    close(fd);
    return IsProcessAlive(pid) ? WaitResult::kTimedOut : WaitResult::kEnded;
  }
  while (IsProcessAlive(pid)) {
    if (std::chrono::steady_clock::now() >= deadline) return WaitResult::kTimedOut;
    std::this_thread::sleep_for(kPollInterval);
  }
  return WaitResult::kEnded;
}

}  // namespace platform
