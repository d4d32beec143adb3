#pragma once
// Writes a bitmap as the plainest BMP every Windows program reads: 14-byte
// file header, 40-byte info header, 24 bits per pixel, rows bottom-up and
// padded to 4 bytes. This is the form the skin archive and the icon strip
// are stored in.

#include <cstdint>
#include <string>

#include "codecs/bitmap.h"

namespace codecs {

/// The BMP file bytes. Pixels that are not opaque are blended over matte
/// (0xRRGGBB): black keeps an icon's transparent parts black, which the
/// client's icon strip shows as transparent. Empty for an empty bitmap or
/// one whose pixel count does not match its size.
std::string EncodeBmp(const Bitmap& bitmap, uint32_t matte = 0x000000);

/// Writes EncodeBmp's bytes to path (native, UTF-8). False + error when the
/// bitmap cannot be encoded or the file cannot be written; a partly written
/// file is removed.
bool WriteBmpFile(const Bitmap& bitmap, const std::string& path, std::string* error = nullptr,
                  uint32_t matte = 0x000000);

}  // namespace codecs
