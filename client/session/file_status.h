#pragma once
// The client's notion of an existing file: one that can be looked at and
// holds at least one byte. An empty leftover of a failed download or copy
// counts as missing.

#include <string>
#include <string_view>

namespace session {

/// True when path (GBK) is not empty, its status can be read and it is a
/// file larger than 0 bytes; false for anything else, folders included.
bool FileExistsNonEmpty(std::string_view path);

/// True when the real path of nativePath (links resolved as far as the path
/// exists) is realRoot or lies below it; realRoot must be a real path, and
/// an empty one holds nothing. What a link leads to is judged, not its name.
bool RealPathInside(const std::string& nativePath, const std::string& realRoot);

}  // namespace session
