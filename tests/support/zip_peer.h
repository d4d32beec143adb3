#pragma once
// Python's zipfile as the independent peer of the archive tests: archives
// made by it (make_zip.py, zip_tool.py write) and read back by it (zip_tool.py
// dump), so what the project's ZIP code sees or writes is checked by other code.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testsupport {

class TempDir;

std::string Hex(std::string_view bytes);
std::string Unhex(std::string_view hex);

/// The zip_tool.py command, quoted, for a sub-command to follow.
std::string ZipToolCommand();

/// Writes archive with one deflated member per (name, bytes) pair, names
/// stored byte for byte without the UTF-8 mark (GBK names stay GBK). The
/// member bytes pass through files under dir. False when the script failed.
bool MakeZip(const TempDir& dir, const std::string& archive,
             const std::vector<std::pair<std::string, std::string>>& members);

struct PyMember {
  int compressType = -1;
  bool level6 = false;  // the stored size is that of zlib's level 6, not level 9
  std::string data;
};

/// Reads an archive with Python's zipfile: raw name -> member; nullopt when
/// Python cannot read it.
std::optional<std::map<std::string, PyMember>> PyDump(const std::string& archive,
                                                      const std::string& password = "");

}  // namespace testsupport
