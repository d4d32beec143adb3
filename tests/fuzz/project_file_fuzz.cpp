// The tool's project file (".epj") over any bytes: read, then every item
// slot, the system keys and the skin page's keys taken from it, as opening
// a project does.
#include <cstddef>
#include <cstdint>

#include "author/item_slot.h"
#include "author/project_file.h"
#include "author/skin_project.h"
#include "author/tool_folders.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto& folder = fuzzsupport::Folder("project-file");
  author::ProjectFile file(fuzzsupport::WriteInput(folder / "p.epj", data, size));
  if (!file.Read()) return 0;
  for (author::ItemKind kind : {author::ItemKind::File, author::ItemKind::Dir}) {
    for (int i = 0; i < author::SlotCount(kind); ++i) (void)author::ReadItemSlot(file, kind, i);
  }
  (void)file.GetString("system", "urls", "");
  (void)file.GetInt("system", "randomsel", 0);
  static const author::ToolFolders folders = author::ToolFolders::InOneFolder(folder.string() + "/");
  (void)author::ReadProjectSkin(file, folders);
  return 0;
}
