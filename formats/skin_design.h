#pragma once
// SkinDesign: the look of the client's four windows as the authoring tool
// edits it, before it becomes a skin description. Unlike SkinDescription it
// knows which elements the author placed on a window (only those are
// written), every element's own shown flag, the pictures' source files and
// transparent colours, and the template the design started from.
// Rectangles are relative to the window's top-left corner.

#include <array>
#include <functional>
#include <string>

#include "formats/skin_description.h"

namespace formats {

/// The elements of one window, in the order a click on the canvas tests
/// them: texts, status bar and speed text, buttons, list, status box,
/// progress bars, pictures. The window background comes after all of them.
enum DesignElementId : int {
  kText0, kText1, kText2, kText3,
  kStatusBar, kSpeedText,
  kButton0, kButton1,
  kList, kStatusBox,
  kProgressBar, kTotalProgressBar,
  kPicture0, kPicture1,
  kDesignElementCount
};

enum class ElementKind { Text, Picture, Button, Plain };

ElementKind KindOf(int element);
/// The element's key in a window section: "static0", "status0", "button0",
/// "list", "rich_edit", "progress0", "image0", ...
const char* SkinKeyOf(int element);
/// The check box caption ("文本1", "状态栏", ...), UTF-8; "" for the buttons.
const char* CheckCaptionOf(int element);

struct DesignElement {
  bool exists = false;
  int show = 0;
  SkinRect rect;
  // Texts; a button's caption is its text.
  std::string text;
  std::string url;
  ColorRef clrText = 0;
  ColorRef clrNormal = 0;
  ColorRef clrHover = 0;
  int norUnderline = 0;
  int hovUnderline = 0;
  int fontSize = 0;
  int fontWeight = 0;
  int fontItalic = 0;
  int fontUnderline = 0;
  // Pictures: the source file (GBK path) and the transparent colour.
  std::string picture;
  ColorRef clrtp = 0;

  bool operator==(const DesignElement&) const = default;
};

struct DesignWindow {
  int show = 1;        // the background's shown flag: 0 hides the window
  SkinRect rect;       // left and top stay 0; width and height size the window
  ColorRef clrbk = 0;
  std::array<DesignElement, kDesignElementCount> elements;

  bool operator==(const DesignWindow&) const = default;
};

inline constexpr int kDesignWindowCount = 4;

struct SkinDesign {
  std::string title;
  std::string sysIcon;   // tray icon source file (GBK path); "" for none
  std::string mbname;    // template the design started from
  std::string mbauthor;
  std::array<DesignWindow, kDesignWindowCount> windows;

  bool operator==(const SkinDesign&) const = default;
};

class SkinValueReader;

/// Maps a stored bmpfile to the picture's source file: the project keeps
/// full paths, a template "res\" names inside the current template.
using PictureLocator = std::function<std::string(const std::string& bmpfile)>;

/// Reads window n ("win%d") as the project file and templates store it: an
/// element exists when its key has a value. A stored width of 0 reads as
/// 100; a stored height of 0 places the element at top 100, 20 high. A
/// missing "attr" keeps the background of start.
DesignWindow ReadDesignWindow(SkinValueReader& reader, int n, const DesignWindow& start,
                              const PictureLocator& locate);

}  // namespace formats
