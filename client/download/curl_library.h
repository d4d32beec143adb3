#pragma once
// libcurl, loaded the first time a transfer asks for it. The program is not
// linked with libcurl: curl_library.cpp defines the few curl_* functions
// the client calls and forwards each to the loaded library, so a run that
// reads its configuration from a file (a check against file://) never
// loads libcurl and the thirty libraries behind it. When libcurl cannot be
// loaded, curl_easy_init gives no handle (the transfer fails as when
// libcurl runs out of memory) and curl_easy_strerror says why.

#include <string>

namespace transfer::curl {

/// The system's libcurl file name.
extern const char kLibraryName[];

/// True once libcurl is loaded (it is loaded on first use); false when it
/// could not be, with the reason in LibraryError().
bool LibraryLoaded();
std::string LibraryError();

}  // namespace transfer::curl
