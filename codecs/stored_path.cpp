#include "codecs/stored_path.h"

#include <cctype>

namespace codecs {

// UTF-8 has no "\" inside a multi-byte sequence, so every one left is a
// separator.
StoredPath SplitStoredPath(std::string_view name) {
  StoredPath out;
  if (name.empty()) {
    out.refusal = "empty name";
    return out;
  }
  if (name[0] == '/' || name[0] == '\\') {
    out.refusal = "absolute path";
    return out;
  }
  if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]))) {
    out.refusal = "drive path";
    return out;
  }
  size_t begin = 0;
  for (;;) {
    const size_t end = name.find_first_of("/\\", begin);
    const std::string_view part = name.substr(begin, end == std::string_view::npos ? end : end - begin);
    if (part == "..") {
      // Stays inside as long as it only climbs back out of a folder the
      // name itself went into.
      if (out.parts.empty()) {
        out.refusal = "path leaves the target folder";
        return out;
      }
      out.parts.pop_back();
    } else if (!part.empty() && part != ".") {
      out.parts.emplace_back(part);
    }
    if (end == std::string_view::npos) {
      out.isFolder = part.empty();
      return out;
    }
    begin = end + 1;
  }
}

}  // namespace codecs
