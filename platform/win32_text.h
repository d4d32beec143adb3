#pragma once
// Text at the Windows system boundary: the system takes and gives UTF-16,
// native paths are UTF-8 with "/" and the program's texts are GBK. Only the
// *_win32.cpp files of this folder include this.

#include <string>
#include <string_view>

namespace platform {

/// UTF-8 (a native path) as UTF-16 for a wide system call; "/" stays "/",
/// which every file call of the system takes as a separator.
std::wstring Wide(std::string_view utf8);
/// UTF-16 from the system as UTF-8, every "\" turned into "/".
std::string NativeFromWide(std::wstring_view wide);
/// A path from the system as the program keeps it (GBK, "/" separators).
std::string GbkFromWide(std::wstring_view wide);
/// Any other text from the system (a window title) as GBK, byte for byte
/// what the system says: a "\" stays a "\".
std::string GbkTextFromWide(std::wstring_view wide);
/// A GBK text (a lock name, a window title) as UTF-16, character for character.
std::wstring WideFromGbk(std::string_view gbk);
/// "<op>: Windows error <n>": the short ASCII text of a failed call.
std::string SystemErrorText(std::string_view op, unsigned long error);

}  // namespace platform
