#pragma once
// ProjectIdentity: which project is open, as the main window and every page
// see it. Paths are GBK with "\" separators, as the project file and the
// client keep them; a project counts as open exactly when its name is
// non-empty.

#include <string>
#include <string_view>

namespace author {

struct ProjectIdentity {
  std::string name;          // file name less its last four characters
  std::string folder;        // ends in "\"
  std::string path;          // the project file
  std::string outputFolder;  // the create and debug page's output folder

  bool IsOpen() const { return !name.empty(); }
  /// Sets path, folder and name from a project file path.
  void SetPath(std::string_view projectFile);
  /// Forgets the project (and its output folder).
  void Clear();
};

/// The file name of a stored path less its last four characters (the
/// extension with its dot); "" when the name is shorter.
std::string ProjectNameOf(std::string_view projectFile);

/// True when the stored path names a file with a size above zero.
bool FileHasContent(std::string_view storedPath);

/// The output folder as the project file keeps it: relative to the project
/// folder when it lies inside it, so a copied or moved project writes its
/// own package; otherwise as it is. Both stored form, "\" separators.
std::string StoredOutputFolder(std::string_view outputFolder, std::string_view projectFolder);
/// The output folder a stored output_path names ("" or absent: the
/// project folder + "output\"); a relative one lies in the project folder.
std::string ResolveOutputFolder(std::string_view stored, std::string_view projectFolder);

/// True when the path ends in ".prj" or ".epj" (any case).
bool HasProjectExtension(std::string_view storedPath);

}  // namespace author
