#include "platform/processes.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <set>

#include "common/gbk.h"
#include "platform/win32_text.h"

namespace platform {
namespace {

// Closes a handle when it goes out of scope.
struct Handle {
  HANDLE h;
  explicit Handle(HANDLE handle) : h(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~Handle() {
    if (h) CloseHandle(h);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
};

std::string ImagePath(DWORD pid) {
  Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process.h) return "";
  wchar_t path[4096];
  DWORD size = 4096;
  if (!QueryFullProcessImageNameW(process.h, 0, path, &size)) return "";
  return NativeFromWide(std::wstring_view(path, size));
}

// Paths compare as the file system does: without regard to case.
std::string Folded(std::string path) {
  for (char& c : path) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return path;
}

// The files a process maps: its program and every module it loaded.
std::vector<std::string> ModulesOf(DWORD pid) {
  std::vector<std::string> paths;
  Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, pid));
  if (!snapshot.h) return paths;
  MODULEENTRY32W module{};
  module.dwSize = sizeof module;
  for (BOOL more = Module32FirstW(snapshot.h, &module); more; more = Module32NextW(snapshot.h, &module)) {
    paths.push_back(NativeFromWide(module.szExePath));
  }
  return paths;
}

std::vector<DWORD> ProcessIds() {
  std::vector<DWORD> ids;
  Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.h) return ids;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.h, &entry); more; more = Process32NextW(snapshot.h, &entry)) {
    if (entry.th32ProcessID != 0) ids.push_back(entry.th32ProcessID);
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

BOOL CALLBACK PostQuit(HWND window, LPARAM pid) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == static_cast<DWORD>(pid)) PostMessageW(window, WM_QUIT, 0, 0);
  return TRUE;
}

}  // namespace

std::vector<ProcessInfo> ListProcesses() {
  std::vector<ProcessInfo> list;
  for (DWORD pid : ProcessIds()) {
    const std::string path = ImagePath(pid);
    if (path.empty()) continue;  // not ours to look at
    ProcessInfo info;
    info.pid = static_cast<int>(pid);
    info.path = common::Utf8ToGbk(path);
    info.name = info.path.substr(info.path.rfind('/') + 1);
    list.push_back(std::move(info));
  }
  return list;
}

std::vector<int> ProcessesUsingFile(const std::string& nativePath) {
  return ProcessesUsingFiles({nativePath})[0];
}

std::vector<std::vector<int>> ProcessesUsingFiles(const std::vector<std::string>& nativePaths) {
  std::vector<std::vector<int>> users(nativePaths.size());
  std::vector<std::string> wanted;
  for (const std::string& path : nativePaths) {
    wanted.push_back(GetFileAttributesW(Wide(path).c_str()) == INVALID_FILE_ATTRIBUTES ? std::string()
                                                                                        : Folded(path));
  }
  for (DWORD pid : ProcessIds()) {
    std::set<std::string> mapped;
    for (const std::string& module : ModulesOf(pid)) mapped.insert(Folded(module));
    for (size_t i = 0; i < wanted.size(); ++i) {
      if (!wanted[i].empty() && mapped.count(wanted[i])) users[i].push_back(static_cast<int>(pid));
    }
  }
  return users;
}

std::vector<std::vector<int>> ProcessesRunningFiles(const std::vector<std::string>& nativePaths) {
  std::vector<std::vector<int>> runners(nativePaths.size());
  std::vector<std::string> wanted;
  for (const std::string& path : nativePaths) {
    wanted.push_back(GetFileAttributesW(Wide(path).c_str()) == INVALID_FILE_ATTRIBUTES ? std::string()
                                                                                        : Folded(path));
  }
  for (DWORD pid : ProcessIds()) {
    const std::string image = ImagePath(pid);
    if (image.empty()) continue;
    const std::string folded = Folded(image);
    for (size_t i = 0; i < wanted.size(); ++i) {
      if (!wanted[i].empty() && folded == wanted[i]) runners[i].push_back(static_cast<int>(pid));
    }
  }
  return runners;
}

std::vector<std::string> OwnMappedFiles() {
  std::vector<std::string> files;
  for (const std::string& module : ModulesOf(GetCurrentProcessId())) {
    const std::string gbk = common::Utf8ToGbk(module);
    if (std::find(files.begin(), files.end(), gbk) == files.end()) files.push_back(gbk);
  }
  return files;
}

int OwnProcessId() { return static_cast<int>(GetCurrentProcessId()); }

bool IsProcessAlive(int pid) {
  Handle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
  return process.h && WaitForSingleObject(process.h, 0) == WAIT_TIMEOUT;
}

bool CanOpen(int pid) {
  Handle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
  return process.h != nullptr;
}

SignalResult SendQuit(int pid) {
  if (!IsProcessAlive(pid)) return SignalResult::kNoProcess;
  if (!CanOpen(pid)) return SignalResult::kAccessDenied;
  // A desktop program is asked to quit through its windows: WM_QUIT ends
  // the message loop of the thread that owns the window.
  EnumWindows(PostQuit, static_cast<LPARAM>(pid));
  return SignalResult::kSent;
}

SignalResult Terminate(int pid) {
  Handle process(OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid)));
  if (!process.h) {
    return GetLastError() == ERROR_ACCESS_DENIED ? SignalResult::kAccessDenied : SignalResult::kNoProcess;
  }
  return TerminateProcess(process.h, 1) ? SignalResult::kSent : SignalResult::kAccessDenied;
}

WaitResult WaitForEnd(int pid, std::chrono::milliseconds timeout) {
  Handle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
  if (!process.h) return WaitResult::kEnded;
  return WaitForSingleObject(process.h, static_cast<DWORD>(timeout.count())) == WAIT_TIMEOUT ? WaitResult::kTimedOut
                                                                                            : WaitResult::kEnded;
}

}  // namespace platform
