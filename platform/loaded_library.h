#pragma once
// LoadedLibrary: a shared library loaded only when a run first needs it,
// so a run that never needs it does not pay for loading it: one the
// program carries inside its own file (which thus stays one file on disk,
// so a self-update can never pair it with a library of another build), or
// one of the system's by name. A library is never unloaded: what it loads
// (a toolkit) may not survive being unloaded.

#include <memory>
#include <string>
#include <string_view>

namespace platform {

class LoadedLibrary {
 public:
  /// Loads the library from its bytes; null with a reason in error (English,
  /// for the log and stderr) when the system refuses it.
  static std::unique_ptr<LoadedLibrary> FromBytes(std::string_view bytes, std::string& error);
  /// Loads a library of the system by its file name ("libcurl.so.4"),
  /// looked for where the system looks for libraries.
  static std::unique_ptr<LoadedLibrary> Open(const std::string& name, std::string& error);

  /// The address of an exported symbol; null when the library has none.
  void* Symbol(const char* name) const;

 private:
  explicit LoadedLibrary(void* handle) : handle_(handle) {}
  void* handle_;
};

/// False when no screen can be reached for windows, so a window's toolkit
/// would end the process: on X11 and Wayland desktops none of DISPLAY,
/// WAYLAND_DISPLAY or a chosen Qt platform is set, or the X display named
/// cannot be connected to.
bool DisplayAvailable();

}  // namespace platform
