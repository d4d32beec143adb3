// ClientApp: the server part of the configuration. The text comes from the
// first location of client.dat [system] urls that answers; the items found
// newer there decide the session's show type and operation mode.

#include "client/session/client_app.h"
#include "client/session/module_names.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "common/sha256_digest.h"

namespace session {

bool ClientApp::LoadServerConfiguration() {
  const formats::UrlList all = pass_.serverUrls;
  formats::Mirror answered;
  TrustCheck accepted;
  std::string text = FetchFirstAnswer(pass_.serverUrls, pass_.randomsel, pass_.tryallurl, configFetcher_, log_,
                                      pass_.trust, &accepted, &answered);
  pass_.configLocations = ConfigLocationsFrom(all, answered);
  if (text.empty()) {
    WriteLog(common::Gbk("错误：下载配置文件失败，可能是配置文件不存在，或解析错误，或网络不通！"));
    return false;
  }
  // The serial and withdrawn keys are kept before anything of the text is
  // acted on, so a run cut short still refuses older files afterwards.
  if (pass_.trust.Active() && pass_.clientDoc && configSource_ &&
      RecordAcceptance(accepted, pass_.trust, *pass_.clientDoc) &&
      !WriteClientConfiguration(*configSource_, pass_.clientDoc->GetText())) {
    WriteLog(common::Gbk("本地配置文件（") + ExeFileNameOf(configSource_->path) + common::Gbk("）无法修改！"));
  }
  pass_.serverDigest = common::Sha256Hex(text);
  SharedKeyPolicy policy = ReadServerConfiguration(
      text, folders_, log_, ServerConfigTarget{pass_.files, pass_.dirs, pass_.system, pass_.ui});
  pass_.showType = policy.showType;
  pass_.opMode = policy.opMode;
  pass_.decision.newItemCount = policy.newItemCount;
  return true;
}

}  // namespace session
