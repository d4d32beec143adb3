#pragma once
// Ed25519 signatures over the server configuration. The publisher's tool
// holds the private key and signs the exact bytes of the file it uploads;
// the client ships with one or two public keys and runs only a
// configuration whose detached signature verifies under one of them, so a
// configuration rewritten on the way (or on a mirror) cannot name programs
// for the client to run. Keys and signatures travel as base64 of their raw
// bytes (32-byte keys: 44 characters; 64-byte signatures: 88 characters).
// OpenSSL does the arithmetic; nothing here knows Qt or the file system.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace common {

/// Base64 (RFC 4648, with padding) of the bytes.
std::string EncodeBase64(std::string_view bytes);
/// The bytes of a base64 text; nullopt when it is not base64 (no blanks
/// inside, length a multiple of 4, padding only at the end).
std::optional<std::string> DecodeBase64(std::string_view text);

/// A fresh Ed25519 key pair, each key as base64 of its 32 raw bytes.
struct SigningKeyPair {
  std::string privateKey;
  std::string publicKey;
};

/// A new key pair from the system's random source; nullopt when OpenSSL
/// cannot make one.
std::optional<SigningKeyPair> GenerateSigningKeyPair();

/// The public key (base64) that belongs to a private key (base64, blanks
/// around it ignored); "" when the text is no Ed25519 private key.
std::string PublicKeyOf(std::string_view privateKey);

/// The signature (base64 of 64 bytes) of the bytes under the private key;
/// "" when the key is unusable.
std::string SignBytes(std::string_view bytes, std::string_view privateKey);

/// True when signature (base64; blanks and line breaks around it ignored)
/// is a valid Ed25519 signature of the exact bytes under any of the public
/// keys. A malformed signature or key is simply not valid.
bool VerifySignature(std::string_view bytes, std::string_view signature, const std::vector<std::string>& publicKeys);

}  // namespace common
