#pragma once
// InstanceLock: the named lock that keeps two runs of the same program file
// apart while letting programs in other folders run at the same time. The
// caller decides how long to wait; this class only tries once per call.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

class InstanceLock {
 public:
  enum class Result {
    Acquired,  // this process holds the lock now
    Busy,      // another process holds a lock of that name
    Failed,    // the lock could not be made at all
  };

  InstanceLock() = default;
  ~InstanceLock();  // releases
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  /// Tries to take the lock called name (GBK text; "/" is not allowed in it).
  /// Failed (+ ErrorText) when the lock file cannot be opened, or its folder
  /// is not private to the user; nothing is then held.
  Result TryAcquire(std::string_view name);
  /// Why the last TryAcquire failed; empty after any other result.
  const std::string& ErrorText() const { return errorText_; }
  /// Gives the lock up (and closes it); harmless when nothing is held.
  void Release();
  bool Held() const { return handle_ != -1; }

  /// The lock file that stands for name: <runtime dir>/<name>.lock, where the
  /// runtime dir is UserRuntimeFolder ($XDG_RUNTIME_DIR, else a folder under
  /// /tmp private to the user); a name too long for a file name becomes a
  /// digest of it plus its last 120 bytes. Native path; "" + error when the
  /// folder is refused. On Windows the lock is the named mutex of the
  /// system, and this is its name (UTF-8), shortened the same way.
  static std::string LockFilePath(std::string_view name, std::string* error = nullptr);

 private:
  // A file or object name holds at most a few hundred bytes, a program path
  // far more: a long name keeps its end (the program's own name) behind a
  // digest of the whole.
  static std::string ShortenedName(const std::string& name);

  intptr_t handle_ = -1;  // the lock file's descriptor, or the mutex handle
  std::string errorText_;
};

}  // namespace platform
