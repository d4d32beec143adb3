#include "author/project/project_keys.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/gbk.h"
#include "common/signature.h"

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

}  // namespace

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
  return keys;
}

bool MakeProjectKey(const std::string& projectFile, std::string* error) {
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
  std::error_code ec;
  fs::remove(Native(OldPrivateKeyFile(projectFile)), ec);
  if (ec && error) *error = common::Gbk("无法删除旧密钥文件：") + OldPrivateKeyFile(projectFile);
  return !ec;
}

bool CopyProjectKeys(const std::string& fromProject, const std::string& toProject) {
  bool ok = true;
  for (auto file : {&PrivateKeyFile, &OldPrivateKeyFile}) {
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
