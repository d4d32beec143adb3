#pragma once
// ItemSlot: the keys of one file item ([file0]..[file19]) or dir item
// ([dir0]..[dir9]) of a project, and how they are read from and written to
// the project file. The keys that go into the package are those the
// generator writes, under the same names and with the same defaults; the
// versions are kept as local_ver and file_ver. On writing, such a key
// holding its default value is written empty and so disappears from the
// file; the location keys (urls, url, username, pw, protocol) are always
// written.

#include <string>

#include "formats/update_config.h"

namespace author {

class ProjectFile;

enum class ItemKind { File, Dir };

inline constexpr int kFileSlots = 20;
inline constexpr int kDirSlots = 10;

// The configuration keys of both kinds (a page shows those of its kind),
// with the project's own location keys beside them.
struct ItemSlot : formats::ItemKeys, formats::FileKeys, formats::DirKeys {
  std::string url;
  std::string username = "anonymous";
  std::string pw = "anonymous";
  int protocol = 0;
};

/// "file%d" or "dir%d".
std::string SlotSection(ItemKind kind, int index);
int SlotCount(ItemKind kind);

ItemSlot ReadItemSlot(ProjectFile& file, ItemKind kind, int index);
void WriteItemSlot(ProjectFile& file, ItemKind kind, int index, const ItemSlot& slot);

}  // namespace author
