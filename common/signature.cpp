#include "common/signature.h"

#include <openssl/evp.h>

#include <memory>

namespace common {

namespace {

constexpr size_t kKeyBytes = 32;
constexpr size_t kSignatureBytes = 64;

struct PkeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct PkeyCtxFree {
  void operator()(EVP_PKEY_CTX* ctx) const { EVP_PKEY_CTX_free(ctx); }
};
struct MdCtxFree {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
using PkeyPtr = std::unique_ptr<EVP_PKEY, PkeyFree>;
using PkeyCtxPtr = std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree>;
using MdCtxPtr = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view StripBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

const unsigned char* Bytes(std::string_view text) { return reinterpret_cast<const unsigned char*>(text.data()); }

// A raw key of exactly 32 bytes from its base64 text, or none.
PkeyPtr RawKey(std::string_view base64, bool isPrivate) {
  std::optional<std::string> raw = DecodeBase64(StripBlanks(base64));
  if (!raw || raw->size() != kKeyBytes) return nullptr;
  EVP_PKEY* key = isPrivate ? EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, Bytes(*raw), raw->size())
                            : EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, Bytes(*raw), raw->size());
  return PkeyPtr(key);
}

std::string RawOf(EVP_PKEY* key, bool isPrivate) {
  std::string raw(kKeyBytes, '\0');
  size_t size = raw.size();
  auto* out = reinterpret_cast<unsigned char*>(raw.data());
  int ok = isPrivate ? EVP_PKEY_get_raw_private_key(key, out, &size) : EVP_PKEY_get_raw_public_key(key, out, &size);
  if (ok != 1 || size != kKeyBytes) return {};
  return raw;
}

std::string PublicKeyText(EVP_PKEY* key) {
  std::string raw = RawOf(key, false);
  return raw.empty() ? std::string() : EncodeBase64(raw);
}

bool VerifyUnder(std::string_view bytes, const std::string& signature, std::string_view publicKey) {
  PkeyPtr key = RawKey(publicKey, false);
  MdCtxPtr ctx(EVP_MD_CTX_new());
  if (!key || !ctx) return false;
  // Ed25519 signs the message itself: no digest is named.
  if (EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1) return false;
  return EVP_DigestVerify(ctx.get(), Bytes(signature), signature.size(), Bytes(bytes), bytes.size()) == 1;
}

}  // namespace

std::string EncodeBase64(std::string_view bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), Bytes(bytes), static_cast<int>(bytes.size()));
  out.resize(n < 0 ? 0 : static_cast<size_t>(n));
  return out;
}

std::optional<std::string> DecodeBase64(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  // EVP_DecodeBlock skips leading blanks and pads its result; the checks
  // around it make it strict and give the true length.
  size_t padding = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (c == '=') {
      if (i + 2 < text.size()) return std::nullopt;
      ++padding;
    } else if (padding != 0 || !(alnum || c == '+' || c == '/')) {
      return std::nullopt;
    }
  }
  if (text.empty()) return std::string();
  std::string out(text.size() / 4 * 3, '\0');
  int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()), Bytes(text), static_cast<int>(text.size()));
  if (n < 0 || static_cast<size_t>(n) != out.size()) return std::nullopt;
  out.resize(out.size() - padding);
  return out;
}

std::optional<SigningKeyPair> GenerateSigningKeyPair() {
  PkeyCtxPtr ctx(EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr));
  if (!ctx || EVP_PKEY_keygen_init(ctx.get()) != 1) return std::nullopt;
  EVP_PKEY* made = nullptr;
  if (EVP_PKEY_keygen(ctx.get(), &made) != 1) return std::nullopt;
  PkeyPtr key(made);
  std::string priv = RawOf(key.get(), true);
  std::string pub = PublicKeyText(key.get());
  if (priv.empty() || pub.empty()) return std::nullopt;
  return SigningKeyPair{EncodeBase64(priv), pub};
}

std::string PublicKeyOf(std::string_view privateKey) {
  PkeyPtr key = RawKey(privateKey, true);
  return key ? PublicKeyText(key.get()) : std::string();
}

std::string SignBytes(std::string_view bytes, std::string_view privateKey) {
  PkeyPtr key = RawKey(privateKey, true);
  MdCtxPtr ctx(EVP_MD_CTX_new());
  if (!key || !ctx || EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1) return {};
  std::string signature(kSignatureBytes, '\0');
  size_t size = signature.size();
  if (EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(signature.data()), &size, Bytes(bytes),
                     bytes.size()) != 1 ||
      size != kSignatureBytes) {
    return {};
  }
  return EncodeBase64(signature);
}

bool VerifySignature(std::string_view bytes, std::string_view signature, const std::vector<std::string>& publicKeys) {
  std::optional<std::string> raw = DecodeBase64(StripBlanks(signature));
  if (!raw || raw->size() != kSignatureBytes) return false;
  for (const std::string& key : publicKeys) {
    if (VerifyUnder(bytes, *raw, key)) return true;
  }
  return false;
}

}  // namespace common
