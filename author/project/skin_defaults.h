#pragma once
// The designer's built-in design: the shared built-in page layout with the
// tool's own banner pictures "pics/top.bmp" and "pics/bottom.bmp", and which
// elements each window has (the list on the first two windows, the bars and
// status lines of the download and update windows).

#include <string>

#include "formats/skin_design.h"

namespace author {

/// The built-in window n; picsFolder is the tool's "pics/" folder (GBK, "/").
formats::DesignWindow DefaultWindow(int n, const std::string& picsFolder);
/// All four windows, the default title and no tray icon or template.
formats::SkinDesign DefaultDesign(const std::string& picsFolder);

/// The window title of a project that names none.
inline constexpr char kDefaultTitle[] = "软件升级程序";

}  // namespace author
