#include "client/transfer/config_fetch.h"

#include "client/transfer/memory_fetcher.h"
#include "client/transfer/transfer_context.h"
#include "client/transfer/transfer_engine.h"
#include "client/transfer/url_tools.h"

namespace transfer {

namespace {

std::string FetchOverHttp(const std::string& url, const std::function<void(const std::string&)>& log,
                          const ConfigFetchOptions& options) {
  std::string message;
  {
    TransferContext context;
    EngineOptions engineOptions;
    engineOptions.caFile = options.caFile;
    TransferEngine engine(context, nullptr, nullptr, log, engineOptions);
    if (engine.HttpCheck(url, message) == 0) {
      if (log) log(message);  // an empty line when the check had no message
      return {};
    }
  }
  MemoryFetcher fetcher;
  fetcher.SetCaFile(options.caFile);
  fetcher.SetReceiveTimeout(options.receiveTimeoutMs);
  std::string text;
  if (fetcher.FetchToMemory(url, text) == 0) return {};
  return text;
}

}  // namespace

std::string FetchConfigText(const std::string& url, const std::string& user, const std::string& password,
                            const std::function<void(const std::string&)>& log,
                            const ConfigFetchOptions& options) {
  UrlParts parts = CrackUrl(url);
  switch (parts.scheme) {
    case Scheme::kFtp:
      return FtpFetchText(url, user, password, log, options.ftp);
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
