#pragma once
// Dotted-version comparison: which of two versions is newer.
// Versions are texts such as "1.2.10"; "0.0.0" means none.

#include <string_view>

namespace formats {

/// True when server is a newer dotted version than local. Components are
/// read by the atoi rule (non-numeric components count as 0); a missing
/// local component counts as 0; local components beyond the server's count
/// are not looked at; equal versions are not newer.
bool IsNewer(std::string_view server, std::string_view local);

/// True for a dotted decimal version: digit groups of at most 9 digits
/// separated by single dots ("1", "2.0.13"); nothing else, not even a blank.
bool IsDottedDecimal(std::string_view version);

}  // namespace formats
