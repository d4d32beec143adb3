#pragma once
// ItemFetch: the steps the download stage repeats for every item, on its
// worker thread: taking the next mirror off an item's three location lists
// (the first, or a uniform random one), fetching one file from it by its
// scheme (FTP over the run's one connection, file:// by local copy, anything
// else over HTTP(S) after the availability check) and the MD5 and SHA-256
// checks. The
// texts the steps show or log differ between the ordinary download and the
// self-update download; the callers say them.

#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "formats/value_syntax.h"
#include "client/download/url_tools.h"

namespace session {
class RunState;
}

namespace transfer {

class StageSink;
class TransferEngine;
struct TransferContext;

/// One mirror taken off an item's lists.
struct Mirror {
  std::string url;
  std::string user;
  std::string password;
  UrlParts parts;
  std::string object;  // the object path, cleaned (CleanObjectPath)
};

/// What one fetch from a mirror came to.
enum class FetchResult {
  kOk,
  kConnectFailed,   // FTP: the server could not be reached
  kCheckFailed,     // HTTP(S): the availability check refused; see checkMessage
  kTransferFailed,  // the transfer itself failed or was stopped
};

/// What checking a downloaded file against its digests came to.
struct DigestCheck {
  bool ok = true;
  std::string kind;      // "MD5" or "SHA256": the digest that differed
  std::string actual;    // the file's digest of that kind ("" when unreadable)
  std::string expected;  // the value the configuration gave
};

class ItemFetch {
 public:
  /// The engine, sink and run must outlive the object; all calls on the
  /// worker thread.
  ItemFetch(session::RunState& run, StageSink& sink, TransferContext& context, TransferEngine& engine);

  /// Removes mirror `index 0`, or with `random` a uniformly chosen one, from
  /// the three lists and returns it. The lists must not be empty.
  Mirror Take(formats::UrlList& list, bool random);

  /// Connects for an FTP mirror ("正在连接服务器......" when no connection is
  /// open); true at once for any other scheme.
  bool Connect(const Mirror& mirror);

  /// Fetches the mirror's object to destination (a GBK path), by its
  /// scheme. HTTP(S): the check first; its message lands in checkMessage.
  /// The "下载: " line is logged for file:// and HTTP(S).
  FetchResult FetchFile(const Mirror& mirror, const std::string& destination, int row, std::string& checkMessage);

  /// The MD5 of the file (a GBK path), 32 lower-case digits; "" when it
  /// cannot be read.
  static std::string FileMd5(const std::string& path);
  /// The file (a GBK path) against the item's md5 and sha256 (each checked
  /// when not empty, MD5 first); the first that differs, or ok.
  static DigestCheck CheckDigests(const std::string& path, const std::string& md5, const std::string& sha256);
  /// The integrity check of a downloaded file: statusText on the status
  /// line, the item's digests checked, "MD5验证成功!" / "SHA256验证成功!" for
  /// the ones that matched, and a file that differs deleted. The result
  /// says what differed (ok when nothing did).
  DigestCheck VerifyDownloaded(const std::string& path, const std::string& md5, const std::string& sha256,
                               const std::string& statusText);
  /// "" when each digest the item gives is well formed (md5 32, sha256 64
  /// hexadecimal digits); else the log line (GBK) that refuses the item: a
  /// malformed value must not switch the check off.
  static std::string DigestFormatError(const std::string& md5, const std::string& sha256);
  /// True when the digests are equal ignoring the case of A to F.
  static bool SameDigest(std::string_view a, std::string_view b);

 private:
  session::RunState& run_;
  StageSink& sink_;
  TransferContext& context_;
  TransferEngine& engine_;
  std::mt19937 random_;
};

/// Removes a file (a GBK path); nothing when it is not there.
void DeleteDownloadedFile(const std::string& path);

}  // namespace transfer
