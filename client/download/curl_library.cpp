#include "client/download/curl_library.h"

#include <curl/curl.h>

#include <cstdarg>
#include <memory>
#include <mutex>

#include "platform/loaded_library.h"

namespace transfer::curl {

#ifdef _WIN32
const char kLibraryName[] = "libcurl-x64.dll";
#else
const char kLibraryName[] = "libcurl.so.4";
#endif

namespace {

struct Functions {
  CURLcode (*globalInit)(long);
  CURL* (*easyInit)();
  CURLcode (*easySetopt)(CURL*, CURLoption, ...);
  CURLcode (*easyPerform)(CURL*);
  CURLcode (*easyGetinfo)(CURL*, CURLINFO, ...);
  void (*easyReset)(CURL*);
  void (*easyCleanup)(CURL*);
  const char* (*easyStrerror)(CURLcode);
  curl_slist* (*slistAppend)(curl_slist*, const char*);
  void (*slistFreeAll)(curl_slist*);
};

struct Loaded {
  std::unique_ptr<platform::LoadedLibrary> library;
  Functions functions{};
  bool ok = false;
  std::string error;
};

template <typename F>
bool Bind(const platform::LoadedLibrary& library, const char* name, F& out, std::string& error) {
  out = reinterpret_cast<F>(library.Symbol(name));
  if (!out) error = std::string(kLibraryName) + " has no " + name;
  return out != nullptr;
}

Loaded& State() {
  static Loaded state;
  static std::once_flag once;
  std::call_once(once, [] {
    state.library = platform::LoadedLibrary::Open(kLibraryName, state.error);
    if (!state.library) return;
    const platform::LoadedLibrary& l = *state.library;
    Functions& f = state.functions;
    state.ok = Bind(l, "curl_global_init", f.globalInit, state.error) &&
               Bind(l, "curl_easy_init", f.easyInit, state.error) &&
               Bind(l, "curl_easy_setopt", f.easySetopt, state.error) &&
               Bind(l, "curl_easy_perform", f.easyPerform, state.error) &&
               Bind(l, "curl_easy_getinfo", f.easyGetinfo, state.error) &&
               Bind(l, "curl_easy_reset", f.easyReset, state.error) &&
               Bind(l, "curl_easy_cleanup", f.easyCleanup, state.error) &&
               Bind(l, "curl_easy_strerror", f.easyStrerror, state.error) &&
               Bind(l, "curl_slist_append", f.slistAppend, state.error) &&
               Bind(l, "curl_slist_free_all", f.slistFreeAll, state.error);
  });
  return state;
}

const Functions* Curl() {
  Loaded& state = State();
  return state.ok ? &state.functions : nullptr;
}

}  // namespace

bool LibraryLoaded() { return Curl() != nullptr; }

std::string LibraryError() { return State().error; }

}  // namespace transfer::curl

using transfer::curl::Curl;

// The functions of libcurl's API the client calls, each forwarded to the
// loaded library. A handle or list can only exist once it loaded.
extern "C" {

CURLcode curl_global_init(long flags) { return Curl() ? Curl()->globalInit(flags) : CURLE_FAILED_INIT; }

CURL* curl_easy_init() { return Curl() ? Curl()->easyInit() : nullptr; }

// The option's number tells the type of its one argument, as libcurl reads it.
CURLcode curl_easy_setopt(CURL* handle, CURLoption option, ...) {
  if (!Curl()) return CURLE_FAILED_INIT;
  va_list args;
  va_start(args, option);
  CURLcode rc;
  if (option < CURLOPTTYPE_OBJECTPOINT) {
    rc = Curl()->easySetopt(handle, option, va_arg(args, long));
  } else if (option < CURLOPTTYPE_OFF_T) {
    // Objects, strings, lists and callbacks: all one pointer wide.
    rc = Curl()->easySetopt(handle, option, va_arg(args, void*));
  } else if (option < CURLOPTTYPE_BLOB) {
    rc = Curl()->easySetopt(handle, option, va_arg(args, curl_off_t));
  } else {
    rc = Curl()->easySetopt(handle, option, va_arg(args, void*));
  }
  va_end(args);
  return rc;
}

CURLcode curl_easy_perform(CURL* handle) { return Curl() ? Curl()->easyPerform(handle) : CURLE_FAILED_INIT; }

// Every piece of information is written through the one pointer given.
CURLcode curl_easy_getinfo(CURL* handle, CURLINFO info, ...) {
  if (!Curl()) return CURLE_FAILED_INIT;
  va_list args;
  va_start(args, info);
  void* out = va_arg(args, void*);
  va_end(args);
  return Curl()->easyGetinfo(handle, info, out);
}

void curl_easy_reset(CURL* handle) {
  if (Curl() && handle) Curl()->easyReset(handle);
}

void curl_easy_cleanup(CURL* handle) {
  if (Curl() && handle) Curl()->easyCleanup(handle);
}

const char* curl_easy_strerror(CURLcode code) {
  if (Curl()) return Curl()->easyStrerror(code);
  static const std::string text = "libcurl is not available: " + transfer::curl::LibraryError();
  return text.c_str();
}

curl_slist* curl_slist_append(curl_slist* list, const char* text) {
  return Curl() ? Curl()->slistAppend(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist* list) {
  if (Curl() && list) Curl()->slistFreeAll(list);
}

}  // extern "C"
