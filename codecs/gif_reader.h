#pragma once
// Reads the first frame of a GIF picture (87a or 89a, interlaced or not)
// through giflib, honouring the frame's transparent colour.

#include <optional>
#include <string>
#include <string_view>

#include "codecs/bitmap.h"

namespace codecs {

/// Decodes the first frame onto a canvas of the logical screen's size
/// (grown to hold the frame when the frame reaches past it). Pixels outside
/// the frame and of the transparent index are kTransparentPixel. nullopt +
/// error for a damaged file, a file without a frame or without a colour table.
std::optional<Bitmap> ReadGif(std::string_view bytes, std::string* error = nullptr);

}  // namespace codecs
