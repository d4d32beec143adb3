#include "author/project/package_summary.h"

#include <filesystem>
#include <system_error>

#include "common/gbk.h"

namespace author {

namespace {

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& n : names) text += (text.empty() ? "" : common::Gbk("、")) + n;
  return text;
}

}  // namespace

PackageFiles PackageFilesOf(const std::string& serverConfigName, bool packed, bool signedPackage) {
  PackageFiles files;
  files.upload.push_back(serverConfigName);
  if (signedPackage) files.upload.push_back(serverConfigName + ".sig");
  files.ship = {"update", packed ? "update.bin" : "update.dat", "ui.bin"};
  return files;
}

void AddPatchFolder(PackageFiles& files, int patchesWritten) {
  if (patchesWritten > 0) files.upload.push_back("patches/");
}

std::vector<std::string> ExistingPackageFiles(const std::string& folder, const PackageFiles& files) {
  std::vector<std::string> found;
  for (const auto* list : {&files.upload, &files.ship}) {
    for (const std::string& name : *list) {
      std::error_code ec;
      if (std::filesystem::exists(common::NativePath(folder + name), ec)) found.push_back(name);
    }
  }
  return found;
}

std::string PackageSummary(const PackageFiles& files, const std::vector<std::string>& replaced) {
  std::string text = common::Gbk("上传到服务器（服务器端配置文件url所指的位置）：") + Joined(files.upload) + "\r\n" +
                     common::Gbk("随应用程序一起发布（放在程序文件夹中）：") + Joined(files.ship) + "\r\n";
  if (!replaced.empty()) text += common::Gbk("已替换此文件夹中原有的：") + Joined(replaced) + "\r\n";
  return text;
}

}  // namespace author
