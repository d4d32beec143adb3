#pragma once
// What a signed server configuration vouches for in the items it names: a
// file item's SHA-256 and length, a dir item's file list (relative name,
// length, SHA-256 of every file). Under a signed configuration the download
// takes nothing else: an item without them is refused, a dir item fetches
// exactly its listed files (whatever the server's folder adds), and every
// file must come out at its length and digest.

#include <cstdint>
#include <string>
#include <vector>

#include "client/session/run_state.h"

namespace transfer {

/// A signed file item's length; -1 when its sha256 is not 64 hexadecimal
/// digits or its size no whole number: the item cannot be checked.
int64_t SignedFileSize(const session::FileItem& item);

/// True when the dir item carries a complete, well-formed file list (every
/// entry files= announced parsed, and no name that could leave the item's
/// folder).
bool HasSignedFileList(const session::DirItem& item);

/// The download record of a listed file below root (the mirror's object
/// path): its sub-folder and name split off the relative name, the
/// temporary name as a folder listing would give it.
session::DownloadRecord SignedRecord(const std::string& root, const formats::ManifestEntry& entry, bool local);

/// Where a listed file is fetched from: the mirror's location (URL for
/// HTTP(S), object path otherwise) + "/" + the relative name.
std::string SignedSource(const std::string& base, const std::string& relativeName);

/// The check after a file arrived (a GBK path): its length, and its digest
/// unless sha256 is "" (a file item's digests are checked by the usual
/// integrity step); ok, or the log line of what differs. The file is
/// deleted when it differs.
[[nodiscard]] bool CheckSignedFile(const std::string& path, int64_t size, const std::string& sha256,
                                   std::string& problem);

}  // namespace transfer
