#pragma once
// FaultyFileOperations: the file operations of the installation with chosen
// calls made to fail, so that a test can break any single step (tests run as
// root, where permission bits never refuse anything).

#include <mutex>
#include <string>
#include <vector>

#include "platform/file_operations.h"

namespace testsupport {

using platform::FileError;
using platform::FileInfo;
using platform::FileOp;
using platform::FileResult;

// Passes every call to another FileOperations, except the calls chosen to
// fail: those change nothing and return the chosen error with the text
// "<op>: injected failure". Calls are counted per operation from 1 and
// recorded. Inspect fails (reports kMissing) only by a kInspect fault, never
// by a kAny one: a query is not a change. Safe to share between threads.
class FaultyFileOperations : public platform::FileOperations {
 public:
  struct Call {
    FileOp op;
    std::string path;
    std::string path2;  // the target of copy, rename and link
    bool failed;
  };

  explicit FaultyFileOperations(platform::FileOperations& inner) : inner_(inner) {}

  /// Fails the nth call (from 1) of `op` (kAny: of all calls together).
  void FailNth(FileOp op, int nth, FileError error = FileError::kAccessDenied);
  /// Fails every call of `op` (or kAny) whose path or target contains `part`.
  void FailPath(FileOp op, const std::string& part, FileError error = FileError::kAccessDenied);
  /// Forgets the chosen faults (the record stays).
  void ClearFaults();
  std::vector<Call> Calls() const;
  int Count(FileOp op) const;

  FileInfo Inspect(const std::string& path) override;
  FileResult CopyFile(const std::string& from, const std::string& to) override;
  FileResult Rename(const std::string& from, const std::string& to) override;
  FileResult Link(const std::string& from, const std::string& to) override;
  FileResult DeleteFile(const std::string& path) override;
  FileResult DeleteFolder(const std::string& path) override;
  FileResult ListFolder(const std::string& path, std::vector<std::string>* names) override;
  FileResult MakeFolders(const std::string& path) override;
  FileResult SetMode(const std::string& path, uint32_t mode) override;
  FileResult OpenReadWrite(const std::string& path) override;
  FileResult SyncFile(const std::string& path) override;
  FileResult SyncFolder(const std::string& path) override;

 private:
  struct Fault {
    FileOp op;
    int nth;           // 0: by path
    std::string part;  // for a fault by path
    FileError error;
  };
  // Records the call; the injected failure, or ok() when it may go ahead.
  FileResult Check(FileOp op, const std::string& path, const std::string& path2 = {});

  platform::FileOperations& inner_;
  mutable std::mutex mutex_;
  std::vector<Fault> faults_;
  std::vector<Call> calls_;
};

}  // namespace testsupport
