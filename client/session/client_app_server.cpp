// ClientApp: the server part of the configuration. The text comes from the
// first location of client.dat [system] urls that answers; the items found
// newer there decide the session's show type and operation mode.

#include "client/session/client_app.h"
#include "common/gbk.h"

namespace session {

bool ClientApp::LoadServerConfiguration() {
  const formats::UrlList all = pass_.serverUrls;
  formats::Mirror answered;
  std::string text = FetchFirstAnswer(pass_.serverUrls, pass_.randomsel, pass_.tryallurl, configFetcher_, log_,
                                      pass_.publicKeys, &answered);
  pass_.configLocations = ConfigLocationsFrom(all, answered);
  if (text.empty()) {
    WriteLog(common::Gbk("错误：下载配置文件失败，可能是配置文件不存在，或解析错误，或网络不通！"));
    return false;
  }
  SharedKeyPolicy policy = ReadServerConfiguration(
      text, folders_, log_, ServerConfigTarget{pass_.files, pass_.dirs, pass_.system, pass_.ui});
  pass_.showType = policy.showType;
  pass_.opMode = policy.opMode;
  pass_.decision.newItemCount = policy.newItemCount;
  return true;
}

}  // namespace session
