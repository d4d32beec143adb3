#include "client/session/config_signature.h"

#include "common/gbk.h"
#include "common/ini_document.h"
#include "common/signature.h"

namespace session {

namespace {

// Every LF that has no CR before it gets one.
std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

}  // namespace

std::vector<std::string> ReadPublicKeys(common::IniDocument& clientDoc) {
  std::vector<std::string> keys;
  for (const char* name : {"pubkey", "pubkey2"}) {
    std::string key = common::Trim(clientDoc.GetString("system", name, ""));
    if (!key.empty()) keys.push_back(std::move(key));
  }
  return keys;
}

int SignerOf(const std::string& text, const std::string& signature, const std::vector<std::string>& keys) {
  const std::string restored = WithCrLf(text);
  for (size_t k = 0; k < keys.size(); ++k) {
    const std::vector<std::string> one{keys[k]};
    if (common::VerifySignature(text, signature, one)) return static_cast<int>(k);
    if (restored != text && common::VerifySignature(restored, signature, one)) return static_cast<int>(k);
  }
  return -1;
}

}  // namespace session
