#pragma once
// ClientLog: the client's log in the process's current directory, named
// after the program ("upgrade.log" for upgrade, "update.log" for the
// packaged update). Each line is the local time "%H:%M:%S", four blanks, the text
// and CR LF, in GBK bytes. The file is only appended to, never truncated,
// so the runs of several days follow one another. Transfer workers log
// from their own threads, so every call is serialised.

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#include "formats/value_syntax.h"

namespace session {

inline constexpr const char* kLogFileName = "upgrade.log";

// A logged text longer than this is cut, and the cut is said in the line:
// a crafted configuration must not fill the disk through the log.
inline constexpr size_t kMaxLoggedText = 4096;

using formats::HidePasswords;

class ClientLog {
 public:
  ClientLog() = default;
  ~ClientLog();
  ClientLog(const ClientLog&) = delete;
  ClientLog& operator=(const ClientLog&) = delete;

  /// Opens (creating it 0600 when missing, never through a symbolic link)
  /// the log for appending; false when it cannot be opened, and the run then
  /// goes on without a log. Harmless when already open.
  bool Open();
  void Close();
  bool IsOpen() const;

  /// The log's file name (default "upgrade.log"); set before Open.
  void SetFileName(std::string name) { fileName_ = std::move(name); }
  const std::string& FileName() const { return fileName_; }

  /// Writes one line when the file is open and the master switch is on;
  /// a failed write is ignored. A text over kMaxLoggedText bytes is cut.
  void WriteLog(std::string_view text);

  /// While off, WriteLog writes nothing (the skin reader switches it off
  /// while it reads).
  void SetMasterSwitch(bool on) { master_ = on; }
  bool MasterSwitch() const { return master_; }

  /// The line WriteLog would write for text at the time hhmmss ("%H:%M:%S"):
  /// a text over kMaxLoggedText bytes keeps its start, up to a whole GBK
  /// character, and ends in " ...(cut, N bytes in all)".
  static std::string FormatLine(std::string_view hhmmss, std::string_view text);

 private:
  mutable std::mutex mutex_;
  std::FILE* file_ = nullptr;
  std::string fileName_ = kLogFileName;
  std::atomic<bool> master_{true};
};

}  // namespace session
