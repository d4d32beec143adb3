#pragma once
// SkinDescription: the look of the client's four wizard pages, the frame
// caption and the icon strip, as read once from "ui.dat" at start-up and
// only read afterwards. Texts stay GBK bytes; colours stay COLORREF values
// (red in the low byte) exactly as the skin file stores them.

#include <array>
#include <cstdint>
#include <string>

namespace formats {

/// The largest width, height and distance from the page's corner a skin
/// rectangle keeps: more than any screen shows, and small enough that no
/// sum or difference of coordinates overflows and no picture of that size
/// is an unreasonable allocation.
inline constexpr int kMaxSkinExtent = 4096;

/// A skin rectangle as held in memory: right = left + width, bottom = top + height.
struct SkinRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  /// No area: the "empty rectangle" every skin rule tests for.
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool operator==(const SkinRect&) const = default;
};

/// A colour as the skin file writes it: 0x00BBGGRR.
using ColorRef = uint32_t;
inline constexpr ColorRef kColorWhite = 16777215;
inline constexpr ColorRef kColorBlack = 0;

struct ImageSkin {
  SkinRect rect;
  std::string bmpfile;  // archive member, "res\" + name + ".bmp"; empty: none
  int show = 0;
};

struct ButtonSkin {
  SkinRect rect;
  std::string text;
};

struct LabelSkin {
  SkinRect rect;
  std::string text;
  std::string url;  // non-empty: the label is a link
  int norUnderline = 0;
  int hovUnderline = 0;
  ColorRef clrText = 0;
  ColorRef clrNormal = 0;
  ColorRef clrHover = 0;
  int fontSize = 0;    // cell height; 0 keeps the control's height
  int fontWeight = 0;  // 400 normal, 700 bold; 0 keeps the control's weight
  int fontItalic = 0;
  int fontUnderline = 0;
  int show = 0;
};

/// Place and visibility of a page's list, details box, bars and status lines.
struct ExtraSkin {
  int show = 0;
  SkinRect rect;
};

struct PageSkin {
  int show = 0;   // non-zero lets the session window show this page
  SkinRect rect;  // only width and height count: the page size
  ColorRef clrbk = 0;
  std::array<ImageSkin, 2> images;
  std::array<ButtonSkin, 2> buttons;
  std::array<LabelSkin, 4> labels;
  // Extras: which ones a page reads is fixed per page (start: list;
  // download: all; update: richEdit, progress[0], status[0]).
  ExtraSkin list;
  ExtraSkin richEdit;
  std::array<ExtraSkin, 2> progress;
  std::array<ExtraSkin, 2> status;
};

inline constexpr int kPageCount = 4;
inline constexpr int kStartPage = 0;
inline constexpr int kDownloadPage = 1;
inline constexpr int kDownloadDonePage = 2;
inline constexpr int kUpdatePage = 3;

struct SkinDescription {
  std::string title;    // frame caption and tray tooltip
  std::string sysIcon;  // icon strip value as read ("res\sysicon.bmp:n")
  std::array<PageSkin, kPageCount> pages;
};

}  // namespace formats
