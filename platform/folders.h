#pragma once
// Where the program lives and the well-known folders behind the client's
// path macros. Every text comes back as the program keeps it (GBK, "/" as
// separator) and ends without a trailing separator, except ModulePath which
// names a file.

#include <string>

namespace platform {

enum class SpecialFolder {
  Windows,       // the system's configuration folder
  System,        // the system's shared libraries
  Temp,          // temporary files
  ProgramFiles,  // where add-on programs are installed
  Fonts,         // the user's fonts
  Documents,     // the user's documents
  Desktop,       // the user's desktop
};

/// Full path of the running program file; "" when it cannot be read.
std::string ModulePath();

/// The folder, without a trailing "/"; "" when it cannot be resolved.
std::string SpecialFolderPath(SpecialFolder folder);

/// The temporary folder (what SpecialFolder::Temp names): $TMPDIR when it
/// names a folder this user can write in, else the first such of /tmp and
/// /var/tmp; /tmp when none is. passedOver, when given, gets $TMPDIR when it
/// was set but not usable, else "".
std::string TempFolder(std::string* passedOver = nullptr);

}  // namespace platform
