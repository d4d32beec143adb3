#pragma once
// The five pages of the main window, by tab index (the value kept as
// cursel), and the order in which they load and save.

#include <array>

class QWidget;

namespace author {

class ProjectPage;
struct ProjectContext;

enum PageIndex { kSystemPage = 0, kFilePage = 1, kDirPage = 2, kSkinPage = 3, kCreatePage = 4, kPageCount = 5 };

/// Load and save order: create and debug, system items, file items, skin
/// designer, dir items.
inline constexpr std::array<int, kPageCount> kPageOrder = {kCreatePage, kSystemPage, kFilePage, kSkinPage,
                                                           kDirPage};

using PageArray = std::array<ProjectPage*, kPageCount>;

/// Makes the five pages, each a child of parent.
PageArray CreatePages(ProjectContext& context, QWidget* parent);

}  // namespace author
