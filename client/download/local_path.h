#pragma once
// Local destination paths as the engine receives them: GBK texts that may
// use "\" or "/" as the separator.

#include <string>
#include <string_view>

namespace transfer {

/// The folder part of a GBK path: text before its last "\" or "/" (a trail
/// byte 0x5C is not a separator); empty when there is none.
std::string FolderOf(std::string_view gbkPath);

}  // namespace transfer
