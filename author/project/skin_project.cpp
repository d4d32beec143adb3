#include "author/project/skin_project.h"

#include <algorithm>

#include "author/project/project_file.h"
#include "author/project/skin_defaults.h"
#include "common/gbk.h"
#include "formats/skin_reader.h"
#include "formats/skin_writer.h"

namespace author {

namespace {

constexpr char kUi[] = "UI";

// The project file as the skin reader's source of values.
class ProjectValueReader : public formats::SkinValueReader {
 public:
  explicit ProjectValueReader(ProjectFile& file) : file_(file) {}
  std::string ReadValue(std::string_view section, std::string_view key, std::string_view def) override {
    return common::Trim(file_.GetString(section, key, def));
  }

 private:
  ProjectFile& file_;
};

}  // namespace

std::string ToolUiVersion() {
  return std::to_string(QUILLMATE_VERSION_MAJOR) + "." + std::to_string(QUILLMATE_VERSION_MINOR);
}

ProjectSkin ReadProjectSkin(ProjectFile& file, const ToolFolders& folders) {
  ProjectSkin skin;
  skin.design = DefaultDesign(PicsFolder(folders));
  skin.design.title = file.GetString(kUi, "title", common::Gbk(kDefaultTitle));
  skin.design.sysIcon = NativeGbkPath(file.GetString(kUi, "sysicon", ""));
  skin.currentWindow = std::clamp(file.GetInt(kUi, "CurrentWin", 0), 0, formats::kDesignWindowCount - 1);
  skin.useCustom = file.GetInt(kUi, "use_myui", 0) != 0;
  ProjectValueReader reader(file);
  const std::string defui = folders.DataFolder() + "defui/";
  auto locate = [&](const std::string& bmpfile) {
    return common::StartsWithNoCase(bmpfile, "res\\") ? defui + NativeGbkPath(bmpfile) : NativeGbkPath(bmpfile);
  };
  for (int n = 0; n < formats::kDesignWindowCount; ++n) {
    // A window never stored keeps the built-in layout.
    if (reader.ReadValue("win" + std::to_string(n), "attr", "").empty()) continue;
    skin.design.windows[n] = formats::ReadDesignWindow(reader, n, skin.design.windows[n], locate);
  }
  return skin;
}

formats::SkinDesign EffectiveDesign(const ProjectSkin& skin, const ToolFolders& folders) {
  if (skin.useCustom) return skin.design;
  formats::SkinDesign design = DefaultDesign(PicsFolder(folders));
  design.title = skin.design.title;
  design.sysIcon = skin.design.sysIcon;
  design.mbname = skin.design.mbname;
  design.mbauthor = skin.design.mbauthor;
  return design;
}

void PutProjectSkin(ProjectFile& file, const ProjectSkin& skin, bool withWindows) {
  file.Put(kUi, "title", skin.design.title);
  file.Put(kUi, "sysicon", StoredPath(skin.design.sysIcon));
  file.PutInt(kUi, "CurrentWin", skin.currentWindow);
  file.PutInt(kUi, "use_myui", skin.useCustom ? 1 : 0);
  if (!withWindows) return;
  for (int n = 0; n < formats::kDesignWindowCount; ++n) {
    const std::string section = "win" + std::to_string(n);
    const formats::DesignWindow& window = skin.design.windows[n];
    file.Put(section, "attr", formats::FormatAttrValue(window));
    for (int e = 0; e < formats::kDesignElementCount; ++e) {
      const formats::DesignElement& element = window.elements[e];
      file.Put(section, formats::SkinKeyOf(e),
               element.exists ? formats::FormatElementValue(e, element, StoredPath(element.picture)) : "");
    }
  }
}

}  // namespace author
