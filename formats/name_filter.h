#pragma once
// The file-name filter of a dir item: comma-separated wildcard patterns
// ("*.dll,*.ocx"), "*" for any run of characters and "?" for any one, the
// case of A to Z ignored. Pure functions over GBK names.

#include <string_view>

namespace formats {

/// True when the name matches the pattern: "*" any run (several in a row
/// count as one), "?" any one byte, A-Z matched without regard to case; an
/// empty pattern matches only an empty name.
bool WildcardMatch(std::string_view pattern, std::string_view name);

/// True when the trimmed filter is empty, or when any of its non-empty
/// comma-separated (trimmed) patterns matches the name.
bool FilterMatch(std::string_view filter, std::string_view name);

}  // namespace formats
