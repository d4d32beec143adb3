#include "client/ui/skin_bitmap.h"

#include <cstring>

#include "codecs/skin_bitmap.h"
#include "common/gbk.h"

namespace ui {

QImage LoadSkinBitmap(const MemberReader& readMember, const LogWriter& log,
                      std::string_view memberName) {
  std::optional<std::string> bytes = readMember ? readMember(memberName) : std::nullopt;
  if (!bytes) {
    if (log) log(common::Gbk("没有找到图像文件：") + std::string(memberName));
    return {};
  }
  std::optional<codecs::Bitmap> bitmap = codecs::DecodeSkinBitmap(*bytes);
  if (!bitmap || bitmap->Empty()) return {};
  QImage image(bitmap->width, bitmap->height, QImage::Format_RGB32);
  for (int y = 0; y < bitmap->height; ++y) {
    std::memcpy(image.scanLine(y), bitmap->pixels.data() + static_cast<size_t>(y) * bitmap->width,
                static_cast<size_t>(bitmap->width) * 4);
  }
  return image;
}

}  // namespace ui
