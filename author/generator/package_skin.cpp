#include "author/generator/package_skin.h"

#include "author/project/project_file.h"
#include "author/project/skin_project.h"
#include "formats/skin_writer.h"

namespace author {

namespace {

constexpr char kDescription[] = "ui.dat";

}  // namespace

bool WritePackageSkin(ProjectFile& project, const ToolFolders& folders, const std::string& folder,
                      std::string* error) {
  const formats::SkinDesign design = EffectiveDesign(ReadProjectSkin(project, folders), folders);
  formats::SkinWriteResult written = formats::WriteSkin(design, folder, kDescription, ToolUiVersion());
  if (!written && error) *error = written.errorText;
  return written.ok;
}

bool PackPackageSkin(const std::string& folder, std::string* error) {
  return formats::PackSkinArchive(folder, kDescription, folder + "ui.bin", error);
}

void RemovePackageSkinWork(const std::string& folder) { formats::RemoveSkinWorkFiles(folder, kDescription); }

}  // namespace author
