#pragma once
// Reads one picture out of a Windows icon (.ico) file: the largest image the
// file holds (most colours among images of the same size), with its AND
// mask or alpha channel applied. Icon images stored as PNG are skipped.

#include <optional>
#include <string>
#include <string_view>

#include "codecs/bitmap.h"

namespace codecs {

/// Decodes the largest image that decodes. Transparent pixels are
/// kTransparentPixel; a 32-bit image with an alpha channel keeps its alpha.
/// nullopt + error for a file that is no icon, whose directory or images
/// point past the bytes, or that holds no image we read (PNG only).
std::optional<Bitmap> ReadIco(std::string_view bytes, std::string* error = nullptr);

}  // namespace codecs
