#include "author/package_skin.h"

#include <filesystem>

#include "author/project_file.h"
#include "codecs/zip_archive.h"
#include "common/gbk.h"
#include "common/ini_document.h"

namespace author {

namespace {

constexpr int kWindows = 4;

}  // namespace

// Until the designer's skin writer is in the tree this writes the built-in
// look only: the title and the tool's version. A project with its own
// window design is refused rather than packaged without it.
bool WritePackageSkin(ProjectFile& project, const std::string& /*toolFolder*/, const std::string& folder,
                      std::string* error) {
  for (int n = 0; n < kWindows; ++n) {
    if (!project.GetString("win" + std::to_string(n), "attr", "").empty()) {
      if (error) *error = "custom window designs need the skin writer";
      return false;
    }
  }
  common::IniDocument ui;
  ui.SetFileName(folder + "ui.dat");
  if (!ui.Load()) {
    if (error) *error = common::Gbk("错误：无法打开文件！");
    return false;
  }
  ui.PutValue("UI", "title", project.GetString("UI", "title", common::Gbk("软件升级程序")));
  ui.PutValue("UI", "ui_ver",
              std::to_string(QUILLMATE_VERSION_MAJOR) + "." + std::to_string(QUILLMATE_VERSION_MINOR));
  if (!ui.Save()) {
    if (error) *error = common::Gbk("错误：无法打开文件！");
    return false;
  }
  return true;
}

bool PackPackageSkin(const std::string& folder, std::string* error) {
  codecs::ZipArchive zip;
  if (!zip.Open(common::NativePath(folder + "ui.bin"), codecs::ZipArchive::Mode::Create) ||
      !zip.AddFromFile("ui.dat", common::NativePath(folder + "ui.dat")) || !zip.Commit()) {
    if (error) *error = zip.ErrorText();
    return false;
  }
  return true;
}

void RemovePackageSkinWork(const std::string& folder) {
  std::error_code ec;
  std::filesystem::remove(common::NativePath(folder + "ui.dat"), ec);
  std::filesystem::remove_all(common::NativePath(folder + "res"), ec);
}

}  // namespace author
