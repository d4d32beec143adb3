#pragma once
// The records of an FTP folder listing, read from the bytes of the server's
// LIST answer (Unix "ls -l" or MS-DOS lines) or MLSD answer (facts). Pure:
// it takes the text and returns plain records, so it is tested without a
// server; the engine fetches the text and the download stage walks folders
// with the records.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace transfer {

/// One entry of an FTP folder listing.
struct FtpEntry {
  std::string name;  // as the server sent it (GBK)
  int64_t size = 0;
  bool isFolder = false;
  /// A symbolic link (Unix lines, MLSD "OS.unix=slink"); it is listed as a
  /// file, as nothing in the line says what it points at.
  bool isLink = false;
  /// The name holds "/" or "\", a control byte, or nothing but dots and
  /// blanks: made part of a local path it would leave the folder it is
  /// written to. Such an entry is still reported so that the caller can
  /// refuse it and say so; it must never become a file or folder name.
  bool unsafeName = false;
};

/// The entries of a LIST or MLSD answer, in the order the server sent them.
/// "." and ".." (and MLSD's cdir and pdir) are left out, and so is every line
/// that is none of the known forms ("total 12", greetings, garbage). Lines
/// may end in LF or CR LF. Never fails: an unreadable answer gives no entry.
std::vector<FtpEntry> ParseFtpListing(std::string_view listing);

/// True for a name that must not become part of a local path (see
/// FtpEntry::unsafeName). GBK-aware: a trail byte 0x5C is no "\".
bool IsUnsafeListedName(std::string_view name);

}  // namespace transfer
