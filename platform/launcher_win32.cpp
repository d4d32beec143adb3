#include "platform/launcher.h"

#include <windows.h>
#include <shellapi.h>

#include <thread>
#include <vector>

#include "platform/win32_text.h"

namespace platform {
namespace {

int ErrorFromSystem(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: return kErrorFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY:
    case ERROR_INVALID_NAME: return kErrorPathNotFound;
    case ERROR_ACCESS_DENIED: return kErrorAccessDenied;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return kErrorNotEnoughMemory;
    case ERROR_SHARING_VIOLATION: return kErrorSharingViolation;
    case ERROR_NO_ASSOCIATION: return kErrorNoAssociation;
    default: return static_cast<int>(error);  // the system's own number
  }
}

DWORD Attributes(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()); }

bool IsDirectory(const std::string& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Programs the system starts itself; every other file goes to the shell.
bool IsProgramFile(const std::string& path) {
  if (path.size() < 4 || IsDirectory(path)) return false;
  std::string ext = path.substr(path.size() - 4);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return ext == ".exe" || ext == ".com";
}

// One argument as the C runtime of the child splits its command line:
// quotes around blanks, backslashes doubled only before a quote.
void AppendQuoted(std::wstring* line, const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    *line += arg;
    return;
  }
  *line += L'"';
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line->append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    *line += c;
  }
  line->append(backslashes * 2, L'\\');
  *line += L'"';
}

std::wstring WindowsPath(const std::string& path) {
  std::wstring wide = Wide(path);
  for (wchar_t& c : wide) c = c == L'/' ? L'\\' : c;
  return wide;
}

int StartProgram(const std::string& program, const LaunchRequest& request) {
  const std::wstring path = WindowsPath(program);
  std::wstring line;
  AppendQuoted(&line, path);
  for (const std::string& arg : request.arguments) {
    line += L' ';
    AppendQuoted(&line, Wide(arg));
  }
  STARTUPINFOEXW info{};
  info.StartupInfo.cb = sizeof info;
  // Only the standard handles are inherited: a lock or a log this process
  // holds open must not live on in a program that outlasts it.
  HANDLE nul = INVALID_HANDLE_VALUE;
  std::vector<HANDLE> handles;
  if (request.hidden) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                      OPEN_EXISTING, 0, nullptr);
    info.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    info.StartupInfo.wShowWindow = SW_HIDE;
    info.StartupInfo.hStdInput = info.StartupInfo.hStdOutput = info.StartupInfo.hStdError = nul;
    if (nul != INVALID_HANDLE_VALUE) handles.push_back(nul);
  } else {
    for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
      HANDLE h = GetStdHandle(which);
      DWORD flags = 0;
      if (h && h != INVALID_HANDLE_VALUE && GetHandleInformation(h, &flags) &&
          SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
        bool seen = false;
        for (HANDLE known : handles) seen = seen || known == h;
        if (!seen) handles.push_back(h);
      }
    }
  }
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<char> attributes(size);
  auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
  const bool haveList = !handles.empty() && InitializeProcThreadAttributeList(list, 1, 0, &size) &&
                        UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles.data(),
                                                  handles.size() * sizeof(HANDLE), nullptr, nullptr);
  if (haveList) info.lpAttributeList = list;
  const std::wstring folder = request.folder.empty() ? std::wstring() : WindowsPath(request.folder);
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(
      path.c_str(), line.data(), nullptr, nullptr, haveList ? TRUE : FALSE,
      CREATE_UNICODE_ENVIRONMENT | (haveList ? EXTENDED_STARTUPINFO_PRESENT : 0) |
          (request.hidden ? CREATE_NO_WINDOW : 0),
      nullptr, folder.empty() ? nullptr : folder.c_str(), &info.StartupInfo, &process);
  const DWORD error = GetLastError();
  if (haveList) DeleteProcThreadAttributeList(list);
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (!started) return ErrorFromSystem(error);
  CloseHandle(process.hThread);
  if (request.wait) WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hProcess);  // nothing to reap: the system keeps no zombie
  return kLaunchOk;
}

int OpenDocument(const std::string& path, const LaunchRequest& request) {
  const std::wstring file = WindowsPath(path);
  const std::wstring folder = request.folder.empty() ? std::wstring() : WindowsPath(request.folder);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
  info.nShow = request.hidden ? SW_HIDE : SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) return ErrorFromSystem(GetLastError());
  if (info.hProcess) {
    if (request.wait) WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hProcess);
  }
  return kLaunchOk;
}

std::string Search(const std::wstring& where, const std::string& name) {
  wchar_t found[MAX_PATH + 1] = {};
  const DWORD n = SearchPathW(where.empty() ? nullptr : where.c_str(), Wide(name).c_str(), L".exe",
                              MAX_PATH + 1, found, nullptr);
  if (n == 0 || n > MAX_PATH) return {};
  return NativeFromWide(std::wstring_view(found, n));
}

std::wstring PathVariable() {
  const DWORD n = GetEnvironmentVariableW(L"PATH", nullptr, 0);
  std::wstring value(n, L'\0');
  if (n > 0) value.resize(GetEnvironmentVariableW(L"PATH", value.data(), n));
  return value;
}

}  // namespace

std::string FindInPath(const std::string& name) {
  if (name.empty() || name.find_first_of("/\\") != std::string::npos) return {};
  const std::wstring path = PathVariable();
  return path.empty() ? std::string() : Search(path, name);
}

int Launch(const LaunchRequest& request) {
  if (request.program.empty()) return kErrorFileNotFound;
  if (request.byNameOnly) {
    const std::string tool = FindInPath(request.program);
    if (tool.empty()) return kErrorNoAssociation;
    return StartProgram(tool, request);
  }
  if (!request.folder.empty() && !IsDirectory(request.folder)) return kErrorPathNotFound;

  std::string path = request.program;
  if (path.find_first_of("/\\") == std::string::npos) {
    if (!request.folder.empty()) {
      path = request.folder + (request.folder.back() == '/' ? "" : "/") + path;
    } else if (Attributes(path) == INVALID_FILE_ATTRIBUTES) {
      const std::string found = FindInPath(path);
      if (!found.empty()) path = found;
    }
  }
  if (Attributes(path) == INVALID_FILE_ATTRIBUTES) return ErrorFromSystem(GetLastError());
  if (IsProgramFile(path)) return StartProgram(path, request);
  return OpenDocument(path, request);
}

}  // namespace platform
