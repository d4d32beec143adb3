#pragma once
// The server configuration: fetching its text from the first location that
// answers, and reading it into the item slots and the session-wide
// settings. Which items count, which keys are read and the order of the log
// lines are what the publisher reads back from "upgrade.log", so the reader
// logs every line itself. Fetching by scheme is the transfer module's job;
// here it is only a callback.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "client/session/item_slots.h"
#include "client/session/server_settings.h"
#include "formats/value_syntax.h"

namespace session {

class ClientLog;

/// Fetches the text of one server-configuration location (URL, user,
/// password; GBK) by its scheme; "" when it cannot be had. Logs its own lines.
using ConfigFetcher =
    std::function<std::string(const std::string& url, const std::string& user, const std::string& password)>;

/// Splits a comma-separated list: every piece trimmed, empty pieces dropped.
std::vector<std::string> SplitList(std::string_view value);

/// A file item's target folder: "" stays ""; otherwise trimmed and ending in
/// a separator ("\" is added unless the text already ends in "\" or "/").
std::string NormaliseItemPath(std::string_view path);

/// The md5 value trimmed, whatever its length: the download refuses one
/// that is not 32 hexadecimal digits.
std::string KeepMd5(std::string_view md5);

/// rename when not empty, else the text after the last "/" of the first
/// location ("" when there is none).
std::string ItemFileName(std::string_view rename, const formats::UrlList& locations);

/// Tries the locations (in random order when randomsel is non-zero), each
/// taken out of the lists as it is tried; with tryallurl 0 only one is
/// tried. With public keys, a text whose signature does not verify counts
/// as a failed location. The first non-empty text, or "" when every tried
/// location failed.
std::string FetchFirstAnswer(formats::UrlList& locations, int randomsel, int tryallurl, const ConfigFetcher& fetcher,
                             ClientLog& log, const std::vector<std::string>& publicKeys = {});

/// What the items found newer decide for the whole session.
struct SharedKeyPolicy {
  int showType = 2;  // smallest show_type among them; 2 (silent) when none
  int opMode = 1;    // 0 (manual) when any of them has op_mode 0
  int newItemCount = 0;

  void Count(int itemShowType, int itemOpMode);
};

/// Where ReadServerConfiguration puts what it reads. Values that are not
/// read again keep what an earlier pass put there; location lists grow.
struct ServerConfigTarget {
  FileItems& files;
  DirItems& dirs;
  SystemSettings& system;
  UiSettings& ui;
};

/// Reads a fetched (non-empty) server configuration text: the items newer
/// than their local versions, [system] and [UI], logging every line.
/// The returned policy is that of the items found newer in this text.
SharedKeyPolicy ReadServerConfiguration(std::string_view text, const formats::FolderValues& folders, ClientLog& log,
                                        const ServerConfigTarget& target);

}  // namespace session
