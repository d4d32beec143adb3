// The detached signature of the server configuration over any bytes: the
// input is "text \0 signature \0 key"; the base64 decoder, the signature
// check and the check with the line ends restored must neither crash nor
// accept a text that the exact-bytes check and the restored check both
// refuse.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "client/session/config_signature.h"
#include "common/signature.h"

namespace {

std::string Take(std::string& rest) {
  const size_t cut = rest.find('\0');
  std::string piece = rest.substr(0, cut);
  rest = cut == std::string::npos ? std::string() : rest.substr(cut + 1);
  return piece;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string rest(reinterpret_cast<const char*>(data), size);
  const std::string text = Take(rest);
  const std::string signature = Take(rest);
  const std::string key = Take(rest);
  for (const std::string* piece : {&text, &signature, &key}) {
    auto decoded = common::DecodeBase64(*piece);
    // What decodes must encode to the same bytes again.
    if (decoded && common::DecodeBase64(common::EncodeBase64(*decoded)) != decoded) std::abort();
  }
  const std::vector<std::string> keys{key, rest};
  const bool signedExact = common::VerifySignature(text, signature, keys);
  const bool signedAny = session::SignerOf(text, signature, keys) >= 0;
  if (signedExact && !signedAny) std::abort();
  return 0;
}
