// TransferEngine over FTP: one connection kept from file to file, folder
// changes only when the folder differs, binary downloads and folder
// listings (parsed by ParseFtpListing).

#include <curl/curl.h>

#include <filesystem>

#include "client/download/curl_support.h"
#include "client/download/engine_transfer.h"
#include "client/download/local_path.h"
#include "client/download/transfer_engine.h"
#include "client/download/url_tools.h"
#include "common/gbk.h"

namespace transfer {

void TransferEngine::ResetForFtp(const std::string& path, Transfer& t) {
  std::string server = context_.connectedServer.empty() ? std::string("127.0.0.1") : context_.connectedServer;
  curl::ResetToFtpRequest(curl_, curl::FtpBaseUrl(server, ftpPort_) + EscapePathBytes(path), ftpUser_,
                          ftpPassword_, options_.ftpTimeoutMs);
  // What libcurl reports as header lines of an FTP request (the size of a
  // file) is not wanted here.
  curl::ApplyCallbacks(curl_, &TransferEngine::OnControlHeader, &TransferEngine::OnBody,
                       &TransferEngine::OnXferInfo, &t);
  curl_easy_setopt(curl_, CURLOPT_PREREQFUNCTION, &TransferEngine::OnPrereq);
  curl_easy_setopt(curl_, CURLOPT_PREREQDATA, &t);
}

size_t TransferEngine::OnControlHeader(char*, size_t size, size_t count, void*) { return size * count; }

int TransferEngine::OnPrereq(void* user, char*, char*, int, int localPort) {
  auto& t = *static_cast<Transfer*>(user);
  t.localPort = localPort;
  if (t.guardFolder && localPort != t.engine->ftpControlPort_) {
    t.reconnected = true;
    return CURL_PREREQFUNC_ABORT;
  }
  return CURL_PREREQFUNC_OK;
}

int TransferEngine::FtpConnect(const std::string& server, const std::string& user, const std::string& password,
                               int port) {
  if (server.empty()) {
    Log(common::Gbk("错误：FTP服务器名称不能为空！"));
    return 0;
  }
  if (server == context_.connectedServer && curl_) return 1;
  FtpClose();
  if (curl_) curl_easy_cleanup(curl_);
  curl_ = curl::NewEasy();
  if (!curl_) {
    Log("Cannot open an Internet Session. Please check your internet configuration.");
    return 0;
  }
  Log(common::Gbk("FTP服务器：") + server);
  Log(common::Gbk("用户名：") + user);
  Log(common::Gbk("口令：不显示"));
  Log(common::Gbk("端口：") + std::to_string(port));

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
    Log(common::Gbk("FTP服务器") + server + common::Gbk("连接成功"));
    return 1;
  }
  Log(common::Gbk("FTP服务器") + server + common::Gbk("连接失败"));
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
  curl::HeaderList quote(curl::FtpCwd(folder));
  curl_easy_setopt(curl_, CURLOPT_QUOTE, quote.get());
  curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
  if (curl_easy_perform(curl_) != CURLE_OK) return false;
  ftpControlPort_ = t.localPort;
  return true;
}

int64_t TransferEngine::FtpQuerySize(const std::string& name, std::string* validator) {
  Transfer t;
  t.engine = this;
  t.guardFolder = true;
  ResetForFtp(name, t);
  curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
  // MDTM: the file's time tells a continued download whether it changed.
  if (validator) curl_easy_setopt(curl_, CURLOPT_FILETIME, 1L);
  CURLcode rc = curl_easy_perform(curl_);
  if (t.reconnected) return -2;
  curl_off_t length = -1;
  if (rc == CURLE_OK) curl_easy_getinfo(curl_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  if (validator) {
    curl_off_t time = -1;
    if (rc == CURLE_OK) curl_easy_getinfo(curl_, CURLINFO_FILETIME_T, &time);
    *validator = time >= 0 && length >= 0 ? "mdtm " + std::to_string(time) + " " + std::to_string(length) : "";
  }
  // An empty file that exists has the length 0; only a missing one has none.
  return length >= 0 ? length : -1;
}

int TransferEngine::FtpDownload(const std::string& remotePath, const std::string& destination, int64_t knownSize,
                                int row) {
  return FtpDownload(remotePath, destination, knownSize, row, nullptr);
}

int TransferEngine::FtpDownload(const std::string& remotePath, const std::string& destination, int64_t knownSize,
                                int row, ResumeRequest* resume) {
  if (resume) {
    resume->serverValidator.clear();
    resume->length = 0;
    resume->continued = false;
    resume->rangeRefused = false;
    // The length and time come from the server even when a listing knew
    // the length: a continuation needs the time.
    knownSize = 0;
  }
  std::string folderOfDestination = FolderOf(destination);
  if (!folderOfDestination.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(common::NativePath(folderOfDestination), ec);
  }
  auto [folder, name] = SplitRemotePath(remotePath);

  bool sizeShown = false;
  // A second round only when libcurl had to replace a dropped control
  // connection: the new one starts in the login folder.
  for (int round = 0; round < 2; ++round) {
    bool inFolder = round == 0 && curl_ && !context_.connectedServer.empty() &&
                    context_.currentServer == context_.connectedServer && context_.currentRemoteDir == folder;
    if (!inFolder && !FtpChangeDir(folder)) break;

    int64_t length = knownSize;
    std::string validator;
    if (length == 0) {
      length = FtpQuerySize(name, resume ? &validator : nullptr);
      if (length == -2) continue;
      if (length < 0) {
        Log(common::Gbk("错误：无法取得文件长度！"));
        length = 0;
      }
    }
    if (length != 0 && !sizeShown) {
      reporter_.AppendSize(row, length);
      sizeShown = true;
    }
    reporter_.SetFileBar(0);
    if (length != 0 && SkipIfPresent(destination, length, row)) return 1;
    if (length != 0 && !FitsOnDisk(destination, length)) return 0;

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
    if (resume) {
      t.resume = resume;
      t.writePath = resume->partPath;
      resume->serverValidator = validator;
      resume->length = length;
      // The rest only of a file whose time and length are what the bytes
      // were fetched against (REST); otherwise the whole file again.
      const int64_t offset = resume->offset;
      if (offset > 0 && length > offset && !validator.empty() &&
          (resume->validator.empty() || resume->validator == validator)) {
        curl_easy_setopt(curl_, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(offset));
        t.append = true;
        t.done = offset;
        resume->continued = true;
      }
    }
    reporter_.StartTransfer(t.done);
    CURLcode rc = curl_easy_perform(curl_);
    if (t.reconnected) continue;
    reporter_.Flush();
    if (rc == CURLE_REMOTE_FILE_NOT_FOUND || rc == CURLE_FTP_COULDNT_RETR_FILE) {
      Log(common::Gbk("错误：无法在Ftp服务器中打开文件：") + name);
      return 0;
    }
    if (!t.file && rc == CURLE_OK && !t.stopped) {
      // An empty remote file: nothing arrived, the destination is still made.
      if (!OpenDestination(t)) t.createFailed = true;
    }
    if (t.createFailed) {
      Log(common::Gbk("错误：无法在本地创建文件：") + destination);
      return 0;
    }
    bool closed = CloseDestination(t);
    context_.currentServer = context_.connectedServer;
    context_.currentRemoteDir = folder;
    return Finish(rc == CURLE_OK && closed && !t.stopped && !context_.stopRequested.load());
  }
  Log(common::Gbk("错误：无法在Ftp服务器中设置当前目录：") + folder);
  return 0;
}

int TransferEngine::FtpListFolder(const std::string& folder, std::vector<FtpEntry>& entries) {
  std::string listing;
  CURLcode rc = CURLE_QUOTE_ERROR;  // without a connection no folder opens either
  if (!context_.connectedServer.empty() && curl_) {
    Transfer t;
    t.engine = this;
    t.sinkText = &listing;
    ResetForFtp("", t);
    curl::HeaderList quote(curl::FtpCwd(folder));
    curl_easy_setopt(curl_, CURLOPT_QUOTE, quote.get());
    rc = curl_easy_perform(curl_);
    // The server's current folder has moved: the next download changes again.
    if (rc != CURLE_QUOTE_ERROR) context_.currentRemoteDir = kNoCdMarker;
  }
  if (rc == CURLE_QUOTE_ERROR) {
    Log(common::Gbk("无法打开服务器文件夹：") + folder);
    return 0;
  }
  if (rc != CURLE_OK) return 0;
  for (auto& e : ParseFtpListing(listing)) entries.push_back(std::move(e));
  return 1;
}

}  // namespace transfer
