#pragma once
// The names a run derives from its own program file: application folder,
// exe file name and base name, configuration archive name, the instance
// lock's name, the {parent} folder value and the caption of the start-up
// message boxes. Pure functions over GBK paths with "/" separators.
//
// The self-update copy of the program is the program file name + ".new";
// it must find the same configuration archive and wait on the same lock as
// the program it replaces, hence the ".new" rules below.

#include <string>
#include <string_view>

namespace session {

/// The module path up to and including its last "/"; "" when it has none.
std::string AppFolderOf(std::string_view modulePath);

/// The module path after its last "/".
std::string ExeFileNameOf(std::string_view modulePath);

/// The exe file name less a trailing ".new", then less a trailing ".exe"
/// (both without regard to case).
std::string ExeBaseName(std::string_view exeFileName);

/// ExeBaseName + ".bin".
std::string ArchiveNameOf(std::string_view exeFileName);

/// The module path with every "/" turned into "_" and a trailing ".new"
/// (any case) removed.
std::string InstanceLockName(std::string_view modulePath);


/// The application folder without its trailing "/", cut before its last "/"
/// unless that "/" is the first character.
std::string ParentFolderValue(std::string_view appFolder);

/// The exe file name less its last extension (the caption of the start-up
/// boxes).
std::string ProgramCaption(std::string_view exeFileName);

}  // namespace session
