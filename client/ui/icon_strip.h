#pragma once
// IconStrip: the small 16 x 16 frames that animate the tray icon and the
// session window's icon, cut left to right from the skin's "sysicon"
// picture with pure black transparent, or the built-in four-frame strip
// when the skin names none or it cannot be loaded.

#include <QIcon>
#include <QImage>
#include <QList>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ui {

inline constexpr int kIconFrameSize = 16;
inline constexpr int kMaxIconFrames = 10;

class IconStrip {
 public:
  /// Cuts count frames from a strip picture; frames past its right edge are
  /// empty (transparent). Only the first 10 frames are kept as pictures.
  IconStrip(const QImage& strip, int count);

  /// The built-in strip: 64 x 16, four frames on black.
  static IconStrip Builtin();
  /// The 64 x 16 picture of the built-in strip (black background).
  static QImage BuiltinPicture();

  /// The strip a "sysicon" value names: spaces removed, "member:count".
  /// nullopt when the value is one character or less, has no ":" (logged
  /// as "sys_icon配置错误："), or the picture cannot be loaded (loader: member
  /// name -> picture, null when missing).
  static std::optional<IconStrip> FromSkinValue(
      std::string_view sysIcon, const std::function<QImage(const std::string&)>& loader,
      const std::function<void(std::string_view)>& log);

  /// Frame count as the skin gives it (may exceed the frames kept).
  int Count() const { return count_; }
  /// Frames turned into icons: at most 10.
  QList<QIcon> Icons() const;
  /// Frame i as a 16 x 16 ARGB picture (transparent where black).
  QImage Frame(int i) const;

 private:
  int count_ = 0;
  QList<QImage> frames_;
};

}  // namespace ui
