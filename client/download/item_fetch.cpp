#include "client/download/item_fetch.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>

#include "client/session/client_log.h"
#include "client/session/run_state.h"
#include "client/stage/stage_sink.h"
#include "client/stage/transfer_context.h"
#include "client/download/resume_record.h"
#include "client/download/transfer_engine.h"
#include "common/gbk.h"
#include "platform/file_operations.h"
#include "common/md5_digest.h"
#include "common/sha256_digest.h"

namespace transfer {

namespace {

platform::RealFileOperations realFiles;

int64_t SizeOf(const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::symlink_status(common::NativePath(path), ec);
  if (!std::filesystem::is_regular_file(status)) return -1;
  auto size = std::filesystem::file_size(common::NativePath(path), ec);
  return ec ? -1 : static_cast<int64_t>(size);
}

}  // namespace

ItemFetch::ItemFetch(session::RunState& run, StageSink& sink, TransferContext& context, TransferEngine& engine)
    : run_(run),
      sink_(sink),
      context_(context),
      engine_(engine),
      ops_(&realFiles),
      random_(static_cast<std::mt19937::result_type>(
          std::chrono::system_clock::now().time_since_epoch().count())) {}

Mirror ItemFetch::Take(formats::UrlList& list, bool random) {
  formats::Mirror taken = list.TakeMirror(random, random_);
  Mirror m;
  m.url = std::move(taken.url);
  m.user = std::move(taken.user);
  m.password = std::move(taken.password);
  m.parts = CrackUrl(m.url);
  // A login written into the URL serves when the entry names none.
  if (m.user.empty() && !m.parts.user.empty()) {
    m.user = m.parts.user;
    m.password = m.parts.password;
  }
  m.object = CleanObjectPath(m.parts.objectPath);
  return m;
}

bool ItemFetch::Connect(const Mirror& mirror) {
  if (mirror.parts.scheme != Scheme::kFtp) return true;
  // Only a run without an open connection says so; a connection to another
  // server is replaced quietly.
  if (context_.connectedServer.empty()) sink_.AddMessage(common::Gbk("正在连接服务器......"));
  return engine_.FtpConnect(mirror.parts.server, mirror.user, mirror.password, mirror.parts.port);
}

FetchResult ItemFetch::FetchFile(const Mirror& mirror, const std::string& destination, int row,
                                 std::string& checkMessage) {
  switch (mirror.parts.scheme) {
    case Scheme::kFtp:
      return engine_.FtpDownload(mirror.object, destination, 0, row) ? FetchResult::kOk
                                                                      : FetchResult::kTransferFailed;
    case Scheme::kFile:
      run_.WriteLog(common::Gbk("下载: ") + session::HidePasswords(mirror.url) + "-->" + destination);
      return engine_.LocalCopy(mirror.object, destination, row) ? FetchResult::kOk : FetchResult::kTransferFailed;
    default:
      run_.WriteLog(common::Gbk("下载: ") + session::HidePasswords(mirror.url) + "-->" + destination);
      if (!engine_.HttpCheck(mirror.url, checkMessage)) return FetchResult::kCheckFailed;
      return engine_.HttpDownload(mirror.url, destination, row) ? FetchResult::kOk : FetchResult::kTransferFailed;
  }
}

FetchResult ItemFetch::FetchResumable(const Mirror& mirror, const std::string& destination, int row,
                                      const ItemIdentity& id, std::string& checkMessage, bool& resumed) {
  resumed = false;
  if (mirror.parts.scheme == Scheme::kFile) {
    ResumeRecord::Discard(destination);
    return FetchFile(mirror, destination, row, checkMessage);
  }
  const bool hasDigest = !id.md5.empty() || !id.sha256.empty();
  // The record names the mirror without its password.
  const std::string source = session::HidePasswords(mirror.url);
  const std::string partPath = ResumeRecord::PartialPath(destination);

  // Bytes of an earlier attempt count only for the same item and digests,
  // and from another mirror (or without a validator) only when a digest will
  // check the whole file.
  ResumeRecord old;
  const int64_t have = SizeOf(partPath);
  bool usable = ResumeRecord::Load(destination, old) && old.item == id.item && SameDigest(old.md5, id.md5) &&
                SameDigest(old.sha256, id.sha256) && have > 0 && have < old.length;
  const bool sameSource = usable && old.url == source;
  usable = usable && (hasDigest || (sameSource && !old.validator.empty()));
  if (!usable) ResumeRecord::Discard(destination);

  ResumeRequest request;
  request.partPath = partPath;
  request.offset = usable ? have : 0;
  request.validator = sameSource && usable ? old.validator : std::string();
  bool started = false;
  request.onStart = [&](const ResumeRequest& r) {
    started = true;
    ResumeRecord record{id.item, source, r.serverValidator, id.md5, id.sha256, r.length};
    // Bytes that nothing could vouch for later are not worth keeping.
    const bool worthKeeping = hasDigest || !r.serverValidator.empty();
    if (!worthKeeping || !record.Save(destination)) {
      std::error_code ec;
      std::filesystem::remove(common::NativePath(ResumeRecord::RecordPath(destination)), ec);
    }
    if (r.continued) {
      run_.WriteLog(common::Gbk("断点续传：已有") + std::to_string(r.offset) + common::Gbk("字节，只下载其余部分。"));
    }
  };

  int ok = 0;
  if (mirror.parts.scheme == Scheme::kFtp) {
    ok = engine_.FtpDownload(mirror.object, destination, 0, row, &request);
  } else {
    run_.WriteLog(common::Gbk("下载: ") + source + "-->" + destination);
    if (!engine_.HttpCheck(mirror.url, checkMessage)) return FetchResult::kCheckFailed;
    ok = engine_.HttpDownload(mirror.url, destination, row, request);
    if (!ok && request.rangeRefused && !context_.stopRequested.load()) {
      // The server has fewer bytes than the partial file: it is not the
      // file those bytes came from.
      ResumeRecord::Discard(destination);
      request.offset = 0;
      request.validator.clear();
      ok = engine_.HttpDownload(mirror.url, destination, row, request);
    }
  }
  if (!ok) return FetchResult::kTransferFailed;  // the partial file stays for the next attempt
  if (!started) {
    // The skip rule: the destination already is the whole file.
    ResumeRecord::Discard(destination);
    return FetchResult::kOk;
  }
  resumed = request.continued;
  // Only the whole file becomes the destination.
  const int64_t got = SizeOf(partPath);
  if (request.length > 0 && got != request.length) {
    run_.WriteLog(common::Gbk("文件长度不符：") + partPath);
    if (got > request.length) ResumeRecord::Discard(destination);
    return FetchResult::kTransferFailed;
  }
  const platform::FileResult renamed = ops_->Rename(common::NativePath(partPath), common::NativePath(destination));
  if (!renamed.ok()) {
    run_.WriteLog(common::Gbk("无法把下载的文件改名为：") + destination + " (" + renamed.text + ")");
    return FetchResult::kTransferFailed;
  }
  std::error_code ec;
  std::filesystem::remove(common::NativePath(ResumeRecord::RecordPath(destination)), ec);
  return FetchResult::kOk;
}

std::string ItemFetch::FileMd5(const std::string& path) {
  common::Md5Digest digest;
  digest.DigestFile(common::NativePath(path));
  std::optional<std::string> text = digest.GetDigest();
  digest.Close();
  return text ? *text : std::string();
}

DigestCheck ItemFetch::VerifyDownloaded(const std::string& path, const std::string& md5,
                                        const std::string& sha256, const std::string& statusText) {
  sink_.AddMessage(statusText);
  DigestCheck check = CheckDigests(path, md5, sha256);
  if (check.ok) {
    if (!md5.empty()) sink_.AddMessage(common::Gbk("MD5验证成功!"));
    if (!sha256.empty()) sink_.AddMessage(common::Gbk("SHA256验证成功!"));
  } else {
    DeleteDownloadedFile(path);
  }
  return check;
}

std::string ItemFetch::DigestFormatError(const std::string& md5, const std::string& sha256) {
  auto wellFormed = [](const std::string& digest, size_t digits) {
    return digest.size() == digits && std::all_of(digest.begin(), digest.end(), [](unsigned char c) {
             return std::isxdigit(c) != 0;
           });
  };
  const std::pair<const char*, const std::string*> given[] = {{"md5", &md5}, {"sha256", &sha256}};
  for (const auto& [key, value] : given) {
    const size_t digits = std::string_view(key) == "md5" ? 32 : 64;
    if (value->empty() || wellFormed(*value, digits)) continue;
    return common::Gbk("服务器配置中的") + key + common::Gbk("值“") + *value + common::Gbk("”不是") +
           std::to_string(digits) + common::Gbk("位十六进制数，无法验证文件的完整性，退出!");
  }
  return "";
}

DigestCheck ItemFetch::CheckDigests(const std::string& path, const std::string& md5, const std::string& sha256) {
  DigestCheck check;
  if (!md5.empty()) {
    std::string digest = FileMd5(path);
    if (!SameDigest(digest, md5)) return {false, "MD5", digest, md5};
  }
  if (!sha256.empty()) {
    std::string digest = common::FileSha256(common::NativePath(path));
    if (digest.empty() || !SameDigest(digest, sha256)) return {false, "SHA256", digest, sha256};
  }
  return check;
}

void ItemFetch::KeepOnlyProvenFile(const std::string& path, const std::string& md5, const std::string& sha256) {
  // A file left by an earlier run is taken (the transfer skips a file of
  // the announced length) only when its digest proves it is the one asked
  // for now: the server may have a new file of the same length.
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::symlink_status(common::NativePath(path), ec))) return;
  if ((!md5.empty() || !sha256.empty()) && CheckDigests(path, md5, sha256).ok) return;
  DeleteDownloadedFile(path);
}

bool ItemFetch::SameDigest(std::string_view a, std::string_view b) {
  return common::GbkToLowerAscii(a) == common::GbkToLowerAscii(b);
}

void DeleteDownloadedFile(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(common::NativePath(path), ec);
}

}  // namespace transfer
