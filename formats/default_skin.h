#pragma once
// The authoring tool's built-in page layout (what a new project starts
// with): 436 x 400 pages on RGB(236,233,216) with a banner picture at the
// top and one at the bottom, the template texts, the two buttons bottom
// right and a link to the publisher's site bottom left.

#include "formats/skin_description.h"

namespace formats {

inline constexpr int kDefaultPageWidth = 436;
inline constexpr int kDefaultPageHeight = 400;
inline constexpr ColorRef kDefaultPageColour = 14215660;  // RGB(236,233,216)

/// The built-in layout with pictures named "res\top.bmp" and "res\bottom.bmp".
SkinDescription DefaultSkin();

}  // namespace formats
