#pragma once
// The launcher: starts one program, or hands a document to the desktop's
// opener, the way the shell's "open" verb does. An executable file is
// started directly with its working folder set; any other file goes to
// `xdg-open`; a file with run bits that is neither an ELF program nor a
// "#!" script is not started at all (no shell is guessed for it). Failures
// come back as the system error numbers the program
// runner turns into its result texts; nothing is ever shown to the user.

#include <string>
#include <vector>

namespace platform {

inline constexpr int kLaunchOk = 0;
inline constexpr int kErrorFileNotFound = 2;
inline constexpr int kErrorPathNotFound = 3;
inline constexpr int kErrorAccessDenied = 5;
inline constexpr int kErrorNotEnoughMemory = 8;
inline constexpr int kErrorSharingViolation = 32;
inline constexpr int kErrorNoAssociation = 1155;

struct LaunchRequest {
  // Native path (UTF-8, "/"). A name without "/" is looked for in `folder`
  // when one is given, else in the current folder and then along PATH.
  std::string program;
  std::vector<std::string> arguments;
  // Working folder of the child; empty keeps the caller's.
  std::string folder;
  // No console of its own: standard input and output go to /dev/null.
  bool hidden = false;
  // Return only after the started process has ended.
  bool wait = false;
  // A helper tool started by name ("regedit"): only PATH is searched, and
  // its absence means no program handles the file type.
  bool byNameOnly = false;
};

/// Starts the program (or opens the document); kLaunchOk when it started
/// (and, with wait, ended), else one of the error numbers above. A child
/// that is not waited for is reaped in the background, never left a zombie.
int Launch(const LaunchRequest& request);

/// True when the file at path (native) is a program of this machine: an ELF
/// file of the running program's class, byte order and machine type. A
/// script or a program for another machine is not.
bool IsNativeProgram(const std::string& path);

/// The full path of an executable `name` along PATH; empty when absent.
std::string FindInPath(const std::string& name);

}  // namespace platform
