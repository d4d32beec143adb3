#pragma once
// Archives for the tests made by Python's zipfile (make_zip.py), so what the
// project's readers see does not come from its own ZIP code.

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

class TempDir;

/// Writes archive with one deflated member per (name, bytes) pair, names
/// stored byte for byte without the UTF-8 mark (GBK names stay GBK). The
/// member bytes pass through files under dir. False when the script failed.
bool MakeZip(const TempDir& dir, const std::string& archive,
             const std::vector<std::pair<std::string, std::string>>& members);

}  // namespace testsupport
