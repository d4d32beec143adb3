#pragma once
// ItemSlot: the keys of one file item ([file0]..[file19]) or dir item
// ([dir0]..[dir9]) of a project, with their defaults, and how they are read
// from and written to the project file. On writing, a key holding its
// default value is written empty and so disappears from the file, except
// the keys every item always writes (urls, url, username, pw, path,
// describe, protocol).

#include <string>

namespace author {

class ProjectFile;

enum class ItemKind { File, Dir };

inline constexpr int kFileSlots = 20;
inline constexpr int kDirSlots = 10;

struct ItemSlot {
  std::string urls;
  std::string url;
  std::string username = "anonymous";
  std::string pw = "anonymous";
  std::string path;
  std::string describe;
  int protocol = 0;
  std::string localVer = "0.0.0";
  std::string fileVer = "0.0.0";
  int modifyVer = 1;
  int opMode = 0;
  int showType = 0;
  int randomsel = 0;
  int tryallurl = 0;
  // File items only.
  int uncompress = 0;
  std::string rename;
  std::string md5;
  int runme = 0;
  // Dir items only.
  std::string filter;
  int isIncSubdir = 0;
};

/// "file%d" or "dir%d".
std::string SlotSection(ItemKind kind, int index);
int SlotCount(ItemKind kind);

ItemSlot ReadItemSlot(ProjectFile& file, ItemKind kind, int index);
void WriteItemSlot(ProjectFile& file, ItemKind kind, int index, const ItemSlot& slot);

}  // namespace author
