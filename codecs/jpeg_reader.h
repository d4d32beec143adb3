#pragma once
// Reads a JPEG picture through libjpeg: baseline and progressive, grey,
// YCbCr and (Adobe) CMYK. A damaged file is reported, never fatal: libjpeg's
// default error handler would end the whole program.

#include <optional>
#include <string>
#include <string_view>

#include "codecs/bitmap.h"

namespace codecs {

/// Decodes the picture, every pixel opaque. nullopt + libjpeg's message in
/// error for a file libjpeg refuses, and for a file that ends before its
/// last row (libjpeg alone would pad it with grey).
std::optional<Bitmap> ReadJpeg(std::string_view bytes, std::string* error = nullptr);

}  // namespace codecs
