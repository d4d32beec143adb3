#include "client/download/config_fetch.h"

#include <chrono>

#include "client/download/memory_fetcher.h"
#include "client/stage/transfer_context.h"
#include "client/download/transfer_engine.h"
#include "client/download/url_tools.h"

namespace transfer {

namespace {

std::string FetchOverHttp(const std::string& url, const std::function<void(const std::string&)>& log,
                          const ConfigFetchOptions& options) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(options.deadlineMs);
  std::string message;
  {
    TransferContext context;
    EngineOptions engineOptions;
    engineOptions.caFile = options.caFile;
    engineOptions.checkTimeoutMs = options.deadlineMs;
    TransferEngine engine(context, nullptr, nullptr, log, engineOptions);
    if (engine.HttpCheck(url, message) == 0) {
      if (log) log(message);  // an empty line when the check had no message
      return {};
    }
  }
  MemoryFetcher fetcher;
  fetcher.SetCaFile(options.caFile);
  fetcher.SetReceiveTimeout(options.receiveTimeoutMs);
  if (options.deadlineMs > 0) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return {};
    fetcher.SetTotalTimeout(static_cast<long>(left));
  }
  std::string text;
  if (fetcher.FetchToMemory(url, text) == 0) return {};
  // An error page (a 503 from a busy server) is not the configuration.
  const long status = fetcher.StatusCode();
  if (status < 200 || status > 299) {
    if (log) log(HttpStatusMessage(status));
    return {};
  }
  return text;
}

}  // namespace

std::string FetchConfigText(const std::string& url, const std::string& user, const std::string& password,
                            const std::function<void(const std::string&)>& log,
                            const ConfigFetchOptions& options) {
  UrlParts parts = CrackUrl(url);
  switch (parts.scheme) {
    case Scheme::kFtp: {
      FtpTextOptions ftp = options.ftp;
      ftp.deadlineMs = options.deadlineMs;
      return FtpFetchText(url, user, password, log, ftp);
    }
    case Scheme::kFile:
      return ReadLocalText(CleanObjectPath(parts.objectPath));
    default:
      return FetchOverHttp(url, log, options);
  }
}

session::ConfigFetcher MakeConfigFetcher(std::function<void(const std::string&)> log, ConfigFetchOptions options) {
  return [log = std::move(log), options = std::move(options)](const std::string& url, const std::string& user,
                                                             const std::string& password) {
    return FetchConfigText(url, user, password, log, options);
  };
}

}  // namespace transfer
