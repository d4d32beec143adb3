#include "author/generator/package_signing.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "author/project/item_slot.h"
#include "author/generator/package_generator.h"
#include "author/project/project_file.h"
#include "author/project/project_keys.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "common/sha256_digest.h"
#include "common/signature.h"
#include "formats/name_filter.h"
#include "formats/value_syntax.h"

namespace author {

namespace {

namespace fs = std::filesystem;
using common::Gbk;

std::string JoinList(const std::vector<std::string>& list) {
  std::string out;
  for (const std::string& item : list) out += (out.empty() ? "" : ",") + item;
  return out;
}

std::string ReadBytes(const std::string& gbkPath, bool& ok) {
  std::ifstream in(common::NativePath(gbkPath), std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  ok = static_cast<bool>(in);
  return bytes.str();
}

// A product id: 128 random bits in hexadecimal, made once per project (the
// public key is no id: it changes with a key change).
std::string NewProductId() {
  std::optional<common::SigningKeyPair> pair = common::GenerateSigningKeyPair();
  std::optional<std::string> raw = pair ? common::DecodeBase64(pair->publicKey) : std::nullopt;
  if (!raw) return "";
  static const char kHex[] = "0123456789abcdef";
  std::string id;
  for (size_t i = 0; i < 16; ++i) {
    const auto byte = static_cast<unsigned char>((*raw)[i]);
    id += kHex[byte >> 4];
    id += kHex[byte & 15];
  }
  return id;
}

int64_t StoredSerial(const std::string& text) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
  return std::stoll(text);
}

class Signing {
 public:
  Signing(const SigningRequest& request, std::vector<std::string>& messages)
      : request_(request), messages_(messages), project_(request.projectFile) {}

  bool Run();

 private:
  bool Fail(std::string message) {
    messages_.push_back(std::move(message));
    return false;
  }
  // The freshness and binding keys; the project keeps its product id and
  // the serial it used.
  bool Freshness(const ProjectKeys& keys);
  bool FileItems();
  bool DirItems();
  bool WriteSignature(const ProjectKeys& keys);

  const SigningRequest& request_;
  std::vector<std::string>& messages_;
  ProjectFile project_;
  common::IniDocument client_;
  common::IniDocument server_;
};

bool Signing::Run() {
  const fs::path sigFile(common::NativePath(request_.serverFile + ".sig"));
  std::error_code ec;
  std::optional<ProjectKeys> keys = LoadProjectKeys(request_.projectFile);
  if (!keys) {
    // A signature left from a signed generation would no longer match.
    fs::remove(sigFile, ec);
    return true;
  }
  client_.SetFileName(request_.clientFile);
  server_.SetFileName(request_.serverFile);
  if (!project_.Read() || !client_.Load() || !server_.Load()) return Fail(Gbk("错误：无法打开文件！"));
  client_.PutValue("system", "pubkey", keys->publicKey);
  if (!keys->oldPublicKey.empty()) client_.PutValue("system", "pubkey2", keys->oldPublicKey);
  // An item that cannot be covered stops the package: a signed package
  // that installs unchecked bytes would be worse than none.
  const bool items = FileItems();
  if (!DirItems() || !items) {
    fs::remove(sigFile, ec);
    return false;
  }
  if (!Freshness(*keys)) return false;
  if (!client_.Save() || !server_.Save()) return Fail(Gbk("错误：无法打开文件！"));
  return WriteSignature(*keys);
}

bool Signing::Freshness(const ProjectKeys& keys) {
  std::string product = common::Trim(project_.GetString("system", "product_id", ""));
  const bool newProduct = product.empty();
  if (newProduct) product = NewProductId();
  // Raised past the last one, and never behind the clock: a project file
  // restored from a backup still gives a serial the clients take.
  const int64_t serial =
      std::max(StoredSerial(common::Trim(project_.GetString("system", "signed_serial", ""))) + 1, request_.now);
  int days = project_.GetInt("system", "valid_days", kDefaultValidDays);
  if (days < 1 || days > 3650) days = kDefaultValidDays;
  project_.BeginWrite();
  if (newProduct) project_.Put("system", "product_id", product);
  project_.Put("system", "signed_serial", std::to_string(serial));
  if (product.empty() || !project_.Commit()) return Fail(Gbk("无法写入工程文件：") + request_.projectFile);

  client_.PutValue("system", "product", product);
  server_.PutValue("system", "serial", std::to_string(serial));
  server_.PutValue("system", "expires", formats::FormatUtcTime(request_.now + int64_t{days} * 86400));
  server_.PutValue("system", "product", product);
  if (!keys.revokedKeys.empty()) server_.PutValue("system", "revoked", JoinList(keys.revokedKeys));
  return true;
}

bool Signing::FileItems() {
  bool ok = true;
  for (int i = 0; i < kFileSlots; ++i) {
    const ItemSlot slot = ReadItemSlot(project_, ItemKind::File, i);
    if (slot.urls.empty()) continue;
    const std::string section = SlotSection(ItemKind::File, i);
    const std::string source = LocalItemSource(slot.urls);
    const std::string native = common::NativePath(source);
    std::error_code ec;
    const auto size = source.empty() ? 0 : fs::file_size(native, ec);
    const std::string digest = source.empty() || ec ? std::string() : common::FileSha256(native);
    if (digest.empty()) {
      ok = Fail("[" + section + Gbk("]没有可读的本地文件（file://地址），无法为签名的升级包计算其SHA256值！"));
      continue;
    }
    server_.PutValue(section, "sha256", digest);
    server_.PutValue(section, "size", std::to_string(size));
  }
  return ok;
}

bool Signing::DirItems() {
  bool ok = true;
  for (int i = 0; i < kDirSlots; ++i) {
    const ItemSlot slot = ReadItemSlot(project_, ItemKind::Dir, i);
    if (slot.urls.empty()) continue;
    const std::string section = SlotSection(ItemKind::Dir, i);
    const std::string folder = LocalFolderSource(slot.urls);
    std::vector<formats::ManifestEntry> entries;
    if (folder.empty() || !ListSourceFolder(folder, slot.filter, slot.isIncSubdir != 0, entries)) {
      ok = Fail("[" + section + Gbk("]没有可读的本地文件夹（file://地址），无法为签名的升级包生成文件清单！"));
      continue;
    }
    server_.PutValue(section, "files", std::to_string(entries.size()));
    for (size_t k = 0; k < entries.size(); ++k) {
      server_.PutValue(section, "file" + std::to_string(k), formats::ManifestLine(entries[k]));
    }
  }
  return ok;
}

bool Signing::WriteSignature(const ProjectKeys& keys) {
  // The signature covers the server configuration's bytes as written.
  bool read = false;
  const std::string bytes = ReadBytes(request_.serverFile, read);
  const std::string signature = read ? common::SignBytes(bytes, keys.signingKey) : std::string();
  std::ofstream out(fs::path(common::NativePath(request_.serverFile + ".sig")), std::ios::binary | std::ios::trunc);
  out << signature << "\r\n";
  out.close();
  if (signature.empty() || !out) return Fail(Gbk("服务器端配置文件签名出错！"));
  return true;
}

}  // namespace

bool SignPackage(const SigningRequest& request, std::vector<std::string>& messages) {
  return Signing(request, messages).Run();
}

bool ListSourceFolder(const std::string& folder, const std::string& filter, bool recurse,
                      std::vector<formats::ManifestEntry>& entries) {
  const fs::path root(common::NativePath(folder));
  std::error_code ec;
  if (!fs::is_directory(root, ec)) return false;
  auto take = [&](const fs::directory_entry& e) {
    std::error_code fileEc;
    if (!e.is_regular_file(fileEc)) return true;
    const std::string name = common::Utf8ToGbk(reinterpret_cast<const char*>(e.path().filename().u8string().c_str()));
    if (!formats::FilterMatch(filter, name)) return true;
    formats::ManifestEntry entry;
    entry.name = common::Utf8ToGbk(
        reinterpret_cast<const char*>(e.path().lexically_relative(root).generic_u8string().c_str()));
    entry.size = static_cast<int64_t>(e.file_size(fileEc));
    entry.sha256 = common::FileSha256(e.path().string());
    if (fileEc || entry.sha256.empty()) return false;
    entries.push_back(std::move(entry));
    return true;
  };
  if (recurse) {
    // Links to folders are not followed, as the client's listing does not.
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
      if (!take(*it)) return false;
    }
  } else {
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
      if (!take(*it)) return false;
    }
  }
  if (ec) return false;
  std::sort(entries.begin(), entries.end(),
            [](const formats::ManifestEntry& a, const formats::ManifestEntry& b) { return a.name < b.name; });
  return true;
}

std::string LocalFolderSource(std::string_view urlsValue) { return FirstLocalSource(urlsValue, true); }

}  // namespace author
