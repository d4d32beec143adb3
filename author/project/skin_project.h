#pragma once
// The skin design as the project file keeps it: [UI] title, sysicon (the
// icon's full path), CurrentWin and use_myui, and [win0]..[win3] in the skin
// description's keys with the pictures' full paths. A picture stored as
// "res\..." names a file of the current template in "defui/".

#include <string>

#include "author/project/tool_folders.h"
#include "formats/skin_design.h"

namespace author {

class ProjectFile;

struct ProjectSkin {
  formats::SkinDesign design;  // the stored windows (defaults where none are stored)
  int currentWindow = 0;
  bool useCustom = false;
};

/// Reads the page's keys (the file was read already).
ProjectSkin ReadProjectSkin(ProjectFile& file, const ToolFolders& folders);
/// The design a package or a preview shows: the stored windows with
/// "使用自定义窗口" on, the built-in ones without it.
formats::SkinDesign EffectiveDesign(const ProjectSkin& skin, const ToolFolders& folders);

/// Puts the [UI] keys, and the windows (only the elements that exist) when
/// withWindows is set.
void PutProjectSkin(ProjectFile& file, const ProjectSkin& skin, bool withWindows);

/// The tool's "pics/" folder.
inline std::string PicsFolder(const ToolFolders& folders) { return folders.ProgramFolder() + "pics/"; }

/// The version the tool writes as ui_ver, "major.minor".
std::string ToolUiVersion();

}  // namespace author
