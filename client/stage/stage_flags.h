#pragma once
// StageFlags: the part of a stage window's state that its thread and the
// worker thread share. The window's thread only flips the flags, releases
// the resume event and closes the destination files still open; the worker
// reads the flags once per chunk. The stage end never waits for the worker,
// so every wait here can be released by a stop request.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace transfer {

// An auto-reset event, initially not signalled: Set releases one wait (or
// the next one when nobody waits yet).
class ResumeEvent {
 public:
  void Set();
  /// Waits until signalled and resets the event; returns at once, leaving
  /// the event as it is, when `abandon` is or becomes true (a stop request).
  void Wait(const std::atomic<bool>& abandon);
  /// Wakes a waiter so that it can look at its abandon flag again.
  void Wake();

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool signalled_ = false;
};

// A destination file while it is being written. The window may close it
// from its own thread; a write after that fails instead of landing in a
// descriptor the process has since reused for something else.
class DestinationFile {
 public:
  DestinationFile(std::FILE* file, std::string path) : file_(file), path_(std::move(path)) {}
  ~DestinationFile();
  DestinationFile(const DestinationFile&) = delete;
  DestinationFile& operator=(const DestinationFile&) = delete;

  /// false when the file was closed or the write fell short.
  bool Write(const void* data, size_t size);
  /// Copies up to maxBytes from the unbuffered stream `in`; the bytes copied
  /// (fewer only at the end of `in`), -1 when the file was closed or the
  /// copy failed.
  int64_t CopyFrom(std::FILE* in, size_t maxBytes);
  /// Closes once; false when the final flush failed or it was closed already.
  bool Close();
  const std::string& Path() const { return path_; }

 private:
  std::mutex mutex_;
  std::FILE* file_;
  std::string path_;  // GBK, as the caller named it
};

struct StageFlags {
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> userCancelled{false};
  std::atomic<bool> finished{false};
  std::atomic<bool> paused{false};
  ResumeEvent resumeEvent;

  /// Worker side: registers a destination while it is open.
  void RegisterOpenFile(const std::shared_ptr<DestinationFile>& file);
  void UnregisterOpenFile(const std::shared_ptr<DestinationFile>& file);
  /// Window side (stage end): closes and forgets every destination still open.
  void CloseOpenFiles();
  /// Destinations registered right now; 0 when none is open.
  size_t OpenFileCount();

  /// Window side (stage end): sets paused and stopRequested and releases a
  /// worker that waits at the paused gate, so it can wind down by itself.
  void RequestStop();

  /// The paused gate the worker passes after every chunk: while `paused` is
  /// set it waits for `resumeEvent` (no time-out), unless a stop is requested.
  void HonourPause();

 private:
  std::mutex filesMutex_;
  std::vector<std::shared_ptr<DestinationFile>> openFiles_;
};

}  // namespace transfer
