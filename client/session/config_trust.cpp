#include "client/session/config_trust.h"

#include <algorithm>

#include "client/session/config_signature.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "formats/update_config.h"

namespace session {

namespace {

using common::Gbk;

// A serial is a whole number above 0 of at most 18 digits.
int64_t SerialOf(const std::string& text) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
  return std::stoll(text);
}

bool Contains(const std::vector<std::string>& list, const std::string& value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

std::string JoinList(const std::vector<std::string>& list) {
  std::string out;
  for (const std::string& item : list) out += (out.empty() ? "" : ",") + item;
  return out;
}

}  // namespace

ConfigTrust ReadConfigTrust(common::IniDocument& clientDoc) {
  ConfigTrust trust;
  trust.keys = ReadPublicKeys(clientDoc);
  trust.revoked = formats::SplitList(clientDoc.GetString("system", "revoked", ""));
  trust.product = common::Trim(clientDoc.GetString("system", "product", ""));
  trust.serial = SerialOf(common::Trim(clientDoc.GetString("system", "serial", "")));
  return trust;
}

TrustCheck JudgeServerConfig(const ConfigTrust& trust, const std::string& text, const std::string& signature,
                             int64_t now) {
  TrustCheck check;
  std::vector<std::string> usable;
  for (const std::string& key : trust.keys) {
    if (!Contains(trust.revoked, key)) usable.push_back(key);
  }
  const int signer = signature.empty() ? -1 : SignerOf(text, signature, usable);
  if (signer < 0) {
    check.verdict = TrustVerdict::kBadSignature;
    return check;
  }
  // Signed: the text is the publisher's, so reading its [system] is safe.
  common::IniDocument doc;
  if (!doc.SetText(text)) doc.SetText("\n");
  check.serial = SerialOf(common::Trim(doc.GetString("system", "serial", "")));
  const auto expires = formats::ParseUtcTime(common::Trim(doc.GetString("system", "expires", "")));
  const std::string product = common::Trim(doc.GetString("system", "product", ""));
  if (check.serial <= 0 || !expires) {
    check.verdict = TrustVerdict::kNoFreshness;
  } else if (!trust.product.empty() && product != trust.product) {
    check.verdict = TrustVerdict::kOtherProduct;
  } else if (check.serial < trust.serial) {
    check.verdict = TrustVerdict::kOlderSerial;  // an equal serial is a mirror that has not caught up
  } else if (now >= *expires) {
    check.verdict = TrustVerdict::kExpired;
  }
  if (check.verdict != TrustVerdict::kAccepted) return check;
  const std::string& current = usable[static_cast<size_t>(signer)];
  if (current == trust.keys.front()) {
    for (const std::string& key : formats::SplitList(doc.GetString("system", "revoked", ""))) {
      if (key != current && !Contains(trust.revoked, key) && !Contains(check.revokes, key)) {
        check.revokes.push_back(key);
      }
    }
  }
  return check;
}

std::string RefusalLine(TrustVerdict verdict, const std::string& url) {
  switch (verdict) {
    case TrustVerdict::kAccepted:
      return "";
    case TrustVerdict::kBadSignature:
      return Gbk("服务器端配置文件签名验证失败：") + url;
    case TrustVerdict::kNoFreshness:
      return Gbk("服务器端配置文件缺少序号或有效期：") + url;
    case TrustVerdict::kOlderSerial:
      return Gbk("服务器端配置文件的序号低于已接受的序号（旧文件）：") + url;
    case TrustVerdict::kExpired:
      return Gbk("服务器端配置文件已过期：") + url;
    case TrustVerdict::kOtherProduct:
      return Gbk("服务器端配置文件不属于本产品：") + url;
  }
  return "";
}

bool RecordAcceptance(const TrustCheck& check, ConfigTrust& trust, common::IniDocument& clientDoc) {
  bool changed = false;
  if (check.serial > trust.serial) {
    trust.serial = check.serial;
    clientDoc.PutValue("system", "serial", std::to_string(check.serial));
    changed = true;
  }
  if (!check.revokes.empty()) {
    trust.revoked.insert(trust.revoked.end(), check.revokes.begin(), check.revokes.end());
    clientDoc.PutValue("system", "revoked", JoinList(trust.revoked));
    changed = true;
  }
  return changed;
}

}  // namespace session
