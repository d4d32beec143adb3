#include "platform/instance_lock.h"

#include <windows.h>

#include "platform/win32_text.h"

namespace platform {

std::string InstanceLock::LockFilePath(std::string_view name, std::string* /*error*/) {
  return ShortenedName(NativeFromWide(WideFromGbk(name)));
}

InstanceLock::Result InstanceLock::TryAcquire(std::string_view name) {
  Release();
  errorText_.clear();
  // Created initially owned; a mutex that already exists belongs to a run
  // still going (the system removes it with the last handle, also when
  // that process died), so this run must wait for it.
  HANDLE mutex = CreateMutexW(nullptr, TRUE, Wide(LockFilePath(name)).c_str());
  if (!mutex) {
    errorText_ = SystemErrorText("CreateMutex", GetLastError());
    return Result::Failed;
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    ReleaseMutex(mutex);  // not ours: fails harmlessly
    CloseHandle(mutex);
    return Result::Busy;
  }
  handle_ = reinterpret_cast<intptr_t>(mutex);
  return Result::Acquired;
}

void InstanceLock::Release() {
  if (handle_ == -1) return;
  HANDLE mutex = reinterpret_cast<HANDLE>(handle_);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
  handle_ = -1;
}

}  // namespace platform
