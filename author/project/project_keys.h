#pragma once
// The signing keys of a project. The private key lives in a file beside the
// project file (readable by its owner only), never in the project file, so
// a project handed round or checked in does not carry it. During a key
// change the previous key is kept in a second file: packages are then still
// signed with it, so installed clients that know only the old public key go
// on accepting updates, while the client configuration they install names
// the new key first and the old one second. Finishing the change drops the
// old key, and packages are signed with the new one. No Qt.

#include <optional>
#include <string>
#include <vector>

namespace author {

/// The key files of a project (stored or native GBK path of the project).
std::string PrivateKeyFile(const std::string& projectFile);
std::string OldPrivateKeyFile(const std::string& projectFile);

struct ProjectKeys {
  std::string publicKey;     // base64 of 32 bytes: client.dat pubkey
  std::string signingKey;    // the private key that signs packages
  std::string oldPublicKey;  // during a change: client.dat pubkey2; else ""
  std::vector<std::string> revokedKeys;  // public keys withdrawn: no client that has seen them trusts them
};

/// The project's withdrawn public keys, one base64 key a line, beside the
/// project file. A key replaced at once or dropped at the end of a key
/// change goes in; signed packages name them all.
std::string RevokedKeysFile(const std::string& projectFile);

/// The project's keys; nullopt when it has no (readable, valid) key, and
/// then packages go out unsigned.
std::optional<ProjectKeys> LoadProjectKeys(const std::string& projectFile);

/// A fresh key pair for the project, replacing any key it had (an old key
/// of a change included; their public keys are withdrawn). False with a
/// reason in error.
bool MakeProjectKey(const std::string& projectFile, std::string* error = nullptr);

/// Starts a key change: the current key becomes the old one, a fresh pair
/// the current one. False (nothing changed) when the project has no key or
/// a change is already under way.
bool StartKeyChange(const std::string& projectFile, std::string* error = nullptr);

/// Ends a key change: the old key is deleted and its public key withdrawn.
bool FinishKeyChange(const std::string& projectFile, std::string* error = nullptr);

/// Copies the key files of a project to another project path (save as);
/// false when a key could not be copied.
bool CopyProjectKeys(const std::string& fromProject, const std::string& toProject);

}  // namespace author
