#include "client/download/folder_listing.h"

#include <filesystem>
#include <system_error>

#include "client/download/ftp_listing.h"
#include "formats/name_filter.h"
#include "client/download/transfer_engine.h"
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

bool ListFtp(TransferEngine& engine, const ListingRequest& request, const std::string& folder, int depth,
             std::vector<session::DownloadRecord>& list, const ListingLog& log) {
  if (depth > kMaxDepth) {
    LogTooDeep(log, folder);
    return false;
  }
  std::vector<FtpEntry> entries;
  if (!engine.FtpListFolder(folder.empty() ? std::string("/") : folder, entries)) return false;
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
    if (!ListFtp(engine, request, sub, depth + 1, list, log)) return false;
  }
  return true;
}

bool ListLocal(const ListingRequest& request, const std::string& folder, int depth,
               std::vector<session::DownloadRecord>& list, const ListingLog& log) {
  if (depth > kMaxDepth) {
    LogTooDeep(log, folder);
    return false;
  }
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
    if (ec) return false;
    std::string name = common::Utf8ToGbk(it->path().filename().string());
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
    if (!ListLocal(request, sub, depth + 1, list, log)) return false;
  }
  return true;
}

}  // namespace

std::string ListedTempName(std::string_view folder, std::string_view name, bool local) {
  std::string text = std::string(folder) + "." + std::string(name);
  text = common::GbkReplaceChar(text, '\\', '_');
  text = common::GbkReplaceChar(text, '/', '_');
  if (local) text = common::GbkReplaceChar(text, ':', '_');
  return text;
}

session::DownloadRecord ListedRecord(std::string_view root, std::string_view folder, std::string_view name,
                                     int64_t size, bool local) {
  std::string sub(folder.size() > root.size() ? folder.substr(root.size()) : std::string_view());
  if (!sub.empty() && IsSeparator(sub.front())) sub.erase(0, 1);
  // A trailing "\" may be the trail byte of a double-byte character.
  if (!sub.empty() && (sub.back() == '/' || common::GbkFindLast(sub, '\\') == sub.size() - 1)) sub.pop_back();
  session::DownloadRecord record;
  record.subFolder = std::move(sub);
  record.name = std::string(name);
  record.tempName = ListedTempName(folder, name, local);
  record.size = size;
  return record;
}

bool ListFtpFolder(TransferEngine& engine, const ListingRequest& request, std::vector<session::DownloadRecord>& list,
                   const ListingLog& log) {
  return ListFtp(engine, request, request.root, 0, list, log);
}

bool ListLocalFolder(const ListingRequest& request, std::vector<session::DownloadRecord>& list,
                     const ListingLog& log) {
  return ListLocal(request, request.root, 0, list, log);
}

}  // namespace transfer
