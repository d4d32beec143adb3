#include "client/download/item_fetch.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>

#include "client/session/client_log.h"
#include "client/session/run_state.h"
#include "client/stage/stage_sink.h"
#include "client/stage/transfer_context.h"
#include "client/download/transfer_engine.h"
#include "common/gbk.h"
#include "common/md5_digest.h"
#include "common/sha256_digest.h"

namespace transfer {


ItemFetch::ItemFetch(session::RunState& run, StageSink& sink, TransferContext& context, TransferEngine& engine)
    : run_(run),
      sink_(sink),
      context_(context),
      engine_(engine),
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

bool ItemFetch::SameDigest(std::string_view a, std::string_view b) {
  return common::GbkToLowerAscii(a) == common::GbkToLowerAscii(b);
}

void DeleteDownloadedFile(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(common::NativePath(path), ec);
}

}  // namespace transfer
