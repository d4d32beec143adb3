#pragma once
// What a generated package asks of its author: which files go up to the
// server (the server configuration and, when signed, its ".sig"), which
// ship beside the application, and which files of an earlier package in
// the same folder the generation replaced. Texts GBK. No Qt.

#include <string>
#include <vector>

namespace author {

struct PackageFiles {
  std::vector<std::string> upload;  // file names in the output folder
  std::vector<std::string> ship;
};

PackageFiles PackageFilesOf(const std::string& serverConfigName, bool packed, bool signedPackage);
/// The "patches/" folder joins what goes up once a generation wrote patches.
void AddPatchFolder(PackageFiles& files, int patchesWritten);
/// The package's files that exist in the folder (GBK native path, "/" at the end).
std::vector<std::string> ExistingPackageFiles(const std::string& folder, const PackageFiles& files);
/// The lines the status and the headless run show after a generation.
std::string PackageSummary(const PackageFiles& files, const std::vector<std::string>& replaced);

}  // namespace author
