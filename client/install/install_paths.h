#pragma once
// Where an item's files are installed: the install folder of a download
// record (the item's path, relative to the application folder unless it is
// absolute, plus the record's sub-folder). Pure functions over GBK texts; folders use "/" and end in "/".

#include <string>
#include <string_view>

namespace transfer {

/// The item's path trimmed; absolute when it begins with "/" or "\" (the two
/// are one separator) or holds ":", else relative to appFolder; empty means
/// appFolder itself. subFolder (may be empty) is appended. Every "\" becomes
/// "/"; the result ends in "/".
std::string InstallFolderOf(std::string_view itemPath, std::string_view appFolder,
                            std::string_view subFolder);

}  // namespace transfer
