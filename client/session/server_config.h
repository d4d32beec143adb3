#pragma once
// The server configuration: fetching its text from the first location that
// answers, and reading it into the item slots and the session-wide
// settings with the shared reader, whose log lines (what the publisher
// reads back from "upgrade.log") go to the client's log. Fetching by scheme
// is the transfer module's job; here it is only a callback.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "client/session/config_trust.h"
#include "client/session/item_slots.h"
#include "client/session/server_settings.h"
#include "formats/value_syntax.h"

namespace session {

class ClientLog;

/// Fetches the text of one server-configuration location (URL, user,
/// password; GBK) by its scheme; "" when it cannot be had. Logs its own lines.
using ConfigFetcher =
    std::function<std::string(const std::string& url, const std::string& user, const std::string& password)>;

using formats::ItemFileName;
using formats::KeepMd5;
using formats::NormaliseItemPath;
using formats::SplitList;

/// Tries the locations (in random order when randomsel is non-zero), each
/// taken out of the lists as it is tried; with tryallurl 0 only one is
/// tried. With public keys in trust, the signature is fetched from the
/// location's url + ".sig" (same user and password), and a text that is not
/// signed, or is older, expired or for another product (config_trust.h),
/// counts as a failed location with its own log line; accepted then says
/// what the taken text brings. The first non-empty text, or "" when every
/// tried location failed. answered (when given) gets the location of that
/// text.
std::string FetchFirstAnswer(formats::UrlList& locations, int randomsel, int tryallurl, const ConfigFetcher& fetcher,
                             ClientLog& log, const ConfigTrust& trust = {}, TrustCheck* accepted = nullptr,
                             formats::Mirror* answered = nullptr);

/// all with answered moved to the front (when it has a URL); the places a
/// file named relative to the server configuration is looked for.
formats::UrlList ConfigLocationsFrom(const formats::UrlList& all, const formats::Mirror& answered);

/// What the items found newer decide for the whole session.
using SharedKeyPolicy = formats::SharedKeyPolicy;

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
