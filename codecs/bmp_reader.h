#pragma once
// Reads a Windows BMP file (the pictures the author picks for a skin and the
// icon strip): 1, 4, 8, 16, 24 and 32 bits per pixel, bottom-up and top-down,
// uncompressed or with bit-field masks; the old 12-byte header too.
// Run-length compressed files are refused.

#include <optional>
#include <string>
#include <string_view>

#include "codecs/bitmap.h"

namespace codecs {

/// Decodes a whole BMP file held in bytes. nullopt + error (when given) for
/// anything that is not a BMP we read or whose headers point past the bytes.
std::optional<Bitmap> ReadBmp(std::string_view bytes, std::string* error = nullptr);

}  // namespace codecs
