// Puts the built windows library (its path comes from the build) into the
// program's read-only data, between two symbols.

#include "apps/upgrade/carried_windows.h"

#ifndef UPGRADE_WINDOWS_LIBRARY
#error "UPGRADE_WINDOWS_LIBRARY names the library file to carry"
#endif

asm(".section .rodata,\"a\"\n"
    ".balign 4096\n"
    ".globl upgrade_windows_library_begin\n"
    "upgrade_windows_library_begin:\n"
    ".incbin \"" UPGRADE_WINDOWS_LIBRARY "\"\n"
    ".globl upgrade_windows_library_end\n"
    "upgrade_windows_library_end:\n"
    ".previous\n");

extern "C" const char upgrade_windows_library_begin[];
extern "C" const char upgrade_windows_library_end[];

namespace upgrade_app {

std::string_view CarriedWindowsLibrary() {
  return {upgrade_windows_library_begin,
          static_cast<size_t>(upgrade_windows_library_end - upgrade_windows_library_begin)};
}

}  // namespace upgrade_app
