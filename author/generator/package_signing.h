#pragma once
// Signing a generated package. With a project key, the generator's last
// step over the written configuration files: the public keys and the
// product id into the client configuration; into the server configuration
// a serial number raised on every generation, an expiry time, the product
// id, the keys the publisher has withdrawn, the SHA-256 and length of every
// file item and the file list of every dir item (each hashed from its
// local file:// source; an item without one cannot be signed, and the
// package is not made); then the detached signature "<name>.sig". Without a
// key only a stale signature is removed. No Qt.

#include <cstdint>
#include <string>
#include <vector>

#include "formats/update_config.h"

namespace author {

inline constexpr int kDefaultValidDays = 30;

struct SigningRequest {
  std::string projectFile;  // stored form (GBK, "\")
  std::string clientFile;   // the package's client configuration (GBK path)
  std::string serverFile;   // the package's server configuration (GBK path)
  int64_t now = 0;          // seconds since 1970, UTC
};

/// Signs as above; false with the boxes to show appended to messages (GBK).
/// The project file receives its product id (made on first use) and the
/// serial just used.
[[nodiscard]] bool SignPackage(const SigningRequest& request, std::vector<std::string>& messages);

/// The file list of a dir item's local source folder (GBK native path): the
/// files the filter takes, with every subfolder when recurse is set, names
/// relative to folder with "/" and sorted; false when the folder cannot be
/// read or a file cannot be hashed.
bool ListSourceFolder(const std::string& folder, const std::string& filter, bool recurse,
                      std::vector<formats::ManifestEntry>& entries);

/// The first file:// location of a urls value that names a readable local
/// folder (GBK path), "" when there is none.
std::string LocalFolderSource(std::string_view urlsValue);

}  // namespace author
