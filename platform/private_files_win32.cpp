#include "platform/private_files.h"

#include <aclapi.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <random>

#include "platform/win32_text.h"

namespace platform {

namespace {

bool Refuse(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

// The user's own SIDs: the user, and the default owner of what the user
// creates (the Administrators group in an elevated process).
bool OwnedByUs(PSID owner) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  bool ours = false;
  for (TOKEN_INFORMATION_CLASS kind : {TokenUser, TokenOwner}) {
    char buffer[256];
    DWORD size = 0;
    if (!GetTokenInformation(token, kind, buffer, sizeof buffer, &size)) continue;
    PSID sid = kind == TokenUser ? reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid
                                 : reinterpret_cast<TOKEN_OWNER*>(buffer)->Owner;
    ours = ours || EqualSid(sid, owner);
  }
  CloseHandle(token);
  return ours;
}

// A handle that refuses a link (a reparse point: symbolic link or junction)
// at the last component instead of following it.
HANDLE OpenNoFollow(const std::string& path, DWORD access, DWORD disposition, DWORD flags) {
  HANDLE file = CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, disposition, flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return file;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

std::string UserName() {
  wchar_t name[257] = {};
  DWORD size = 257;
  return GetUserNameW(name, &size) ? NativeFromWide(name) : "user";
}

}  // namespace

// The new folder takes the permissions of its parent, which for the user's
// own temporary and profile folders shut out every other user.
bool EnsurePrivateFolder(const std::string& path, std::string* error) {
  if (!CreateDirectoryW(Wide(path).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    return Refuse(error, path + ": cannot be created: " + SystemErrorText("CreateDirectory", GetLastError()));
  }
  HANDLE folder = CreateFileW(Wide(path).c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return Refuse(error, path + ": cannot be opened");
  BY_HANDLE_FILE_INFORMATION info;
  bool ok = GetFileInformationByHandle(folder, &info) != 0;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ok || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    ok = Refuse(error, path + ": not a folder (a link or a file)");
  } else if (GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                             nullptr, &descriptor) == ERROR_SUCCESS &&
             !OwnedByUs(owner)) {
    ok = Refuse(error, path + ": belongs to another user");
  }
  if (descriptor) LocalFree(descriptor);
  CloseHandle(folder);
  return ok;
}

std::string UserRuntimeFolder(std::string* error) {
  // The temporary folder of a Windows user lies in the user's profile.
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  if (n == 0 || n > MAX_PATH) {
    Refuse(error, "no temporary folder");
    return "";
  }
  std::string dir = NativeFromWide(std::wstring_view(temp, n));
  while (dir.size() > 3 && dir.back() == '/') dir.pop_back();
  return dir;
}

std::string PrivateFolderWithFallback(const std::string& base) {
  if (EnsurePrivateFolder(base)) return base;
  const std::string perUser = base + "-" + UserName();
  if (EnsurePrivateFolder(perUser)) return perUser;
  // Every predictable name is taken: a fresh folder of a random name.
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string unique = perUser + "-" + std::to_string(random() % 1000000);
    if (CreateDirectoryW(Wide(unique).c_str(), nullptr) && EnsurePrivateFolder(unique)) return unique;
  }
  return "";
}

int OpenPrivateFile(const std::string& path) {
  HANDLE file = OpenNoFollow(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  if (file == INVALID_HANDLE_VALUE) return -1;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR | _O_BINARY);
  if (fd < 0) CloseHandle(file);
  return fd;
}

std::FILE* OpenPrivateAppend(const std::string& path) {
  HANDLE file = OpenNoFollow(path, FILE_APPEND_DATA | SYNCHRONIZE, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_APPEND | _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(file);
    return nullptr;
  }
  std::FILE* stream = _fdopen(fd, "ab");
  if (!stream) _close(fd);
  return stream;
}

}  // namespace platform
