// The install journal over any bytes, as a start after a crash finds it:
// parsed, then finished or undone against an in-memory file system (never
// the real one: the paths come from the input). Whatever the lines say,
// the recovery must end, and it must never delete a backup (".ebk") that
// it has not put back, unless the update was committed or the backup was
// never recorded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "client/session/install_journal.h"
#include "platform/file_operations.h"

namespace {

using platform::FileInfo;
using platform::FileKind;
using platform::FileResult;

// Files and folders that the journal's own paths make up: each path named
// in the input exists or not, and fails or not, by a hash of its text.
class MemoryFiles : public platform::FileOperations {
 public:
  explicit MemoryFiles(const session::JournalLines& lines) {
    for (const auto* list : {&lines.intents, &lines.backups, &lines.newFiles, &lines.temporary}) {
      for (const std::string& p : *list) {
        Seed(p);
        Seed(p + ".ebk");
      }
    }
  }

  FileInfo Inspect(const std::string& path) override {
    FileInfo info;
    auto it = kinds_.find(path);
    if (it != kinds_.end()) info.kind = it->second;
    return info;
  }
  FileResult CopyFile(const std::string& from, const std::string& to) override {
    if (Fails(from) || Inspect(from).kind != FileKind::kFile) return Failure();
    kinds_[to] = FileKind::kFile;
    return {};
  }
  FileResult Rename(const std::string& from, const std::string& to) override {
    if (Fails(from) || Inspect(from).kind == FileKind::kMissing) return Failure();
    if (from.size() > 4 && from.compare(from.size() - 4, 4, ".ebk") == 0) restored_.push_back(from);
    kinds_[to] = kinds_[from];
    kinds_.erase(from);
    return {};
  }
  FileResult Link(const std::string& from, const std::string& to) override { return CopyFile(from, to); }
  FileResult DeleteFile(const std::string& path) override {
    if (Fails(path)) return Failure();
    deleted_.push_back(path);
    kinds_.erase(path);
    return {};
  }
  FileResult DeleteFolder(const std::string& path) override { return DeleteFile(path); }
  FileResult ListFolder(const std::string& path, std::vector<std::string>* names) override {
    if (Fails(path)) return Failure();
    const std::string prefix = path + "/";
    for (const auto& [p, kind] : kinds_) {
      if (p.compare(0, prefix.size(), prefix) == 0 && p.find('/', prefix.size()) == std::string::npos) {
        names->push_back(p.substr(prefix.size()));
      }
    }
    return {};
  }
  FileResult MakeFolders(const std::string&) override { return {}; }
  FileResult SetMode(const std::string&, uint32_t) override { return {}; }
  FileResult OpenReadWrite(const std::string&) override { return {}; }
  FileResult SyncFile(const std::string&) override { return {}; }
  FileResult SyncFolder(const std::string&) override { return {}; }

  const std::vector<std::string>& Deleted() const { return deleted_; }
  const std::vector<std::string>& Restored() const { return restored_; }

 private:
  static size_t Hash(const std::string& p) { return std::hash<std::string>()(p); }
  void Seed(const std::string& p) {
    const size_t h = Hash(p);
    if (h % 3 == 0) kinds_[p] = FileKind::kFile;
    if (h % 3 == 1) kinds_[p] = FileKind::kFolder;
  }
  static bool Fails(const std::string& p) { return Hash(p) % 7 == 0; }
  static FileResult Failure() {
    FileResult r;
    r.error = platform::FileError::kOther;
    r.text = "injected";
    return r;
  }

  std::map<std::string, FileKind> kinds_;
  std::vector<std::string> deleted_;
  std::vector<std::string> restored_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const session::JournalLines lines = session::ParseInstallJournal(text);
  MemoryFiles files(lines);
  const session::RecoveryReport report =
      session::ApplyInstallJournal(files, lines, "/srv/app/upgrade.bin.journal");
  if (!lines.valid || lines.committed) return 0;
  // Undoing: a recorded backup is the only copy of an old file; it may go
  // only by being put back (or as a second name left after that).
  for (const std::string& gone : files.Deleted()) {
    for (const std::string& p : lines.backups) {
      if (gone != p + ".ebk") continue;
      bool putBack = false;
      for (const std::string& r : files.Restored()) putBack = putBack || r == gone;
      if (!putBack) std::abort();
    }
  }
  (void)report;
  return 0;
}
