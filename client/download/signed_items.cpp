#include "client/download/signed_items.h"

#include <filesystem>

#include "client/download/folder_listing.h"
#include "client/download/ftp_listing.h"
#include "client/download/item_fetch.h"
#include "common/gbk.h"
#include "formats/config_keys.h"

namespace transfer {

namespace {

bool IsSha256(const std::string& text) {
  return text.size() == 64 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

}  // namespace

int64_t SignedFileSize(const session::FileItem& item) {
  const std::string size = common::Trim(item.size);
  if (!IsSha256(item.sha256) || size.empty() || size.size() > 18 ||
      size.find_first_not_of("0123456789") != std::string::npos) {
    return -1;
  }
  return std::stoll(size);
}

bool HasSignedFileList(const session::DirItem& item) {
  const std::string files = common::Trim(item.files);
  if (files.empty() || files.find_first_not_of("0123456789") != std::string::npos) return false;
  if (item.manifest.size() != static_cast<size_t>(formats::StoredInt(files))) return false;
  for (const formats::ManifestEntry& entry : item.manifest) {
    // Each part of the name becomes a folder or file below the item's
    // folders: none may be empty, "." or "..", or hold a separator.
    size_t start = 0;
    for (;;) {
      const size_t slash = entry.name.find('/', start);
      const std::string part = entry.name.substr(start, slash == std::string::npos ? slash : slash - start);
      if (part.empty() || IsUnsafeListedName(part)) return false;
      if (slash == std::string::npos) break;
      start = slash + 1;
    }
  }
  return true;
}

session::DownloadRecord SignedRecord(const std::string& root, const formats::ManifestEntry& entry, bool local) {
  const size_t slash = entry.name.rfind('/');
  const std::string folder = slash == std::string::npos ? root : root + "/" + entry.name.substr(0, slash);
  const std::string name = slash == std::string::npos ? entry.name : entry.name.substr(slash + 1);
  return ListedRecord(root, folder, name, entry.size, local);
}

std::string SignedSource(const std::string& base, const std::string& relativeName) {
  std::string out = base;
  while (!out.empty() && out.back() == '/') out.pop_back();
  return out + "/" + relativeName;
}

bool CheckSignedFile(const std::string& path, int64_t size, const std::string& sha256, std::string& problem) {
  std::error_code ec;
  const auto actual = std::filesystem::file_size(common::NativePath(path), ec);
  if (ec || static_cast<int64_t>(actual) != size) {
    problem = common::Gbk("文件长度不符：") + path;
  } else if (!sha256.empty() && !ItemFetch::CheckDigests(path, "", sha256).ok) {
    problem = common::Gbk("文件的SHA256值不符：") + path;
  } else {
    return true;
  }
  DeleteDownloadedFile(path);
  return false;
}

}  // namespace transfer
