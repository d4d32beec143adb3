#include "platform/launcher.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace platform {
namespace {

// How long a document opener may take to say whether it found a program
// for the file when the caller does not wait. xdg-open returns as soon as
// it has handed the file on, so this only bounds a slow desktop.
constexpr auto kOpenerVerdictTime = std::chrono::seconds(2);

int ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR: return kErrorAccessDenied;
    case ENOMEM:
    case E2BIG:
    case EAGAIN: return kErrorNotEnoughMemory;
    case ETXTBSY: return kErrorSharingViolation;
    case ENOEXEC: return kErrorNoAssociation;  // no program the system can start
    default: return 10000 + error;  // no text of its own
  }
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// Why `path` cannot be reached: a missing or non-folder parent is a path
// error, a missing last component a file error.
int MissingError(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return kLaunchOk;
  return ErrorFromErrno(errno);
}

// The child changes to its working folder before the program is executed,
// so a relative program path must be made absolute first.
std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  char* cwd = getcwd(nullptr, 0);
  if (!cwd) return path;
  std::string full = std::string(cwd) + "/" + path;
  free(cwd);
  return full;
}

int WaitForChild(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;  // someone else reaped it
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A child we do not wait for is reaped by a small detached thread, so it
// never stays a zombie; the thread ends with the child.
void ReapInBackground(pid_t pid) {
  try {
    std::thread([pid] { WaitForChild(pid); }).detach();
  } catch (...) {
    // No thread to spare: the child stays a zombie until we exit. The
    // start itself succeeded, so the caller is not told otherwise.
  }
}

// posix_spawn without the shell: arguments go through untouched. Returns
// an errno value, 0 on success.
int Spawn(const std::string& path, const std::vector<std::string>& arguments,
          const std::string& folder, bool hidden, pid_t* pid) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  // The child gets standard input, output and error only: whatever this
  // process (or a library it uses) opened without close-on-exec - the log,
  // a lock, a socket - stays here.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  if (hidden) {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  }
  // The child starts with a clean signal state whatever this process (or
  // Qt) blocked or ignored.
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGCHLD);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  // posix_spawn, not posix_spawnp, and no second try with /bin/sh: a file
  // that is neither an ELF program nor a "#!" script (ENOEXEC) is refused,
  // never run as shell commands.
  const int error = posix_spawn(pid, path.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return error;
}

int StartProgram(const std::string& path, const LaunchRequest& request) {
  pid_t pid = 0;
  int error = Spawn(AbsolutePath(path), request.arguments, request.folder, request.hidden, &pid);
  if (error != 0) return ErrorFromErrno(error);
  if (request.wait) {
    WaitForChild(pid);
  } else {
    ReapInBackground(pid);
  }
  return kLaunchOk;
}

// Exit codes of xdg-open: 2 the file does not exist, 3 no tool for it,
// 4 the opening program failed.
int OpenerVerdict(int exitCode) {
  if (exitCode == 2) return kErrorFileNotFound;
  if (exitCode == 3 || exitCode == 4) return kErrorNoAssociation;
  return kLaunchOk;
}

int OpenDocument(const std::string& path, const LaunchRequest& request) {
  const std::string opener = FindInPath("xdg-open");
  if (opener.empty()) return kErrorNoAssociation;
  pid_t pid = 0;
  int error = Spawn(AbsolutePath(opener), {AbsolutePath(path)}, request.folder, request.hidden, &pid);
  if (error != 0) return kErrorNoAssociation;
  if (request.wait) return OpenerVerdict(WaitForChild(pid));
  const auto deadline = std::chrono::steady_clock::now() + kOpenerVerdictTime;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return OpenerVerdict(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    if (done < 0 && errno != EINTR) return kLaunchOk;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ReapInBackground(pid);  // still busy with the file: it has been handed on
  return kLaunchOk;
}

// The first bytes of an ELF header: magic, class, byte order, version, and
// (at 18) the machine type.
bool ReadElfHeader(const std::string& path, unsigned char (&head)[20]) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  const bool read20 = regular && read(fd, head, sizeof head) == static_cast<ssize_t>(sizeof head);
  close(fd);
  return read20 && head[0] == 0x7f && head[1] == 'E' && head[2] == 'L' && head[3] == 'F';
}

}  // namespace

bool IsNativeProgram(const std::string& path) {
  unsigned char own[20], other[20];
  if (!ReadElfHeader("/proc/self/exe", own) || !ReadElfHeader(path, other)) return false;
  // Class (4), byte order (5) and machine (18, 19) as the running program.
  return own[4] == other[4] && own[5] == other[5] && own[18] == other[18] && own[19] == other[19];
}

std::string FindInPath(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return {};
  const char* path = std::getenv("PATH");
  std::string list = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    // An empty entry means the current folder.
    std::string candidate =
        end == start ? "./" + name : list.substr(start, end - start) + "/" + name;
    if (IsExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return {};
}

int Launch(const LaunchRequest& request) {
  if (request.program.empty()) return kErrorFileNotFound;
  if (request.byNameOnly) {
    const std::string tool = FindInPath(request.program);
    if (tool.empty()) return kErrorNoAssociation;
    return StartProgram(tool, request);
  }
  if (!request.folder.empty() && !IsDirectory(request.folder)) {
    // A working folder that does not exist (or is a file) is a path error,
    // whether or not the program itself could be found.
    int error = MissingError(request.folder);
    return error == kLaunchOk || error == kErrorFileNotFound ? kErrorPathNotFound : error;
  }

  std::string path = request.program;
  if (path.find('/') == std::string::npos) {
    if (!request.folder.empty()) {
      path = request.folder + (request.folder.back() == '/' ? "" : "/") + path;
    } else if (MissingError(path) != kLaunchOk) {
      const std::string found = FindInPath(path);
      if (!found.empty()) path = found;
    }
  }
  if (int error = MissingError(path); error != kLaunchOk) return error;
  if (IsExecutableFile(path)) return StartProgram(path, request);
  return OpenDocument(path, request);
}

}  // namespace platform
