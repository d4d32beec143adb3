#pragma once
// The fetcher of the server configuration: one location's text by its
// scheme. FTP reads the file as text with the location's user and password,
// file:// reads the local (or mounted network) file named by the URL's path,
// and anything else is asked over HTTP(S) first and then read into memory.
// ClientApp calls it through session::ConfigFetcher, since the session
// module cannot reach the transfer module itself.

#include <functional>
#include <string>

#include "client/session/server_config.h"
#include "client/download/text_fetch.h"

namespace transfer {

struct ConfigFetchOptions {
  /// PEM file of trusted CAs for HTTPS; empty = the system's trust store.
  std::string caFile;
  /// An HTTP(S) answer that sends nothing for this long fails.
  long receiveTimeoutMs = 30000;
  /// One location, check and read together, fails after this long however
  /// its server answers (FTP included: it replaces ftp.deadlineMs); 0 = no limit.
  long deadlineMs = 60000;
  FtpTextOptions ftp;
};

/// The text at url; "" when the location cannot be read, when the HTTP(S)
/// check fails (its message, or an empty line, goes to the log), when the
/// read is answered with a status outside 200-299 (logged the same way),
/// when the document cannot be read whole or not within the deadline.
std::string FetchConfigText(const std::string& url, const std::string& user, const std::string& password,
                            const std::function<void(const std::string&)>& log,
                            const ConfigFetchOptions& options = {});

/// FetchConfigText bound to a log and options, ready for ClientApp.
session::ConfigFetcher MakeConfigFetcher(std::function<void(const std::string&)> log,
                                         ConfigFetchOptions options = {});

}  // namespace transfer
