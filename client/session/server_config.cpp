#include "client/session/server_config.h"

#include <ctime>
#include <random>

#include "client/session/client_log.h"
#include "client/session/config_signature.h"
#include "common/gbk.h"
#include "formats/update_config_reader.h"

namespace session {

using common::Gbk;

std::string FetchFirstAnswer(formats::UrlList& locations, int randomsel, int tryallurl, const ConfigFetcher& fetcher,
                             ClientLog& log, const ConfigTrust& trust, TrustCheck* accepted,
                             formats::Mirror* answered) {
  std::mt19937 rng(static_cast<unsigned>(std::time(nullptr)));
  std::string text;
  while (!locations.empty()) {
    formats::Mirror mirror = locations.TakeMirror(randomsel != 0, rng);
    log.WriteLog(Gbk("★ 下载服务器端配置文件：") + HidePasswords(mirror.url));
    text = fetcher ? fetcher(mirror.url, mirror.user, mirror.password) : std::string();
    if (!text.empty() && trust.Active()) {
      const std::string signature = fetcher(mirror.url + ".sig", mirror.user, mirror.password);
      TrustCheck check = JudgeServerConfig(trust, text, signature, static_cast<int64_t>(std::time(nullptr)));
      if (check.verdict != TrustVerdict::kAccepted) {
        log.WriteLog(RefusalLine(check.verdict, HidePasswords(mirror.url)));
        text.clear();
      } else if (accepted) {
        *accepted = std::move(check);
      }
    }
    if (!text.empty() && answered) *answered = mirror;
    if (tryallurl == 0 || !text.empty()) break;
    log.WriteLog(Gbk("下载文件失败！"));
  }
  return text;
}

formats::UrlList ConfigLocationsFrom(const formats::UrlList& all, const formats::Mirror& answered) {
  formats::UrlList out;
  if (!answered.url.empty()) {
    out.urls.push_back(answered.url);
    out.users.push_back(answered.user);
    out.passwords.push_back(answered.password);
  }
  for (size_t i = 0; i < all.size(); ++i) {
    if (all.urls[i] == answered.url) continue;
    out.urls.push_back(all.urls[i]);
    out.users.push_back(all.users[i]);
    out.passwords.push_back(all.passwords[i]);
  }
  return out;
}

SharedKeyPolicy ReadServerConfiguration(std::string_view text, const formats::FolderValues& folders, ClientLog& log,
                                        const ServerConfigTarget& target) {
  formats::ServerConfig start{target.files, target.dirs, target.system, target.ui};
  formats::ServerReadResult read = formats::ReadServerConfig(text, folders, std::move(start));
  for (const std::string& line : read.log) log.WriteLog(line);
  target.files = std::move(read.config.files);
  target.dirs = std::move(read.config.dirs);
  target.system = std::move(read.config.system);
  target.ui = std::move(read.config.ui);
  return read.policy;
}

}  // namespace session
