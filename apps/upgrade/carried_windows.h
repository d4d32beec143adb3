#pragma once
// The bytes of the client's windows library, built from client/ui and
// windows_module_entry.cpp and carried inside the program file.

#include <string_view>

namespace upgrade_app {

std::string_view CarriedWindowsLibrary();

}  // namespace upgrade_app
