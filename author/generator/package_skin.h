#pragma once
// The skin part of a package: the project's design written as "ui.dat"
// with its pictures under "res/", packed into "ui.bin", and the work files
// removed again. Folders are GBK native paths ending in "/".

#include <string>

#include "author/project/tool_folders.h"

namespace author {

class ProjectFile;

/// Writes folder + "ui.dat" (the caller created it empty) and the pictures
/// into folder + "res/": the project's own windows with "使用自定义窗口" on,
/// the built-in ones without. False with the skin writer's text in error.
bool WritePackageSkin(ProjectFile& project, const ToolFolders& folders, const std::string& folder,
                      std::string* error);

/// Builds folder + "ui.bin" from "ui.dat", the tray icon and every picture
/// the description names, each once. False with a reason in error.
bool PackPackageSkin(const std::string& folder, std::string* error);

/// Removes folder + "ui.dat" and folder + "res/" with everything in it.
void RemovePackageSkinWork(const std::string& folder);

}  // namespace author
