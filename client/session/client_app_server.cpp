// ClientApp: the server part of the configuration. The text comes from the
// first location of client.dat [system] urls that answers; the items found
// newer there decide the session's show type and operation mode.

#include "client/session/client_app.h"
#include "common/gbk.h"

namespace session {

std::string ClientApp::FetchServerConfiguration() {
  return FetchFirstAnswer(serverUrls_, randomsel_, tryallurl_, configFetcher_, log_);
}

bool ClientApp::LoadServerConfiguration() {
  std::string text = FetchServerConfiguration();
  if (text.empty()) {
    WriteLog(common::Utf8ToGbk(
        "错误：下载配置文件失败，可能是配置文件不存在，或解析错误，或网络不通！"));
    return false;
  }
  SharedKeyPolicy policy =
      ReadServerConfiguration(text, folders_, log_, ServerConfigTarget{fileItems_, dirItems_, system_, ui_});
  showType_ = policy.showType;
  opMode_ = policy.opMode;
  decision_.newItemCount = policy.newItemCount;
  return true;
}

}  // namespace session
