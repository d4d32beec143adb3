#pragma once
// Files and folders that must stay private to the user who runs the
// program: the folder of the instance lock, the work folder downloads land
// in, and the log. On a shared /tmp another user can create any name first,
// as a folder, a file or a symbolic link pointing elsewhere; nothing here
// follows such a link or uses a folder that user owns.

#include <cstdio>
#include <string>

namespace platform {

/// Makes path a folder only its owner can use: created 0700 when missing
/// (its parent must exist), never through a symbolic link; an existing
/// folder of the user that others may read is closed to them. False + a
/// text in error when path is a link, not a folder, owned by someone else,
/// or writable by others.
bool EnsurePrivateFolder(const std::string& path, std::string* error = nullptr);

/// The user's folder for locks and other per-session files, without a
/// trailing "/": $XDG_RUNTIME_DIR when set, else "<TempFolder()>/upgrade-<uid>"
/// made private by EnsurePrivateFolder. "" + error when that folder is refused.
std::string UserRuntimeFolder(std::string* error = nullptr);

/// The first of the candidate folders (native paths, no trailing "/") that
/// EnsurePrivateFolder accepts: base, then base + "-<uid>", then
/// $XDG_RUNTIME_DIR + "/" + the last component of base, and last a new
/// folder base + "-<uid>-XXXXXX" of a name nobody could know beforehand.
/// "" only when none of them can be made.
std::string PrivateFolderWithFallback(const std::string& base);

/// Opens path for appending, creating it 0600, never through a symbolic
/// link at its last component, close-on-exec. nullptr when it cannot be
/// opened (a planted link included).
std::FILE* OpenPrivateAppend(const std::string& path);

/// Opens path for reading and writing, creating it 0600, with the same
/// rules; -1 on failure. For lock files.
int OpenPrivateFile(const std::string& path);

}  // namespace platform
