// The tool's project file (".epj") over any bytes: opened by the project
// model (which refuses a damaged file), then every item slot, the system
// keys and the skin page's keys read from it, as opening a project does. A
// file the model opens must be one it finds no damage in.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "author/project/item_slot.h"
#include "author/project/project_file.h"
#include "author/project/project_model.h"
#include "author/project/skin_project.h"
#include "author/project/tool_folders.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto& folder = fuzzsupport::Folder("project-file");
  const std::string path = fuzzsupport::WriteInput(folder / "p.epj", data, size);
  author::ProjectModel model;
  const std::string refusal = model.Open(path);
  const std::string damage =
      author::ProjectModel::FindDamage(std::string_view(reinterpret_cast<const char*>(data), size));
  if (refusal.empty() && !damage.empty()) std::abort();
  if (refusal.empty()) (void)model.GetString("system", "urls", "");
  author::ProjectFile file(path);
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
