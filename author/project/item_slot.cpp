#include "author/project/item_slot.h"

#include "author/project/project_file.h"
#include "common/gbk.h"
#include "formats/config_keys.h"

namespace author {

std::string SlotSection(ItemKind kind, int index) {
  return (kind == ItemKind::File ? "file" : "dir") + std::to_string(index);
}

int SlotCount(ItemKind kind) { return kind == ItemKind::File ? kFileSlots : kDirSlots; }

namespace {

formats::KeySection SectionOf(ItemKind kind) {
  return kind == ItemKind::File ? formats::KeySection::File : formats::KeySection::Dir;
}

// The package keys a project keeps under their own names: all the
// generator writes but the versions and urls, which the project keeps apart.
bool KeptUnderOwnName(const formats::ConfigKey& key) { return key.type != formats::KeyType::Head; }

}  // namespace

ItemSlot ReadItemSlot(ProjectFile& file, ItemKind kind, int index) {
  const std::string s = SlotSection(kind, index);
  const ItemSlot d;
  ItemSlot slot;
  slot.urls = file.GetString(s, "urls", d.urls);
  slot.url = file.GetString(s, "url", d.url);
  slot.username = file.GetString(s, "username", d.username);
  slot.pw = file.GetString(s, "pw", d.pw);
  slot.protocol = file.GetInt(s, "protocol", d.protocol);
  slot.localVersion = file.GetString(s, "local_ver", d.localVersion);
  slot.serverVersion = file.GetString(s, "file_ver", d.serverVersion);
  for (const formats::ConfigKey* key : formats::WrittenKeys(SectionOf(kind))) {
    if (!KeptUnderOwnName(*key)) continue;
    formats::SetStoredValue(*key, slot, file.GetString(s, key->name, common::Gbk(key->def)));
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
  file.PutInt(s, "protocol", slot.protocol);
  file.PutUnlessDefault(s, "local_ver", slot.localVersion, d.localVersion);
  file.PutUnlessDefault(s, "file_ver", slot.serverVersion, d.serverVersion);
  for (const formats::ConfigKey* key : formats::WrittenKeys(SectionOf(kind))) {
    if (!KeptUnderOwnName(*key)) continue;
    file.PutUnlessDefault(s, key->name, formats::StoredValue(*key, slot), common::Gbk(key->def));
  }
}

}  // namespace author
