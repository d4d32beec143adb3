#include "client/transfer/transfer_engine.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "client/transfer/curl_support.h"
#include "client/transfer/local_path.h"
#include "common/gbk.h"
#include "client/transfer/progress_sink.h"
#include "client/transfer/transfer_context.h"
#include "client/transfer/transfer_texts.h"
#include "client/transfer/url_tools.h"

namespace transfer {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kLocalChunk = 104857;  // a tenth of a MiB, rounded down

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

std::string FtpBaseUrl(const std::string& server, int port) {
  return "ftp://" + server + ":" + std::to_string(port) + "/";
}

}  // namespace

// Per-operation state that libcurl's callbacks work on.
struct TransferEngine::Transfer {
  enum Kind { kCheck, kHttp, kFtp, kControl };
  TransferEngine* engine = nullptr;
  Kind kind = kControl;
  CURL* h = nullptr;
  std::string destination;
  int row = 0;
  int64_t length = 0;
  int64_t done = 0;
  std::shared_ptr<DestinationFile> file;
  // HTTP header state.
  bool sawLocation = false;
  bool headersDone = false;
  long status = 0;
  // Outcomes the callbacks leave behind.
  bool rejected = false;       // no usable length or an error status
  bool skipped = false;        // destination already complete
  bool createFailed = false;
  bool writeFailed = false;
  bool stopped = false;
  bool stalled = false;
  bool reconnected = false;    // FTP: control connection replaced
  bool guardFolder = false;    // FTP: the request relies on the current folder
  int localPort = -1;
  Clock::time_point lastData = Clock::now();
  std::string* sinkText = nullptr;  // FTP listing text
};

TransferEngine::TransferEngine(TransferContext& context, ProgressSink* sink, session::HostNotifier* host,
                               LogFn log, EngineOptions options)
    : context_(context), reporter_(sink, host), log_(std::move(log)), options_(std::move(options)) {}

TransferEngine::~TransferEngine() {
  // The FTP connection ends with the engine: the context, which may serve
  // another engine, must not go on naming it as open.
  FtpClose();
  if (curl_) curl_easy_cleanup(curl_);
}

void TransferEngine::Log(const std::string& text) const {
  if (log_) log_(text);
}

CURL* TransferEngine::Handle() {
  if (!curl_) curl_ = curl::NewEasy();
  if (curl_) curl_easy_reset(curl_);
  return curl_;
}

std::string HttpStatusMessage(long status) {
  switch (status) {
    case 400: return texts::kHttp400;
    case 401: return texts::kHttp401;
    case 403: return texts::kHttp403;
    case 404: return texts::kHttp404;
    case 405: return texts::kHttp405;
    case 406: return texts::kHttp406;
    case 407: return texts::kHttp407;
    case 414: return texts::kHttp414;
    case 500: return texts::kHttp500;
    case 501: return texts::kHttp501;
    case 502: return texts::kHttp502;
    default: return {};
  }
}

size_t TransferEngine::OnHttpHeader(char* data, size_t size, size_t count, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  size_t n = size * count;
  std::string_view line(data, n);
  if (StartsWithNoCase(line, "http/")) t.sawLocation = false;
  else if (StartsWithNoCase(line, "location:")) t.sawLocation = true;
  if (line != "\r\n" && line != "\n") return n;

  long code = 0;
  curl_easy_getinfo(t.h, CURLINFO_RESPONSE_CODE, &code);
  if (code < 200) return n;                            // interim answer
  if (code >= 300 && code < 400 && t.sawLocation) return n;  // redirect libcurl follows
  t.status = code;
  t.headersDone = true;
  if (t.kind == Transfer::kCheck) return 0;  // the check never reads the body

  TransferEngine& e = *t.engine;
  curl_off_t length = -1;
  curl_easy_getinfo(t.h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  // An error page is never taken for the file, whatever its length.
  if (code < 200 || code > 299 || length <= 0) {
    t.rejected = true;
    return 0;
  }
  t.length = length;
  e.reporter_.AppendSize(t.row, length);
  e.reporter_.SetFileBar(0);
  if (e.SkipIfPresent(t.destination, length, t.row)) {
    t.skipped = true;
    return 0;
  }
  if (!e.OpenDestination(t)) {
    t.createFailed = true;
    return 0;
  }
  e.reporter_.StartTransfer();
  return n;
}

size_t TransferEngine::OnBody(char* data, size_t size, size_t count, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  TransferEngine& e = *t.engine;
  size_t n = size * count;
  if (t.sinkText) {
    if (t.sinkText->size() + n > curl::kMaxTextBytes) return CURL_WRITEFUNC_ERROR;
    t.sinkText->append(data, n);
    return n;
  }
  if (t.kind == Transfer::kControl) return n;
  if (e.context_.stopRequested.load()) {
    t.stopped = true;
    return CURL_WRITEFUNC_ERROR;
  }
  if (!t.file) {
    // FTP: the destination is created once the server has opened the file.
    if (t.kind != Transfer::kFtp || !e.OpenDestination(t)) {
      t.createFailed = true;
      return CURL_WRITEFUNC_ERROR;
    }
  }
  if (!t.file->Write(data, n)) {
    t.writeFailed = true;
    return CURL_WRITEFUNC_ERROR;
  }
  t.done += static_cast<int64_t>(n);
  e.reporter_.Chunk(t.done, t.length, t.row, SpeedUnit::kKilobytes);
  e.context_.HonourPause();
  t.lastData = Clock::now();
  if (e.context_.stopRequested.load()) {
    t.stopped = true;
    return CURL_WRITEFUNC_ERROR;
  }
  return n;
}

int TransferEngine::OnXferInfo(void* user, int64_t, int64_t, int64_t, int64_t) {
  auto& t = *static_cast<Transfer*>(user);
  if (t.engine->context_.stopRequested.load()) {
    t.stopped = true;
    return 1;
  }
  // A server that stops sending: measured here rather than with libcurl's
  // low-speed limit, which would also count the time spent paused.
  if (t.engine->options_.stallSeconds > 0 &&
      Clock::now() - t.lastData > std::chrono::seconds(t.engine->options_.stallSeconds)) {
    t.stalled = true;
    return 1;
  }
  return 0;
}

int TransferEngine::OnPrereq(void* user, char*, char*, int, int localPort) {
  auto& t = *static_cast<Transfer*>(user);
  t.localPort = localPort;
  if (t.guardFolder && localPort != t.engine->ftpControlPort_) {
    t.reconnected = true;
    return CURL_PREREQFUNC_ABORT;
  }
  return CURL_PREREQFUNC_OK;
}

bool TransferEngine::SkipIfPresent(const std::string& destination, int64_t length, int row) {
  std::error_code ec;
  auto size = std::filesystem::file_size(common::NativePath(destination), ec);
  if (ec || static_cast<int64_t>(size) != length) return false;
  reporter_.SetFileBar(100);
  reporter_.SetRowProgress(row, 100);
  Log(texts::kAlreadyDownloaded);
  context_.HonourPause();
  return true;
}

bool TransferEngine::OpenDestination(Transfer& t) {
  std::FILE* f = std::fopen(common::NativePath(t.destination).c_str(), "wbe");
  if (!f) return false;
  // Chunks are large: each goes straight to the file without another copy.
  std::setvbuf(f, nullptr, _IONBF, 0);
  t.file = std::make_shared<DestinationFile>(f, t.destination);
  context_.RegisterOpenFile(t.file);
  return true;
}

// ---------------------------------------------------------------- HTTP

// The GET both the availability check and the download make: headers,
// body and progress all go to the transfer record t.
void TransferEngine::SetUpHttp(CURL* h, const std::string& prepared, const curl::HeaderList& headers,
                               Transfer& t) {
  curl::ApplyHttpRequest(h, prepared, headers);
  curl::ApplyTls(h, options_.caFile);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &TransferEngine::OnHttpHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &t);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &TransferEngine::OnBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &TransferEngine::OnXferInfo);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &t);
}

int TransferEngine::HttpCheck(const std::string& url, std::string& message) {
  message.clear();
  std::string prepared;
  if (!PrepareUrl(url, prepared)) return 0;
  CURL* h = Handle();
  if (!h) return 0;
  curl::HeaderList headers(curl::HttpHeaderLines());
  Transfer t;
  t.engine = this;
  t.kind = Transfer::kCheck;
  t.h = h;
  SetUpHttp(h, prepared, headers, t);
  curl_easy_perform(h);
  if (!t.headersDone) return 0;
  if (t.status >= 200 && t.status <= 299) return 1;
  message = HttpStatusMessage(t.status);
  return 0;
}

int TransferEngine::HttpDownload(const std::string& url, const std::string& destination, int row) {
  std::string prepared;
  if (!PrepareUrl(url, prepared)) return 0;
  CURL* h = Handle();
  if (!h) return 0;
  curl::HeaderList headers(curl::HttpHeaderLines());
  Transfer t;
  t.engine = this;
  t.kind = Transfer::kHttp;
  t.h = h;
  t.destination = destination;
  t.row = row;
  SetUpHttp(h, prepared, headers, t);
  curl_easy_setopt(h, CURLOPT_BUFFERSIZE, options_.httpChunk);
  CURLcode rc = curl_easy_perform(h);
  reporter_.Flush();
  if (t.skipped) return 1;
  bool closed = true;
  if (t.file) {
    context_.UnregisterOpenFile(t.file);
    closed = t.file->Close();
  }
  bool ok = rc == CURLE_OK && t.file && closed && !t.stopped && !context_.stopRequested.load();
  if (ok) reporter_.AddMessage(texts::kOk);
  return ok ? 1 : 0;
}

// ----------------------------------------------------------------- FTP

void TransferEngine::ResetForFtp(const std::string& path, Transfer& t) {
  CURL* h = curl_;
  curl_easy_reset(h);
  std::string url = FtpBaseUrl(context_.connectedServer.empty() ? std::string("127.0.0.1")
                                                                : context_.connectedServer,
                               ftpPort_) +
                    EscapePathBytes(path);
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  if (!ftpUser_.empty()) curl_easy_setopt(h, CURLOPT_USERNAME, ftpUser_.c_str());
  if (!ftpUser_.empty()) curl_easy_setopt(h, CURLOPT_PASSWORD, ftpPassword_.c_str());
  // Active mode, as the servers of the publishers expect.
  curl_easy_setopt(h, CURLOPT_FTPPORT, "-");
  // Folders are changed by the engine itself, so that it decides when a
  // change is needed; libcurl then names files relative to the current one.
  curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, options_.ftpTimeoutMs);
  curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, std::max(1L, (options_.ftpTimeoutMs + 999) / 1000));
  curl_easy_setopt(h, CURLOPT_ACCEPTTIMEOUT_MS, options_.ftpTimeoutMs);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &TransferEngine::OnXferInfo);
  curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &TransferEngine::OnPrereq);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &TransferEngine::OnBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
  // What libcurl reports as header lines of an FTP request (the size of a
  // file) is not wanted here.
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &TransferEngine::OnControlHeader);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &t);
  curl_easy_setopt(h, CURLOPT_PREREQDATA, &t);
}

size_t TransferEngine::OnControlHeader(char*, size_t size, size_t count, void*) { return size * count; }

int TransferEngine::FtpConnect(const std::string& server, const std::string& user, const std::string& password,
                               int port) {
  if (server.empty()) {
    Log(texts::kFtpServerEmpty);
    return 0;
  }
  if (server == context_.connectedServer && curl_) return 1;
  FtpClose();
  if (curl_) curl_easy_cleanup(curl_);
  curl_ = curl::NewEasy();
  if (!curl_) {
    Log(texts::kNoSession);
    return 0;
  }
  Log(std::string(texts::kFtpServerLabel) + server);
  Log(std::string(texts::kUserLabel) + user);
  Log(texts::kPasswordHidden);
  char portLine[64];
  std::snprintf(portLine, sizeof portLine, texts::kPortFormat, static_cast<long>(port));
  Log(portLine);

  context_.connectedServer = server;  // the base URL of every FTP request
  ftpPort_ = port;
  ftpUser_ = user;
  ftpPassword_ = password;
  bool connected = false;
  for (int attempt = 0; attempt < options_.ftpConnectAttempts && !connected; ++attempt) {
    Transfer t;
    t.engine = this;
    ResetForFtp("", t);
    curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
    connected = curl_easy_perform(curl_) == CURLE_OK;
  }
  if (connected) {
    Log(std::string(texts::kFtpServerPrefix) + server + texts::kConnected);
    return 1;
  }
  Log(std::string(texts::kFtpServerPrefix) + server + texts::kConnectFailed);
  context_.connectedServer.clear();
  curl_easy_cleanup(curl_);
  curl_ = nullptr;
  return 0;
}

void TransferEngine::FtpClose() {
  if (!context_.connectedServer.empty() && curl_) {
    curl_easy_cleanup(curl_);
    curl_ = nullptr;
  }
  context_.connectedServer.clear();
  context_.currentServer.clear();
  context_.currentRemoteDir.clear();
  ftpControlPort_ = -1;
}

bool TransferEngine::FtpChangeDir(const std::string& folder) {
  if (context_.connectedServer.empty() || !curl_) return false;
  Transfer t;
  t.engine = this;
  ResetForFtp("", t);
  curl::HeaderList quote({"CWD " + folder});
  curl_easy_setopt(curl_, CURLOPT_QUOTE, quote.get());
  curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
  if (curl_easy_perform(curl_) != CURLE_OK) return false;
  ftpControlPort_ = t.localPort;
  return true;
}

int64_t TransferEngine::FtpQuerySize(const std::string& name) {
  Transfer t;
  t.engine = this;
  t.guardFolder = true;
  ResetForFtp(name, t);
  curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
  CURLcode rc = curl_easy_perform(curl_);
  if (t.reconnected) return -2;
  curl_off_t length = -1;
  if (rc == CURLE_OK) curl_easy_getinfo(curl_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  // An empty file that exists has the length 0; only a missing one has none.
  return length >= 0 ? length : -1;
}

int TransferEngine::FtpDownload(const std::string& remotePath, const std::string& destination, int64_t knownSize,
                                int row) {
  std::string folderOfDestination = FolderOf(destination);
  if (!folderOfDestination.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(common::NativePath(folderOfDestination), ec);
  }
  size_t slash = remotePath.rfind('/');
  std::string folder = slash == std::string::npos ? "/" : remotePath.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? remotePath : remotePath.substr(slash + 1);

  bool sizeShown = false;
  // A second round only when libcurl had to replace a dropped control
  // connection: the new one starts in the login folder.
  for (int round = 0; round < 2; ++round) {
    bool inFolder = round == 0 && curl_ && !context_.connectedServer.empty() &&
                    context_.currentServer == context_.connectedServer && context_.currentRemoteDir == folder;
    if (!inFolder && !FtpChangeDir(folder)) {
      Log(texts::kCannotSetDir + folder);
      return 0;
    }

    int64_t length = knownSize;
    if (length == 0) {
      length = FtpQuerySize(name);
      if (length == -2) continue;
      if (length < 0) {
        Log(texts::kNoFileLength);
        length = 0;
      }
    }
    if (length != 0 && !sizeShown) {
      reporter_.AppendSize(row, length);
      sizeShown = true;
    }
    reporter_.SetFileBar(0);
    if (length != 0 && SkipIfPresent(destination, length, row)) return 1;

    Transfer t;
    t.engine = this;
    t.kind = Transfer::kFtp;
    t.h = curl_;
    t.destination = destination;
    t.row = row;
    t.length = length;
    t.guardFolder = true;
    ResetForFtp(name, t);
    curl_easy_setopt(curl_, CURLOPT_BUFFERSIZE, options_.ftpChunk);
    curl_easy_setopt(curl_, CURLOPT_TRANSFERTEXT, 0L);
    reporter_.StartTransfer();
    CURLcode rc = curl_easy_perform(curl_);
    if (t.reconnected) continue;
    reporter_.Flush();
    if (rc == CURLE_REMOTE_FILE_NOT_FOUND || rc == CURLE_FTP_COULDNT_RETR_FILE) {
      Log(texts::kCannotOpenRemote + name);
      return 0;
    }
    if (!t.file && rc == CURLE_OK && !t.stopped) {
      // An empty remote file: nothing arrived, the destination is still made.
      if (!OpenDestination(t)) t.createFailed = true;
    }
    if (t.createFailed) {
      Log(texts::kCannotCreateLocal + destination);
      return 0;
    }
    bool closed = true;
    if (t.file) {
      context_.UnregisterOpenFile(t.file);
      closed = t.file->Close();
    }
    context_.currentServer = context_.connectedServer;
    context_.currentRemoteDir = folder;
    bool ok = rc == CURLE_OK && closed && !t.stopped && !context_.stopRequested.load();
    if (ok) reporter_.AddMessage(texts::kOk);
    return ok ? 1 : 0;
  }
  Log(texts::kCannotSetDir + folder);
  return 0;
}

int TransferEngine::FtpListFolder(const std::string& folder, std::vector<FtpEntry>& entries) {
  if (context_.connectedServer.empty() || !curl_) {
    Log(texts::kCannotOpenServerDir + folder);
    return 0;
  }
  std::string listing;
  Transfer t;
  t.engine = this;
  t.sinkText = &listing;
  ResetForFtp("", t);
  curl::HeaderList quote({"CWD " + folder});
  curl_easy_setopt(curl_, CURLOPT_QUOTE, quote.get());
  CURLcode rc = curl_easy_perform(curl_);
  if (rc == CURLE_QUOTE_ERROR) {
    Log(texts::kCannotOpenServerDir + folder);
    return 0;
  }
  // The server's current folder has moved: the next download changes again.
  context_.currentRemoteDir = kNoCdMarker;
  if (rc != CURLE_OK) return 0;
  for (auto& e : ParseFtpListing(listing)) entries.push_back(std::move(e));
  return 1;
}

std::vector<FtpEntry> ParseFtpListing(const std::string& listing) {
  std::vector<FtpEntry> out;
  size_t pos = 0;
  while (pos < listing.size()) {
    size_t end = listing.find('\n', pos);
    if (end == std::string::npos) end = listing.size();
    std::string line = listing.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // Fields separated by blanks; the name is everything after the last
    // field so that names with blanks survive.
    auto skipField = [&line](size_t& p) {
      while (p < line.size() && line[p] == ' ') ++p;
      size_t start = p;
      while (p < line.size() && line[p] != ' ') ++p;
      return line.substr(start, p - start);
    };
    auto restAfterBlanks = [&line](size_t p) {
      while (p < line.size() && line[p] == ' ') ++p;
      return line.substr(p);
    };
    size_t p = 0;
    std::string first = skipField(p);
    if (first.empty()) continue;
    FtpEntry entry;
    if (first.size() >= 10 && std::string_view("-dlbcps").find(first[0]) != std::string_view::npos) {
      std::string fields[7];
      for (auto& f : fields) f = skipField(p);
      if (fields[6].empty()) continue;
      entry.name = restAfterBlanks(p);
      entry.isFolder = first[0] == 'd';
      entry.size = std::atoll(fields[3].c_str());
      if (first[0] == 'l') {
        size_t arrow = entry.name.find(" -> ");
        if (arrow != std::string::npos) entry.name.resize(arrow);
      }
    } else if (first.size() >= 8 && first[2] == '-' && first[5] == '-') {
      std::string time = skipField(p);
      std::string third = skipField(p);
      if (time.empty() || third.empty()) continue;
      entry.name = restAfterBlanks(p);
      entry.isFolder = third == "<DIR>";
      if (!entry.isFolder) entry.size = std::atoll(third.c_str());
    } else {
      continue;
    }
    if (entry.name.empty() || entry.name == "." || entry.name == "..") continue;
    out.push_back(std::move(entry));
  }
  return out;
}

// --------------------------------------------------------------- local

int TransferEngine::LocalCopy(const std::string& source, const std::string& destination, int row) {
  // The system opens a folder for reading too; it is no file to copy.
  std::error_code folderError;
  std::FILE* in = std::filesystem::is_directory(common::NativePath(source), folderError)
                      ? nullptr
                      : std::fopen(common::NativePath(source).c_str(), "rbe");
  if (!in) {
    Log(texts::kReadFailed + source);
    return 0;
  }
  std::setvbuf(in, nullptr, _IONBF, 0);
  std::error_code ec;
  auto total = static_cast<int64_t>(std::filesystem::file_size(common::NativePath(source), ec));
  if (ec) total = 0;
  Transfer t;
  t.destination = destination;
  if (!OpenDestination(t)) {
    std::fclose(in);
    Log(texts::kCreateFailed);
    return 0;
  }
  reporter_.AppendSize(row, total);
  reporter_.SetFileBar(0);
  reporter_.StartTransfer();

  bool ok = true;
  int64_t done = 0;
  int64_t got = 0;
  do {
    got = t.file->CopyFrom(in, kLocalChunk);
    if (got < 0 || context_.stopRequested.load()) {
      ok = false;
      break;
    }
    done += got;
    reporter_.Chunk(done, total, row, SpeedUnit::kMegabytes);
    context_.HonourPause();
  } while (got == static_cast<int64_t>(kLocalChunk));
  reporter_.Flush();
  std::fclose(in);
  context_.UnregisterOpenFile(t.file);
  if (!t.file->Close()) ok = false;
  if (ok) reporter_.AddMessage(texts::kOk);
  return ok ? 1 : 0;
}

}  // namespace transfer
