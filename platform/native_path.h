#pragma once
// The one crossing between the system's own texts and the file system. Paths
// inside the configuration, the log and the program's state are GBK texts
// that may use "\" as a separator (configuration files written for the
// original desktop keep it); the file system wants native paths.

#include <string>
#include <string_view>

namespace platform {

/// GBK path -> native path (UTF-8, every "\" turned into "/"); "" for "".
std::string NativePath(std::string_view gbkPath);

/// Native path (UTF-8) -> GBK text as the program keeps it; a character
/// GBK cannot hold becomes "?".
std::string FromNativePath(std::string_view nativePath);

}  // namespace platform
