#include "platform/private_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/gbk.h"
#include "platform/folders.h"

namespace platform {

namespace {

bool Refuse(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

}  // namespace

bool EnsurePrivateFolder(const std::string& path, std::string* error) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    return Refuse(error, path + ": cannot be created: " + std::strerror(errno));
  }
  // O_NOFOLLOW: a link planted at the name is refused, not followed; the
  // checks then hold for the very folder that is used.
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    return Refuse(error, path + (errno == ELOOP || errno == ENOTDIR ? ": not a folder (a link or a file)"
                                                                    : ": cannot be opened"));
  }
  struct stat st {};
  bool ok = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
  if (!ok) {
    Refuse(error, path + ": not a folder");
  } else if (st.st_uid != geteuid()) {
    ok = Refuse(error, path + ": belongs to another user");
  } else if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    // Others could have put anything inside already.
    ok = Refuse(error, path + ": writable by other users");
  } else if ((st.st_mode & 077) != 0 && fchmod(fd, 0700) != 0) {
    ok = Refuse(error, path + ": cannot be made private");
  }
  close(fd);
  return ok;
}

std::string UserRuntimeFolder(std::string* error) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string dir = runtime && *runtime ? runtime : "";
  if (!dir.empty()) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
  }
  dir = common::NativePath(TempFolder()) + "/upgrade-" + std::to_string(geteuid());
  return EnsurePrivateFolder(dir, error) ? dir : std::string();
}

std::string PrivateFolderWithFallback(const std::string& base) {
  if (EnsurePrivateFolder(base)) return base;
  const std::string perUser = base + "-" + std::to_string(geteuid());
  if (EnsurePrivateFolder(perUser)) return perUser;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) {
    const std::string inRuntime = std::string(runtime) + "/" + base.substr(base.rfind('/') + 1);
    if (EnsurePrivateFolder(inRuntime)) return inRuntime;
  }
  // Every predictable name is taken: mkdtemp makes a fresh 0700 folder.
  std::string unique = perUser + "-XXXXXX";
  if (mkdtemp(unique.data())) return unique;
  return "";
}

int OpenPrivateFile(const std::string& path) {
  return open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
}

std::FILE* OpenPrivateAppend(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, "a");
  if (!file) close(fd);
  return file;
}

}  // namespace platform
