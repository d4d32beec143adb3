#include "client/download/folder_listing.h"

#include <filesystem>
#include <system_error>

#include "client/download/ftp_listing.h"
#include "formats/name_filter.h"
#include "client/download/transfer_engine.h"
#include "client/session/file_status.h"
#include "common/gbk.h"

namespace transfer {

namespace {

// A server that answers every folder with another folder inside it would
// otherwise keep the worker listing forever.
constexpr int kMaxDepth = 64;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

void LogUnsafe(const ListingLog& log, const std::string& folder, const std::string& name) {
  if (log) log(common::Gbk("拒绝列表中不安全的名称：") + folder + "/" + name);
}

void LogTooDeep(const ListingLog& log, const std::string& folder) {
  if (log) log(common::Gbk("文件夹层次太深，停止检索：") + folder);
}

// What one item's listing has used up: a tree that is wide as well as deep
// (two folders in every folder, forty levels down) would otherwise list for
// hours before the depth limit is ever reached.
struct Budget {
  int folders = 0;
  int64_t entries = 0;
};

// Counts a folder about to be listed; false (logged) past the item's cap.
bool TakeFolder(const ListingRequest& request, Budget& budget, const std::string& folder, const ListingLog& log) {
  if (++budget.folders <= request.maxFolders) return true;
  if (log) log(common::Gbk("文件夹数量超过上限") + "(" + std::to_string(request.maxFolders) + ")" +
               common::Gbk("，停止检索：") + folder);
  return false;
}

// Counts the entries of a listed folder; false (logged) past the item's cap.
bool TakeEntries(const ListingRequest& request, Budget& budget, size_t count, const std::string& folder,
                 const ListingLog& log) {
  budget.entries += static_cast<int64_t>(count);
  if (budget.entries <= request.maxEntries) return true;
  if (log) log(common::Gbk("文件数量超过上限") + "(" + std::to_string(request.maxEntries) + ")" +
               common::Gbk("，停止检索：") + folder);
  return false;
}

bool ListFtp(TransferEngine& engine, const ListingRequest& request, const std::string& folder, int depth,
             Budget& budget, std::vector<session::DownloadRecord>& list, const ListingLog& log) {
  if (depth > kMaxDepth) {
    LogTooDeep(log, folder);
    return false;
  }
  if (!TakeFolder(request, budget, folder, log)) return false;
  std::vector<FtpEntry> entries;
  if (!engine.FtpListFolder(folder.empty() ? std::string("/") : folder, entries)) return false;
  if (!TakeEntries(request, budget, entries.size(), folder, log)) return false;
  std::vector<std::string> subfolders;
  for (const FtpEntry& e : entries) {
    if (e.isFolder) {
      if (!request.recurse) continue;
      if (e.unsafeName) {
        LogUnsafe(log, folder, e.name);
        return false;
      }
      subfolders.push_back(folder + "/" + e.name);
      continue;
    }
    if (!formats::FilterMatch(request.filter, e.name)) continue;
    if (e.unsafeName) {
      LogUnsafe(log, folder, e.name);
      return false;
    }
    // A link's listed length is that of the link itself: the transfer asks
    // the server for the length of what it points at instead.
    list.push_back(ListedRecord(request.root, folder, e.name, e.isLink ? 0 : e.size, false));
  }
  for (const std::string& sub : subfolders) {
    if (!ListFtp(engine, request, sub, depth + 1, budget, list, log)) return false;
  }
  return true;
}

// Only regular files are copied from a local folder: a link that leads out
// of the folder would hand over whatever it names (/etc/shadow, a device),
// a FIFO would hold the copy for ever, a device could be endless.
bool SkipsLocalEntry(const ListingLog& log, const std::string& folder, const std::string& name,
                     const std::filesystem::directory_entry& entry, const std::string& realRoot) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status own = entry.symlink_status(ec);
  if (fs::is_regular_file(own) || fs::is_directory(own)) return false;
  if (fs::is_symlink(own)) {
    if (!session::RealPathInside(entry.path().string(), realRoot)) {
      if (log) log(common::Gbk("跳过指向文件夹以外的链接：") + folder + "/" + name);
      return true;
    }
    const fs::file_status target = entry.status(ec);
    if (!fs::exists(target) || fs::is_regular_file(target) || fs::is_directory(target)) return false;
  }
  if (log) log(common::Gbk("跳过不是普通文件的项目：") + folder + "/" + name);
  return true;
}

bool ListLocal(const ListingRequest& request, const std::string& folder, int depth, Budget& budget,
               std::vector<session::DownloadRecord>& list, const ListingLog& log, const std::string& realRoot) {
  if (depth > kMaxDepth) {
    LogTooDeep(log, folder);
    return false;
  }
  if (!TakeFolder(request, budget, folder, log)) return false;
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path native(common::NativePath(folder.empty() ? std::string("/") : folder));
  if (!fs::is_directory(native, ec)) {
    if (log) log(common::Gbk("不存在文件夹：") + folder);
    return false;
  }
  fs::directory_iterator it(native, ec);
  if (ec) {
    if (log) log(common::Gbk("不存在文件夹：") + folder);
    return false;
  }
  std::vector<std::string> subfolders;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec || !TakeEntries(request, budget, 1, folder, log)) return false;
    std::string name = common::Utf8ToGbk(it->path().filename().string());
    if (SkipsLocalEntry(log, folder, name, *it, realRoot)) continue;
    std::error_code kindError;
    fs::file_status own = it->symlink_status(kindError);
    bool isFolder = fs::is_directory(own);
    if (fs::is_symlink(own)) {
      std::error_code targetError;
      if (fs::is_directory(it->status(targetError))) continue;  // a link may lead back up: not descended into
    }
    if (isFolder) {
      if (!request.recurse) continue;
      if (IsUnsafeListedName(name)) {
        LogUnsafe(log, folder, name);
        return false;
      }
      subfolders.push_back(folder + "/" + name);
      continue;
    }
    if (!formats::FilterMatch(request.filter, name)) continue;
    if (IsUnsafeListedName(name)) {
      LogUnsafe(log, folder, name);
      return false;
    }
    std::error_code sizeError;
    auto size = fs::file_size(it->path(), sizeError);
    list.push_back(ListedRecord(request.root, folder, name, sizeError ? 0 : static_cast<int64_t>(size), true));
  }
  for (const std::string& sub : subfolders) {
    if (!ListLocal(request, sub, depth + 1, budget, list, log, realRoot)) return false;
  }
  return true;
}

}  // namespace

std::string ListedTempName(std::string_view subFolder, std::string_view name) {
  // The listed tree is kept as it is: a flattened name ("a/b" and "a_b"
  // both as "a_b") would let one file's bytes be installed as another's.
  if (subFolder.empty()) return std::string(name);
  return common::GbkReplaceChar(subFolder, '\\', '/') + "/" + std::string(name);
}

session::DownloadRecord ListedRecord(std::string_view root, std::string_view folder, std::string_view name,
                                     int64_t size, bool /*local*/) {
  std::string sub(folder.size() > root.size() ? folder.substr(root.size()) : std::string_view());
  if (!sub.empty() && IsSeparator(sub.front())) sub.erase(0, 1);
  // A trailing "\" may be the trail byte of a double-byte character.
  if (!sub.empty() && (sub.back() == '/' || common::GbkFindLast(sub, '\\') == sub.size() - 1)) sub.pop_back();
  session::DownloadRecord record;
  record.tempName = ListedTempName(sub, name);
  record.subFolder = std::move(sub);
  record.name = std::string(name);
  record.size = size;
  return record;
}

bool ListFtpFolder(TransferEngine& engine, const ListingRequest& request, std::vector<session::DownloadRecord>& list,
                   const ListingLog& log) {
  Budget budget;
  return ListFtp(engine, request, request.root, 0, budget, list, log);
}

bool ListLocalFolder(const ListingRequest& request, std::vector<session::DownloadRecord>& list,
                     const ListingLog& log) {
  // The root is resolved once: links inside it are judged against the
  // folder the location really names.
  std::error_code ec;
  const std::filesystem::path realRoot = std::filesystem::weakly_canonical(
      common::NativePath(request.root.empty() ? std::string("/") : request.root), ec);
  Budget budget;
  return ListLocal(request, request.root, 0, budget, list, log, realRoot.string());
}

}  // namespace transfer
