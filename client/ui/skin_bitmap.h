#pragma once
// LoadSkinBitmap: a skin picture member of the configuration archive as a
// QImage, decoded by the client's bounds-checked skin BMP rule.

#include <QImage>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ui {

using MemberReader = std::function<std::optional<std::string>(std::string_view)>;
using LogWriter = std::function<void(std::string_view)>;

/// The picture, opaque RGB; a null image when the member cannot be read
/// (logged as "没有找到图像文件：" + name) or is not a usable BMP (not logged).
QImage LoadSkinBitmap(const MemberReader& readMember, const LogWriter& log,
                      std::string_view memberName);

}  // namespace ui
