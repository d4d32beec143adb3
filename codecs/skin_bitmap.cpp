#include "codecs/skin_bitmap.h"

#include "codecs/dib_decoder.h"

namespace codecs {

namespace {
constexpr uint64_t kColourTableAt = 54;  // 14-byte file header + 40-byte info header
}

std::optional<Bitmap> DecodeSkinBitmap(std::string_view bytes, std::string* error) {
  if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') {
    return SetError(error, "not a BMP file");
  }
  uint32_t width = 0, height = 0, compression = 0, clrUsed = 0;
  uint16_t bitCount = 0;
  if (bytes.size() < kColourTableAt || !ReadLe32(bytes, 18, &width) ||
      !ReadLe32(bytes, 22, &height) || !ReadLe16(bytes, 28, &bitCount) ||
      !ReadLe32(bytes, 30, &compression) || !ReadLe32(bytes, 46, &clrUsed)) {
    return SetError(error, "bitmap header is truncated");
  }

  DibLayout layout;
  layout.bitCount = bitCount;
  if (DibStride(1, bitCount) == 0) return SetError(error, "unsupported bit count");
  if (compression == kBiRle8 || compression == kBiRle4) {
    return SetError(error, "run-length compressed bitmaps are not supported");
  }
  if (compression != kBiRgb && compression != kBiBitFields) {
    return SetError(error, "unsupported bitmap compression");
  }
  if (compression == kBiBitFields && bitCount != 16 && bitCount != 32) {
    return SetError(error, "bit fields need 16 or 32 bits per pixel");
  }
  if (!SetDibSize(static_cast<int32_t>(width), static_cast<int32_t>(height), &layout, error)) {
    return std::nullopt;
  }

  // All in 64 bits: biClrUsed up to 2^32 - 1 times 4 cannot wrap.
  uint64_t rowsAt = 0;
  if (bitCount <= 8) {
    const uint64_t n = clrUsed != 0 ? clrUsed : uint64_t{1} << bitCount;
    rowsAt = kColourTableAt + 4 * n;
    if (rowsAt > bytes.size()) return SetError(error, "colour table runs past the end of the file");
    const uint64_t usable = n < (uint64_t{1} << bitCount) ? n : uint64_t{1} << bitCount;
    ReadDibPalette(bytes, kColourTableAt, usable, 4, &layout.palette);
  } else {
    rowsAt = kColourTableAt + uint64_t{4} * clrUsed + (compression == kBiBitFields ? 12 : 0);
    if (rowsAt > bytes.size()) return SetError(error, "pixel offset lies past the end of the file");
    SetDefaultDibMasks(&layout);
    if (compression == kBiBitFields) {
      for (int i = 0; i < 3; ++i) ReadLe32(bytes, kColourTableAt + 4 * i, &layout.masks[i]);
    }
    layout.masks[3] = 0;  // a device-dependent bitmap has no alpha
  }
  return DecodeDibPixels(layout, reinterpret_cast<const uint8_t*>(bytes.data()) + rowsAt,
                         bytes.size() - rowsAt, error);
}

}  // namespace codecs
