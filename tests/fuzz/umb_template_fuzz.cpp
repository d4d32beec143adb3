// Skin templates (".umb") over any archive bytes: made current (its
// members extracted into the tool's current-template folder), then its
// name, author and four windows read, as the skin designer does.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "author/dialogs.h"
#include "author/skin/skin_templates.h"
#include "author/project/tool_folders.h"
#include "tests/fuzz/fuzz_file.h"

namespace {

// Every box answered as dismissed.
class NoDialogs : public author::Dialogs {
 public:
  void Message(const std::string&) override {}
  bool Ask(const std::string&, bool) override { return false; }
  SaveChoice AskSave(const std::string&) override { return SaveChoice::Cancel; }
  void About(const std::string&) override {}
  std::string OpenFile(const std::string&, const std::string&, const std::string&) override { return {}; }
  std::string SaveFile(const std::string&, const std::string&, const std::string&, const std::string&) override {
    return {};
  }
  std::string PickFolder(const std::string&, const std::string&) override { return {}; }
  int PopupMenu(const std::vector<std::string>&) override { return -1; }
  std::optional<uint32_t> PickColor(uint32_t) override { return std::nullopt; }
  bool Run(QDialog&) override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto& folder = fuzzsupport::Folder("umb-template");
  static const author::ToolFolders folders = author::ToolFolders::InOneFolder(folder.string() + "/");
  static NoDialogs dialogs;
  author::SkinTemplates templates(folders, dialogs);
  if (!templates.SetCurrent(fuzzsupport::WriteInput(folder / "t.umb", data, size))) return 0;
  (void)templates.CurrentName();
  (void)templates.CurrentAuthor();
  for (int n = 0; n < 4; ++n) {
    formats::DesignWindow window;
    (void)templates.ReadCurrentWindow(n, window);
  }
  return 0;
}
