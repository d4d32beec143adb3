#pragma once
// The files of a dir item's source folder, as download records: an FTP
// folder read through the engine's listing, or a local folder, each with
// the item's filter and, when asked, every subfolder below it. A name the
// listing hands over that could leave the item's temporary folder (or,
// later, its install folder) fails the whole listing: it is never written.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "client/session/run_state.h"

namespace transfer {

class TransferEngine;

using ListingLog = std::function<void(const std::string& gbkText)>;

/// Name in the item's temporary folder of a listed file: its path below the
/// listed root, subFolder + "/" + name ("\" as "/", GBK-aware: a trail byte
/// 0x5C stays). Two files get one name only when they are one file.
std::string ListedTempName(std::string_view subFolder, std::string_view name);

/// The record of a listed file: subFolder is the folder below root, one
/// leading and one trailing separator removed.
session::DownloadRecord ListedRecord(std::string_view root, std::string_view folder, std::string_view name,
                                     int64_t size, bool local);

/// Where and how a listing looks.
struct ListingRequest {
  std::string root;    // the item's source folder (GBK; "/" separated)
  std::string filter;  // the item's filter; "" = every file
  bool recurse = false;
  /// Caps of one item's listing (every folder listed, every entry seen,
  /// subfolders included); reaching one fails the listing, so a server
  /// cannot keep the run listing a tree without end.
  int maxFolders = 1000;
  int64_t maxEntries = 100000;
};

/// Appends the records of root (and, with recurse, of its subfolders) to
/// list. false when a folder cannot be opened ("无法打开服务器文件夹：" from
/// the engine) or an unsafe name was listed (logged); list then holds what
/// was found before.
bool ListFtpFolder(TransferEngine& engine, const ListingRequest& request, std::vector<session::DownloadRecord>& list,
                   const ListingLog& log);

/// The same over a local folder ("不存在文件夹：" + folder when it is
/// missing). Links to folders are not descended into.
bool ListLocalFolder(const ListingRequest& request, std::vector<session::DownloadRecord>& list,
                     const ListingLog& log);

}  // namespace transfer
