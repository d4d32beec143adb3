// The project's private signing key file (and the old key of a key change)
// over any bytes: loading the project's keys must refuse what is not a key
// and never hand out a key that cannot sign.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "author/project/project_keys.h"
#include "common/signature.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto& folder = fuzzsupport::Folder("private-key");
  const std::string project = (folder / "p.epj").string();
  fuzzsupport::WriteInput(author::PrivateKeyFile(project), data, size);
  fuzzsupport::WriteInput(author::OldPrivateKeyFile(project), data, size / 2);
  const auto keys = author::LoadProjectKeys(project);
  if (keys) {
    // The key it signs with must sign under the public key it names.
    const std::string signature = common::SignBytes("text", keys->signingKey);
    if (signature.empty() || !common::VerifySignature("text", signature, {keys->publicKey, keys->oldPublicKey})) {
      std::abort();
    }
  }
  return 0;
}
