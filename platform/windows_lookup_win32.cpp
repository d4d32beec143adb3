#include <windows.h>

#include <algorithm>

#include "platform/win32_text.h"
#include "platform/windows_lookup.h"

namespace platform {
namespace {

BOOL CALLBACK Collect(HWND window, LPARAM param) {
  auto* list = reinterpret_cast<std::vector<TopLevelWindow>*>(param);
  if (!IsWindowVisible(window)) return TRUE;  // hidden helper windows do not count
  TopLevelWindow w;
  w.id = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));  // handles fit 32 bits
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  w.pid = static_cast<int>(pid);
  wchar_t text[512];
  const int titleLength = GetWindowTextW(window, text, 512);
  w.title = titleLength > 0 ? GbkTextFromWide(std::wstring_view(text, static_cast<size_t>(titleLength))) : "";
  const int classLength = GetClassNameW(window, text, 512);
  w.className = classLength > 0 ? GbkTextFromWide(std::wstring_view(text, static_cast<size_t>(classLength))) : "";
  list->push_back(std::move(w));
  return TRUE;
}

}  // namespace

std::vector<TopLevelWindow> ListTopLevelWindows() {
  std::vector<TopLevelWindow> windows;
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
  std::reverse(windows.begin(), windows.end());  // EnumWindows starts at the top
  return windows;
}

}  // namespace platform
