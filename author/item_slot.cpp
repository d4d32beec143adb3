#include "author/item_slot.h"

#include "author/project_file.h"

namespace author {

std::string SlotSection(ItemKind kind, int index) {
  return (kind == ItemKind::File ? "file" : "dir") + std::to_string(index);
}

int SlotCount(ItemKind kind) { return kind == ItemKind::File ? kFileSlots : kDirSlots; }

ItemSlot ReadItemSlot(ProjectFile& file, ItemKind kind, int index) {
  const std::string s = SlotSection(kind, index);
  const ItemSlot d;
  ItemSlot slot;
  slot.urls = file.GetString(s, "urls", d.urls);
  slot.url = file.GetString(s, "url", d.url);
  slot.username = file.GetString(s, "username", d.username);
  slot.pw = file.GetString(s, "pw", d.pw);
  slot.path = file.GetString(s, "path", d.path);
  slot.describe = file.GetString(s, "describe", d.describe);
  slot.protocol = file.GetInt(s, "protocol", d.protocol);
  slot.localVer = file.GetString(s, "local_ver", d.localVer);
  slot.fileVer = file.GetString(s, "file_ver", d.fileVer);
  slot.modifyVer = file.GetInt(s, "modify_ver", d.modifyVer);
  slot.opMode = file.GetInt(s, "op_mode", d.opMode);
  slot.showType = file.GetInt(s, "show_type", d.showType);
  slot.randomsel = file.GetInt(s, "randomsel", d.randomsel);
  slot.tryallurl = file.GetInt(s, "tryallurl", d.tryallurl);
  if (kind == ItemKind::File) {
    slot.uncompress = file.GetInt(s, "uncompress", d.uncompress);
    slot.rename = file.GetString(s, "rename", d.rename);
    slot.md5 = file.GetString(s, "md5", d.md5);
    slot.runme = file.GetInt(s, "runme", d.runme);
  } else {
    slot.filter = file.GetString(s, "filter", d.filter);
    slot.isIncSubdir = file.GetInt(s, "is_inc_subdir", d.isIncSubdir);
  }
  return slot;
}

void WriteItemSlot(ProjectFile& file, ItemKind kind, int index, const ItemSlot& slot) {
  const std::string s = SlotSection(kind, index);
  const ItemSlot d;
  file.Put(s, "urls", slot.urls);
  file.Put(s, "url", slot.url);
  file.Put(s, "username", slot.username);
  file.Put(s, "pw", slot.pw);
  file.Put(s, "path", slot.path);
  file.Put(s, "describe", slot.describe);
  file.PutInt(s, "protocol", slot.protocol);
  file.PutUnlessDefault(s, "local_ver", slot.localVer, d.localVer);
  file.PutUnlessDefault(s, "file_ver", slot.fileVer, d.fileVer);
  if (kind == ItemKind::File) {
    file.PutIntUnlessDefault(s, "uncompress", slot.uncompress, d.uncompress);
    file.PutUnlessDefault(s, "rename", slot.rename, d.rename);
    file.PutUnlessDefault(s, "md5", slot.md5, d.md5);
    file.PutIntUnlessDefault(s, "modify_ver", slot.modifyVer, d.modifyVer);
    file.PutIntUnlessDefault(s, "runme", slot.runme, d.runme);
  } else {
    file.PutUnlessDefault(s, "filter", slot.filter, d.filter);
    file.PutIntUnlessDefault(s, "modify_ver", slot.modifyVer, d.modifyVer);
    file.PutIntUnlessDefault(s, "is_inc_subdir", slot.isIncSubdir, d.isIncSubdir);
  }
  file.PutIntUnlessDefault(s, "op_mode", slot.opMode, d.opMode);
  file.PutIntUnlessDefault(s, "show_type", slot.showType, d.showType);
  file.PutIntUnlessDefault(s, "randomsel", slot.randomsel, d.randomsel);
  file.PutIntUnlessDefault(s, "tryallurl", slot.tryallurl, d.tryallurl);
}

}  // namespace author
