#include "tests/support/faulty_file_operations.h"

#include <algorithm>

namespace testsupport {

void FaultyFileOperations::FailNth(FileOp op, int nth, FileError error) {
  std::lock_guard lock(mutex_);
  faults_.push_back({op, nth, {}, error});
}

void FaultyFileOperations::FailPath(FileOp op, const std::string& part, FileError error) {
  std::lock_guard lock(mutex_);
  faults_.push_back({op, 0, part, error});
}

void FaultyFileOperations::ClearFaults() {
  std::lock_guard lock(mutex_);
  faults_.clear();
}

std::vector<FaultyFileOperations::Call> FaultyFileOperations::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

int FaultyFileOperations::Count(FileOp op) const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(std::count_if(calls_.begin(), calls_.end(), [&](const Call& c) {
    return op == FileOp::kAny ? c.op != FileOp::kInspect : c.op == op;
  }));
}

FileResult FaultyFileOperations::Check(FileOp op, const std::string& path, const std::string& path2) {
  std::lock_guard lock(mutex_);
  const bool change = op != FileOp::kInspect;
  int ofThisOp = 1, ofAll = 1;
  for (const Call& c : calls_) {
    ofThisOp += c.op == op;
    ofAll += c.op != FileOp::kInspect;
  }
  FileResult result;
  for (const Fault& f : faults_) {
    const bool forAll = f.op == FileOp::kAny;
    if (!(f.op == op || (forAll && change))) continue;
    const bool hit = f.nth > 0 ? f.nth == (forAll ? ofAll : ofThisOp)
                               : path.find(f.part) != std::string::npos ||
                                     (!path2.empty() && path2.find(f.part) != std::string::npos);
    if (hit) {
      result = {f.error, 0, std::string(platform::FileOpName(op)) + ": injected failure"};
      break;
    }
  }
  calls_.push_back({op, path, path2, !result.ok()});
  return result;
}

FileInfo FaultyFileOperations::Inspect(const std::string& path) {
  return Check(FileOp::kInspect, path) ? inner_.Inspect(path) : FileInfo{};
}

FileResult FaultyFileOperations::CopyFile(const std::string& from, const std::string& to) {
  FileResult r = Check(FileOp::kCopy, from, to);
  return r ? inner_.CopyFile(from, to) : r;
}

FileResult FaultyFileOperations::Rename(const std::string& from, const std::string& to) {
  FileResult r = Check(FileOp::kRename, from, to);
  return r ? inner_.Rename(from, to) : r;
}

FileResult FaultyFileOperations::Link(const std::string& from, const std::string& to) {
  FileResult r = Check(FileOp::kLink, from, to);
  return r ? inner_.Link(from, to) : r;
}

FileResult FaultyFileOperations::DeleteFile(const std::string& path) {
  FileResult r = Check(FileOp::kDeleteFile, path);
  return r ? inner_.DeleteFile(path) : r;
}

FileResult FaultyFileOperations::DeleteFolder(const std::string& path) {
  FileResult r = Check(FileOp::kDeleteFolder, path);
  return r ? inner_.DeleteFolder(path) : r;
}

FileResult FaultyFileOperations::ListFolder(const std::string& path, std::vector<std::string>* names) {
  FileResult r = Check(FileOp::kListFolder, path);
  if (!r) names->clear();
  return r ? inner_.ListFolder(path, names) : r;
}

FileResult FaultyFileOperations::MakeFolders(const std::string& path) {
  FileResult r = Check(FileOp::kMakeFolders, path);
  return r ? inner_.MakeFolders(path) : r;
}

FileResult FaultyFileOperations::SetMode(const std::string& path, uint32_t mode) {
  FileResult r = Check(FileOp::kSetMode, path);
  return r ? inner_.SetMode(path, mode) : r;
}

FileResult FaultyFileOperations::OpenReadWrite(const std::string& path) {
  FileResult r = Check(FileOp::kOpenReadWrite, path);
  return r ? inner_.OpenReadWrite(path) : r;
}

FileResult FaultyFileOperations::SyncFile(const std::string& path) {
  FileResult r = Check(FileOp::kSyncFile, path);
  return r ? inner_.SyncFile(path) : r;
}

FileResult FaultyFileOperations::SyncFolder(const std::string& path) {
  FileResult r = Check(FileOp::kSyncFolder, path);
  return r ? inner_.SyncFolder(path) : r;
}

}  // namespace testsupport
