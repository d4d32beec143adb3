#pragma once
// TransferEngine: moves one file at a time from an HTTP(S) server, an FTP
// server or a local path into a local destination, on the download worker
// thread, reporting progress as it goes. One engine serves one download run
// and keeps one libcurl handle for it, so the FTP connection stays open from
// file to file. Every operation returns 1 on success and 0 on failure; the
// reason goes to the log callback. A failed or stopped transfer leaves the
// destination on disk as far as it was written.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "client/download/ftp_listing.h"
#include "client/download/progress_reporter.h"

typedef void CURL;

namespace session {
class HostNotifier;
}

namespace transfer {

struct TransferContext;
class ProgressSink;

// Settings of one engine; the defaults are those of a real run, tests
// shorten the time-outs.
struct EngineOptions {
  /// PEM file of trusted CAs; empty = the system's trust store.
  std::string caFile;
  /// FTP connect and control-channel time-out of every attempt.
  long ftpTimeoutMs = 30000;
  int ftpConnectAttempts = 5;
  /// An HTTP or FTP transfer that receives nothing for this long fails.
  long stallSeconds = 60;
  /// A download that averages under lowSpeedBytes a second over
  /// lowSpeedSeconds fails (a server that trickles would otherwise hold
  /// the run for ever); time spent paused does not count. 0 = no limit.
  long lowSpeedBytes = 1024;
  /// An availability check that has not got its answer in this long fails;
  /// 0 = no limit.
  long checkTimeoutMs = 0;
  long lowSpeedSeconds = 60;
  /// A download whose rest would take longer than this at the rate of its
  /// last low-speed window fails (checked once per window); 0 = no limit.
  long maxExpectedSeconds = 24 * 60 * 60;
  /// Receive size per chunk; progress is reported after every chunk. 100 KB
  /// keeps a loopback transfer as fast as the curl tool; smaller chunks only
  /// add calls.
  long httpChunk = 102400;
  long ftpChunk = 102400;
};

/// A download that may continue a partial file. The bytes go to partPath
/// instead of the destination: appended after its first `offset` bytes when
/// the server sends just the rest (HTTP 206 for "Range" with "If-Range",
/// FTP REST after an unchanged MDTM), written from zero when it sends the
/// whole file or the file changed. The destination itself is only looked at
/// by the skip rule.
struct ResumeRequest {
  std::string partPath;   // GBK path of the partial file
  int64_t offset = 0;     // bytes already there; 0 = a fresh file
  std::string validator;  // what the bytes were fetched against; "" = none
  /// Called once the server has answered and before the first byte goes to
  /// partPath, with the fields below set: the caller records them.
  std::function<void(const ResumeRequest&)> onStart;
  std::string serverValidator;  // ETag (strong) or Last-Modified; FTP: MDTM
  int64_t length = 0;           // the whole file's length
  bool continued = false;       // the first offset bytes were kept
  bool rangeRefused = false;    // HTTP 416: the offset is past the file
};

class TransferEngine {
 public:
  using LogFn = std::function<void(const std::string& gbkText)>;

  /// sink and host may be null; log may be empty.
  TransferEngine(TransferContext& context, ProgressSink* sink, session::HostNotifier* host, LogFn log,
                 EngineOptions options = {});
  ~TransferEngine();
  TransferEngine(const TransferEngine&) = delete;
  TransferEngine& operator=(const TransferEngine&) = delete;

  /// 1 for a status 200-299. Else 0 and `message` set from the status table
  /// (empty for other statuses and for connection failures).
  int HttpCheck(const std::string& url, std::string& message);

  /// 1 when the whole object was written to destination, or when the
  /// destination already holds a file of the announced length; 0 without a
  /// content length (or length 0), on a status outside 200-299, on a read
  /// or write failure and after a stop request.
  int HttpDownload(const std::string& url, const std::string& destination, int row);
  /// The same, continuing resume.partPath (see ResumeRequest); a 206 whose
  /// range is not the one asked for is a failure.
  int HttpDownload(const std::string& url, const std::string& destination, int row, ResumeRequest& resume);

  /// 1 when connected (or already connected to that server); 0 after the
  /// attempts failed or for an empty server name.
  int FtpConnect(const std::string& server, const std::string& user, const std::string& password, int port);

  /// Needs FtpConnect. 0 when the folder cannot be made current, the remote
  /// file cannot be opened, the destination cannot be created, the transfer
  /// breaks off or a stop is requested.
  int FtpDownload(const std::string& remotePath, const std::string& destination, int64_t knownSize, int row);
  /// The same, continuing resume.partPath (see ResumeRequest).
  int FtpDownload(const std::string& remotePath, const std::string& destination, int64_t knownSize, int row,
                  ResumeRequest* resume);

  /// Makes `folder` current on the server and appends its entries to
  /// `entries` (ParseFtpListing: "." and ".." left out, unsafe names marked,
  /// not dropped). 0 when the folder cannot be made current or listed.
  /// Afterwards the next FtpDownload changes folder again.
  int FtpListFolder(const std::string& folder, std::vector<FtpEntry>& entries);

  /// Closes the FTP connection of the run (the end of a download run).
  void FtpClose();

  /// 0 when the source cannot be read, the destination cannot be created or
  /// written, or a stop is requested.
  int LocalCopy(const std::string& source, const std::string& destination, int row);

  ProgressReporter& Reporter() { return reporter_; }

 private:
  struct Transfer;
  static size_t OnHttpHeader(char* data, size_t size, size_t count, void* user);
  static size_t OnControlHeader(char* data, size_t size, size_t count, void* user);
  static size_t OnBody(char* data, size_t size, size_t count, void* user);
  static int OnXferInfo(void* user, int64_t, int64_t, int64_t, int64_t);
  static int OnPrereq(void* user, char* primaryIp, char* localIp, int primaryPort, int localPort);

  CURL* Handle();
  /// The GET of the check and of the download, with the callbacks on t; the
  /// libcurl result, -1 when the URL cannot be prepared or no handle had.
  int PerformHttp(const std::string& url, Transfer& t);
  int HttpDownloadInto(const std::string& url, const std::string& destination, int row, ResumeRequest* resume);
  void ResetForFtp(const std::string& path, Transfer& t);
  bool SkipIfPresent(const std::string& destination, int64_t length, int row);
  /// False (logged) when length passes the free space of destination's disk.
  bool FitsOnDisk(const std::string& destination, int64_t length);
  bool OpenDestination(Transfer& t);
  /// Unregisters and closes t's destination; false when the close failed.
  bool CloseDestination(Transfer& t);
  /// The end of a transfer: "OK!" on the status line after a success.
  int Finish(bool ok);
  bool FtpChangeDir(const std::string& folder);
  /// Length of a file in the current folder; -1 when the server knows no
  /// such file, -2 when the control connection had to be replaced.
  int64_t FtpQuerySize(const std::string& name, std::string* validator = nullptr);
  void Log(const std::string& text) const;

  TransferContext& context_;
  ProgressReporter reporter_;
  LogFn log_;
  EngineOptions options_;
  CURL* curl_ = nullptr;
  int ftpPort_ = 21;
  std::string ftpUser_;
  std::string ftpPassword_;
  // Local port of the control connection the last folder change went over:
  // a different one at the next request means libcurl had to reconnect, and
  // the new connection starts in the login folder.
  int ftpControlPort_ = -1;
};

/// The message of the status table; empty for any other status.
std::string HttpStatusMessage(long status);

}  // namespace transfer
