#include "platform/loaded_library.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/folders.h"

namespace platform {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

void* DlOpen(const std::string& path, std::string& error) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    error = why ? why : "the library could not be loaded";
  }
  return handle;
}

// An anonymous in-memory file, loaded through its descriptor's name.
void* LoadFromMemoryFile(std::string_view bytes, std::string& error) {
  const int fd = memfd_create("upgrade-windows", MFD_CLOEXEC);
  if (fd < 0) {
    error = std::string("memfd_create: ") + std::strerror(errno);
    return nullptr;
  }
  void* handle = nullptr;
  if (WriteAll(fd, bytes)) {
    handle = DlOpen("/proc/self/fd/" + std::to_string(fd), error);
  } else {
    error = std::string("writing the library: ") + std::strerror(errno);
  }
  // The loader knows a library by the name it was opened under: were the
  // descriptor closed, the next one could get its number and the loader
  // would hand back this library for other bytes. A loaded library is
  // never unloaded, so its descriptor stays open with it.
  if (!handle) close(fd);
  return handle;
}

// Without /proc or memfd: a private temporary file, gone once loaded.
void* LoadFromTemporaryFile(std::string_view bytes, std::string& error) {
  std::string path = TempFolder() + "/upgrade-windows-XXXXXX";  // made 0600, never an existing name
  const int fd = mkstemp(path.data());
  if (fd < 0) {
    error = std::string("mkstemp: ") + std::strerror(errno);
    return nullptr;
  }
  void* handle = nullptr;
  if (WriteAll(fd, bytes)) {
    handle = DlOpen(path, error);
  } else {
    error = std::string("writing the library: ") + std::strerror(errno);
  }
  close(fd);
  unlink(path.c_str());
  return handle;
}

}  // namespace

std::unique_ptr<LoadedLibrary> LoadedLibrary::FromBytes(std::string_view bytes, std::string& error) {
  std::string first;
  void* handle = LoadFromMemoryFile(bytes, first);
  if (!handle) handle = LoadFromTemporaryFile(bytes, error);
  if (!handle) {
    error = first + "; " + error;
    return nullptr;
  }
  return std::unique_ptr<LoadedLibrary>(new LoadedLibrary(handle));
}

std::unique_ptr<LoadedLibrary> LoadedLibrary::Open(const std::string& name, std::string& error) {
  void* handle = DlOpen(name, error);
  if (!handle) return nullptr;
  return std::unique_ptr<LoadedLibrary>(new LoadedLibrary(handle));
}

void* LoadedLibrary::Symbol(const char* name) const { return dlsym(handle_, name); }

bool DisplayAvailable() {
  auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
  };
  const char* platform = set("QT_QPA_PLATFORM");
  // A platform chosen by name is the toolkit's to find (offscreen needs none).
  if (platform && std::strncmp(platform, "xcb", 3) != 0) return true;
  if (set("WAYLAND_DISPLAY") && !platform) return true;
  if (!set("DISPLAY")) return false;
  // An X display that is named but cannot be reached (a stale DISPLAY of a
  // closed session) would end the process inside the toolkit.
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const bool reached = connection && xcb_connection_has_error(connection) == 0;
  if (connection) xcb_disconnect(connection);
  return reached;
}

}  // namespace platform
