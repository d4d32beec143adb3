#pragma once
// The update configuration as plain structs: the server configuration's
// [system] hooks and process lists, its [UI] prompts, and the 20 file items
// and 10 dir items (fixed slots; "0.0.0" means none), together with the
// client configuration's keys the tool writes. The client fills them from a
// fetched text and keeps its run state beside them; the authoring tool
// fills them from a project and writes them out. Which key goes where, with
// which default and in which order, is the table of config_keys.h.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/value_syntax.h"

namespace formats {

inline constexpr int kFileItemCount = 20;
inline constexpr int kDirItemCount = 10;
inline constexpr const char* kNoVersion = "0.0.0";

/// The keys file items and dir items share.
struct ItemKeys {
  std::string urls;                        // the stored sub-field list ("url0=...;;url1=...")
  std::string localVersion = kNoVersion;   // client configuration: installed version
  std::string serverVersion = kNoVersion;  // server configuration: newest version
  std::string path;                        // target folder (a file item's ends in "\" once read)
  std::string describe;
  int modifyVer = 1;
  int showType = 0;
  int opMode = 0;
  int randomsel = 0;
  int tryallurl = 0;
};

struct FileKeys {
  int uncompress = 0;
  int runme = 0;
  int runmePause = 0;
  std::string runmeParam;
  std::string md5;     // 32 hexadecimal digits, "" (no check), or malformed (refused)
  std::string sha256;  // as given (64 hexadecimal digits when well formed) or ""
  std::string size;    // the file's length in bytes as given, or ""
  std::string rename;
  std::string patches;  // the patches from earlier releases (patch_list.h), as stored
};

/// One file of a dir item's signed file list.
struct ManifestEntry {
  std::string name;  // relative to the item's source folder, "/" separated (GBK)
  int64_t size = 0;
  std::string sha256;
};

struct DirKeys {
  std::string filter;
  int isIncSubdir = 0;
  std::string files;  // the number of entries of the signed file list, or ""
  std::vector<ManifestEntry> manifest;  // [dirN] file0.. as read (well formed ones)
  std::string filePatches;  // patches of single files from earlier releases (patch_list.h), as stored
};

/// One file item with what a run keeps about it.
struct FileItem : ItemKeys, FileKeys {
  bool newItem = false;        // marked for this update by the version comparison
  UrlList locations;           // mirrors, used up as they are tried
  std::string fileName;        // rename, or the last part of the first location
};

struct DirItem : ItemKeys, DirKeys {
  bool newItem = false;
  UrlList locations;
};

using FileItems = std::array<FileItem, kFileItemCount>;
using DirItems = std::array<DirItem, kDirItemCount>;

struct SystemSettings {
  std::string runBefore;
  int runBeforePause = 0;
  std::string runAfter;
  int runAfterPause = 0;
  std::string runNonetwork;
  std::string runUdbefore;
  std::string runUdafters;
  std::string runUdafterf;
  std::string runDlbefore;
  std::string runDlafters;
  std::string runDlafterf;
  std::vector<std::string> closeProc1;  // executable file names
  std::vector<std::string> closeProc2;  // window titles
  std::vector<std::string> closeProc3;  // window class names
  std::vector<std::string> closeItems;  // "file3", "dir0", ...; empty = every item
  // A signed configuration's freshness and binding: its serial number, the
  // UTC time it stops being valid ("YYYY-MM-DDTHH:MM:SSZ"), the product it
  // is for, and the public keys its publisher has withdrawn (comma list).
  std::string serial;
  std::string expires;
  std::string product;
  std::string revoked;
};

// Texts are GBK; the defaults are filled by UiSettings::Defaults().
struct UiSettings {
  int noupdateWin = 0;
  std::string noupdateWinMsg;
  int startWin = 1;
  std::string startWinMsg;
  int closeWin = 1;
  std::string closeWinMsg;
  int dlWin = 1;
  std::string dlWinMsg;
  int endWin1 = 1;
  int endWin2 = 1;
  std::string endWin1Msg;
  std::string endWin2Msg;

  /// The values a configuration without [UI] keys gives.
  static UiSettings Defaults();
};

/// The client configuration's [system] keys as the tool writes them (the
/// client reads urls, randomsel and tryallurl; closelog is a package's log
/// switch).
struct ClientSettings {
  std::string urls;
  int closelog = 0;
  int randomsel = 0;
  int tryallurl = 0;
  std::string product;  // a signed package: the product its configurations must name
  std::string serial;   // kept by the client: the highest serial it accepted
  std::string revoked;  // kept by the client: withdrawn public keys it has seen
};

struct ServerConfig {
  FileItems files;
  DirItems dirs;
  SystemSettings system;
  UiSettings ui = UiSettings::Defaults();
};

/// Splits a comma-separated list: every piece trimmed, empty pieces dropped.
std::vector<std::string> SplitList(std::string_view value);

/// A file item's target folder: "" stays ""; otherwise trimmed and ending in
/// a separator ("\" is added unless the text already ends in "\" or "/").
std::string NormaliseItemPath(std::string_view path);

/// The md5 value trimmed, whatever its length: the download refuses one
/// that is not 32 hexadecimal digits.
std::string KeepMd5(std::string_view md5);

/// A manifest line "size,sha256,name" (the name last: it may hold commas);
/// false when the size is not a whole number, the digest not 64
/// hexadecimal digits or the name empty.
bool ParseManifestEntry(std::string_view value, ManifestEntry& entry);
std::string ManifestLine(const ManifestEntry& entry);

/// A signed configuration's expiry as written: "YYYY-MM-DDTHH:MM:SSZ", UTC,
/// from seconds since 1970. Parsing is strict; nullopt for any other text.
std::string FormatUtcTime(int64_t secondsSinceEpoch);
std::optional<int64_t> ParseUtcTime(std::string_view text);

/// rename when not empty, else the text after the last "/" of the first
/// location ("" when there is none).
std::string ItemFileName(std::string_view rename, const UrlList& locations);

/// What the items found newer decide for the whole session.
struct SharedKeyPolicy {
  int showType = 2;  // smallest show_type among them; 2 (silent) when none
  int opMode = 1;    // 0 (manual) when any of them has op_mode 0
  int newItemCount = 0;

  void Count(int itemShowType, int itemOpMode);
};

}  // namespace formats
