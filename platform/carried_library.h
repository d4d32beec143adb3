#pragma once
// CarriedLibrary: a shared library the program carries inside its own file
// and loads only when a run first needs it. The program stays one file on
// disk, so replacing it (a self-update) can never pair it with a library
// of another build. The library is never unloaded: what it loads (a
// toolkit) may not survive being unloaded.

#include <memory>
#include <string>
#include <string_view>

namespace platform {

class CarriedLibrary {
 public:
  /// Loads the library from its bytes; null with a reason in error (English,
  /// for the log and stderr) when the system refuses it.
  static std::unique_ptr<CarriedLibrary> Load(std::string_view bytes, std::string& error);

  /// The address of an exported symbol; null when the library has none.
  void* Symbol(const char* name) const;

 private:
  explicit CarriedLibrary(void* handle) : handle_(handle) {}
  void* handle_;
};

/// False when no screen can be reached for windows (on X11 and Wayland
/// desktops: none of DISPLAY, WAYLAND_DISPLAY or a chosen Qt platform is
/// set), so a window's toolkit would refuse to start.
bool DisplayAvailable();

}  // namespace platform
