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

bool SignedByPublisher(const std::string& text, const std::string& signature, const std::vector<std::string>& keys) {
  if (common::VerifySignature(text, signature, keys)) return true;
  std::string restored = WithCrLf(text);
  return restored != text && common::VerifySignature(restored, signature, keys);
}

bool CheckConfigSignature(const std::vector<std::string>& keys, const formats::Mirror& mirror,
                          const std::string& text, const ConfigFetcher& fetcher) {
  if (keys.empty()) return true;
  if (!fetcher) return false;
  std::string signature = fetcher(mirror.url + ".sig", mirror.user, mirror.password);
  return !signature.empty() && SignedByPublisher(text, signature, keys);
}

}  // namespace session
