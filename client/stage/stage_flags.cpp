#include "client/stage/stage_flags.h"

#include <algorithm>

#include "platform/file_chunk_copy.h"

namespace transfer {

void ResumeEvent::Set() {
  {
    std::lock_guard lock(mutex_);
    signalled_ = true;
  }
  cv_.notify_one();
}

void ResumeEvent::Wake() {
  { std::lock_guard lock(mutex_); }
  cv_.notify_all();
}

void ResumeEvent::Wait(const std::atomic<bool>& abandon) {
  std::unique_lock lock(mutex_);
  cv_.wait(lock, [&] { return signalled_ || abandon.load(); });
  if (signalled_) signalled_ = false;
}

DestinationFile::~DestinationFile() { Close(); }

bool DestinationFile::Write(const void* data, size_t size) {
  std::lock_guard lock(mutex_);
  if (!file_) return false;
  return std::fwrite(data, 1, size, file_) == size;
}

int64_t DestinationFile::CopyFrom(std::FILE* in, size_t maxBytes) {
  std::lock_guard lock(mutex_);
  if (!file_) return -1;
  return platform::CopyFileChunk(in, file_, maxBytes);
}

bool DestinationFile::Close() {
  std::lock_guard lock(mutex_);
  if (!file_) return false;
  bool ok = std::fclose(file_) == 0;
  file_ = nullptr;
  return ok;
}

void StageFlags::RegisterOpenFile(const std::shared_ptr<DestinationFile>& file) {
  std::lock_guard lock(filesMutex_);
  openFiles_.push_back(file);
}

void StageFlags::UnregisterOpenFile(const std::shared_ptr<DestinationFile>& file) {
  std::lock_guard lock(filesMutex_);
  openFiles_.erase(std::remove(openFiles_.begin(), openFiles_.end(), file), openFiles_.end());
}

void StageFlags::CloseOpenFiles() {
  std::vector<std::shared_ptr<DestinationFile>> files;
  {
    std::lock_guard lock(filesMutex_);
    files.swap(openFiles_);
  }
  for (auto& f : files) f->Close();
}

size_t StageFlags::OpenFileCount() {
  std::lock_guard lock(filesMutex_);
  return openFiles_.size();
}

void StageFlags::RequestStop() {
  paused = true;
  stopRequested = true;
  resumeEvent.Wake();
}

void StageFlags::HonourPause() {
  if (paused.load() && !stopRequested.load()) resumeEvent.Wait(stopRequested);
}

}  // namespace transfer
