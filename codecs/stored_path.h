#pragma once
// How a member name of an archive becomes a path on disk: split at "\" and
// "/" into folder components, "." dropped and ".." allowed only while it
// climbs back out of a folder the name itself went into. Absolute and drive
// names are refused, so no member is ever written outside its folder.

#include <string>
#include <string_view>
#include <vector>

namespace codecs {

struct StoredPath {
  std::vector<std::string> parts;  // disk components, UTF-8
  bool isFolder = false;           // name ends with a separator
  std::string refusal;             // non-empty: the name may not be extracted
};

/// name is UTF-8 (convert a GBK name first: a GBK trail byte can be "\");
/// a refusal text says why a name may not be extracted.
StoredPath SplitStoredPath(std::string_view name);

}  // namespace codecs
