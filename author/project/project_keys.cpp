#include "author/project/project_keys.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/gbk.h"
#include "common/signature.h"
#include "platform/file_operations.h"

namespace author {

namespace {

namespace fs = std::filesystem;

fs::path Native(const std::string& gbkPath) { return fs::path(common::NativePath(gbkPath)); }

std::string ReadKey(const std::string& gbkPath) {
  std::ifstream in(Native(gbkPath), std::ios::binary);
  if (!in) return {};
  std::stringstream text;
  text << in.rdbuf();
  return common::Trim(text.str());
}

// Writes the key through a temporary file that is made owner-only before a
// byte of the key goes in, then renamed over the key file.
bool WriteKey(const std::string& gbkPath, const std::string& key, std::string* error) {
  const fs::path target = Native(gbkPath);
  fs::path temp = target;
  temp += ".tmp";
  std::error_code ec;
  fs::remove(temp, ec);
  {
    std::ofstream create(temp, std::ios::binary);
    if (!create) {
      if (error) *error = common::Gbk("无法写入密钥文件：") + gbkPath;
      return false;
    }
  }
  fs::permissions(temp, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, ec);
  bool ok = !ec;
  if (ok) {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << key << "\n";
    out.flush();
    ok = static_cast<bool>(out);
  }
  if (ok) fs::rename(temp, target, ec);
  if (!ok || ec) {
    fs::remove(temp, ec);
    if (error) *error = common::Gbk("无法写入密钥文件：") + gbkPath;
    return false;
  }
  return true;
}

bool WriteFreshKey(const std::string& gbkPath, std::string* error) {
  std::optional<common::SigningKeyPair> pair = common::GenerateSigningKeyPair();
  if (!pair) {
    if (error) *error = common::Gbk("无法生成签名密钥！");
    return false;
  }
  return WriteKey(gbkPath, pair->privateKey, error);
}

std::vector<std::string> ReadKeyList(const std::string& gbkPath) {
  std::vector<std::string> keys;
  std::ifstream in(Native(gbkPath), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    line = common::Trim(line);
    if (!line.empty()) keys.push_back(line);
  }
  return keys;
}

// Appends public keys to the withdrawn list (each once). The list holds
// nothing secret; it is replaced through a temporary file.
bool Withdraw(const std::string& projectFile, const std::vector<std::string>& publicKeys, std::string* error) {
  std::vector<std::string> keys = ReadKeyList(RevokedKeysFile(projectFile));
  const size_t before = keys.size();
  for (const std::string& key : publicKeys) {
    if (!key.empty() && std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
  }
  if (keys.size() == before) return true;
  std::string text;
  for (const std::string& key : keys) text += key + "\n";
  platform::RealFileOperations ops;
  if (!platform::WriteFileReplacing(ops, Native(RevokedKeysFile(projectFile)).string(), text, false)) {
    if (error) *error = common::Gbk("无法写入作废公钥列表：") + RevokedKeysFile(projectFile);
    return false;
  }
  return true;
}

}  // namespace

std::string RevokedKeysFile(const std::string& projectFile) { return projectFile + ".revoked-public-keys"; }

std::string PrivateKeyFile(const std::string& projectFile) { return projectFile + ".private-signing-key"; }
std::string OldPrivateKeyFile(const std::string& projectFile) { return projectFile + ".old-private-signing-key"; }

std::optional<ProjectKeys> LoadProjectKeys(const std::string& projectFile) {
  ProjectKeys keys;
  keys.signingKey = ReadKey(PrivateKeyFile(projectFile));
  keys.publicKey = common::PublicKeyOf(keys.signingKey);
  if (keys.publicKey.empty()) return std::nullopt;
  std::string old = ReadKey(OldPrivateKeyFile(projectFile));
  keys.oldPublicKey = common::PublicKeyOf(old);
  if (!keys.oldPublicKey.empty()) keys.signingKey = old;
  keys.revokedKeys = ReadKeyList(RevokedKeysFile(projectFile));
  return keys;
}

bool MakeProjectKey(const std::string& projectFile, std::string* error) {
  // A key replaced at once is taken to be lost or stolen.
  if (std::optional<ProjectKeys> keys = LoadProjectKeys(projectFile)) {
    if (!Withdraw(projectFile, {keys->publicKey, keys->oldPublicKey}, error)) return false;
  }
  if (!WriteFreshKey(PrivateKeyFile(projectFile), error)) return false;
  std::error_code ec;
  fs::remove(Native(OldPrivateKeyFile(projectFile)), ec);
  return true;
}

bool StartKeyChange(const std::string& projectFile, std::string* error) {
  std::optional<ProjectKeys> keys = LoadProjectKeys(projectFile);
  if (!keys || !keys->oldPublicKey.empty()) {
    if (error) *error = common::Gbk(keys ? "密钥更换尚未完成！" : "工程没有签名密钥！");
    return false;
  }
  if (!WriteKey(OldPrivateKeyFile(projectFile), keys->signingKey, error)) return false;
  return WriteFreshKey(PrivateKeyFile(projectFile), error);
}

bool FinishKeyChange(const std::string& projectFile, std::string* error) {
  std::optional<ProjectKeys> keys = LoadProjectKeys(projectFile);
  if (keys && !Withdraw(projectFile, {keys->oldPublicKey}, error)) return false;
  std::error_code ec;
  fs::remove(Native(OldPrivateKeyFile(projectFile)), ec);
  if (ec && error) *error = common::Gbk("无法删除旧密钥文件：") + OldPrivateKeyFile(projectFile);
  return !ec;
}

bool CopyProjectKeys(const std::string& fromProject, const std::string& toProject) {
  bool ok = true;
  for (auto file : {&PrivateKeyFile, &OldPrivateKeyFile, &RevokedKeysFile}) {
    std::string key = ReadKey(file(fromProject));
    std::error_code ec;
    if (key.empty()) {
      fs::remove(Native(file(toProject)), ec);
    } else {
      ok = WriteKey(file(toProject), key, nullptr) && ok;
    }
  }
  return ok;
}

}  // namespace author
