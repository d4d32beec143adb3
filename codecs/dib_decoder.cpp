#include "codecs/dib_decoder.h"

#include <bit>

namespace codecs {

namespace {

// One channel of a bit-field pixel, scaled to 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint64_t max = 0;  // largest value of the channel; 0 for an empty mask

  explicit Channel(uint32_t m) : mask(m) {
    if (mask == 0) return;
    shift = std::countr_zero(mask);
    // Only the contiguous run from the lowest set bit counts: a mask with
    // holes is not one Windows accepts either.
    const int bits = std::countr_one(mask >> shift);
    max = (uint64_t{1} << bits) - 1;
  }

  uint32_t Scale(uint32_t pixel) const {
    const uint64_t value = (pixel >> shift) & max;
    return static_cast<uint32_t>((value * 255 + max / 2) / max);
  }
};

}  // namespace

uint64_t DibStride(int64_t width, int bitCount) {
  if (width <= 0 || width > INT32_MAX) return 0;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
      bitCount != 32) {
    return 0;
  }
  const uint64_t bits = static_cast<uint64_t>(width) * static_cast<uint64_t>(bitCount);
  return (bits + 31) / 32 * 4;
}

bool SetDibSize(int64_t width, int64_t signedHeight, DibLayout* layout, std::string* error) {
  if (width <= 0) {
    SetError(error, "picture width is zero or negative");
    return false;
  }
  if (signedHeight == 0) {
    SetError(error, "picture height is zero");
    return false;
  }
  const int64_t rows = signedHeight < 0 ? -signedHeight : signedHeight;
  if (width > INT32_MAX || rows > INT32_MAX ||
      static_cast<uint64_t>(width) * static_cast<uint64_t>(rows) > kMaxPicturePixels) {
    SetError(error, "picture is too large");
    return false;
  }
  layout->width = static_cast<int32_t>(width);
  layout->height = static_cast<int32_t>(rows);
  layout->topDown = signedHeight < 0;
  return true;
}

void SetDefaultDibMasks(DibLayout* layout) {
  if (layout->bitCount == 16) {
    layout->masks[0] = 0x7C00;
    layout->masks[1] = 0x03E0;
    layout->masks[2] = 0x001F;
  } else {
    layout->masks[0] = 0x00FF0000;
    layout->masks[1] = 0x0000FF00;
    layout->masks[2] = 0x000000FF;
  }
  layout->masks[3] = 0;
}

bool ReadDibPalette(std::string_view bytes, uint64_t offset, uint64_t count, int entrySize,
                    std::vector<uint32_t>* palette) {
  palette->clear();
  if (offset > bytes.size() || count > (bytes.size() - offset) / entrySize) return false;
  palette->reserve(count);
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data()) + offset;
  for (uint64_t i = 0; i < count; ++i, p += entrySize) palette->push_back(OpaqueRgb(p[2], p[1], p[0]));
  return true;
}

std::optional<Bitmap> DecodeDibPixels(const DibLayout& layout, const uint8_t* pixels, size_t size,
                                      std::string* error) {
  const uint64_t stride = DibStride(layout.width, layout.bitCount);
  if (stride == 0 || layout.height <= 0) return SetError(error, "unsupported bit count");
  if (static_cast<uint64_t>(layout.width) * static_cast<uint64_t>(layout.height) > kMaxPicturePixels) {
    return SetError(error, "picture is too large");
  }
  // Both below 2^27 x 4 bytes now: the product cannot wrap.
  if (stride * static_cast<uint64_t>(layout.height) > size) {
    return SetError(error, "pixel data is truncated");
  }

  Bitmap bitmap;
  bitmap.width = layout.width;
  bitmap.height = layout.height;
  bitmap.pixels.resize(static_cast<size_t>(layout.width) * layout.height);

  const Channel red(layout.masks[0]), green(layout.masks[1]), blue(layout.masks[2]),
      alpha(layout.masks[3]);
  const auto fromMasks = [&](uint32_t value) {
    const uint32_t a = alpha.mask ? alpha.Scale(value) : 255;
    const uint32_t r = red.mask ? red.Scale(value) : 0;
    const uint32_t g = green.mask ? green.Scale(value) : 0;
    const uint32_t b = blue.mask ? blue.Scale(value) : 0;
    return (a << 24) | (r << 16) | (g << 8) | b;
  };
  const auto fromPalette = [&](uint32_t index) {
    return index < layout.palette.size() ? layout.palette[index] : OpaqueRgb(0, 0, 0);
  };

  for (int32_t row = 0; row < layout.height; ++row) {
    const uint8_t* src = pixels + stride * row;
    const int32_t y = layout.topDown ? row : layout.height - 1 - row;
    uint32_t* dst = bitmap.pixels.data() + static_cast<size_t>(y) * layout.width;
    for (int32_t x = 0; x < layout.width; ++x) {
      switch (layout.bitCount) {
        case 1:
          dst[x] = fromPalette((src[x >> 3] >> (7 - (x & 7))) & 1);
          break;
        case 4:
          dst[x] = fromPalette((x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4));
          break;
        case 8:
          dst[x] = fromPalette(src[x]);
          break;
        case 16:
          dst[x] = fromMasks(uint32_t{src[2 * x]} | (uint32_t{src[2 * x + 1]} << 8));
          break;
        case 24:
          dst[x] = OpaqueRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
          break;
        case 32: {
          const uint8_t* p = src + 4 * x;
          dst[x] = fromMasks(uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
                             (uint32_t{p[3]} << 24));
          break;
        }
      }
    }
  }
  return bitmap;
}

bool ReadLe16(std::string_view bytes, uint64_t offset, uint16_t* value) {
  if (offset > bytes.size() || bytes.size() - offset < 2) return false;
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data()) + offset;
  *value = static_cast<uint16_t>(p[0] | (p[1] << 8));
  return true;
}

bool ReadLe32(std::string_view bytes, uint64_t offset, uint32_t* value) {
  if (offset > bytes.size() || bytes.size() - offset < 4) return false;
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data()) + offset;
  *value = uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
  return true;
}

std::nullopt_t SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return std::nullopt;
}

}  // namespace codecs

namespace codecs {

bool ParseDibInfo(std::string_view bytes, uint64_t offset, int rowsDivisor, DibInfo* info,
                  std::string* error) {
  uint32_t headerSize = 0;
  if (!ReadLe32(bytes, offset, &headerSize)) {
    SetError(error, "bitmap header is truncated");
    return false;
  }
  info->headerSize = headerSize;
  DibLayout& layout = info->layout;
  int64_t width = 0;
  uint16_t bitCount = 0;
  uint64_t maskBytes = 0;
  if (headerSize == 12) {
    uint16_t w = 0, h = 0;
    if (!ReadLe16(bytes, offset + 4, &w) || !ReadLe16(bytes, offset + 6, &h) ||
        !ReadLe16(bytes, offset + 10, &bitCount)) {
      SetError(error, "bitmap header is truncated");
      return false;
    }
    width = w;
    info->signedHeight = h;
    info->compression = kBiRgb;
    info->entrySize = 3;
  } else if (headerSize >= 40 && headerSize <= 0x10000) {
    uint32_t w = 0, h = 0, clrUsed = 0;
    if (bytes.size() < offset + headerSize || !ReadLe32(bytes, offset + 4, &w) ||
        !ReadLe32(bytes, offset + 8, &h) || !ReadLe16(bytes, offset + 14, &bitCount) ||
        !ReadLe32(bytes, offset + 16, &info->compression) ||
        !ReadLe32(bytes, offset + 32, &clrUsed)) {
      SetError(error, "bitmap header is truncated");
      return false;
    }
    width = static_cast<int32_t>(w);
    info->signedHeight = static_cast<int32_t>(h);
    info->entrySize = 4;
    info->tableCount = clrUsed;
  } else {
    SetError(error, "unknown bitmap header size");
    return false;
  }

  layout.bitCount = bitCount;
  if (DibStride(1, bitCount) == 0) {
    SetError(error, "unsupported bit count");
    return false;
  }
  switch (info->compression) {
    case kBiRgb:
      if (bitCount == 16 || bitCount == 32) SetDefaultDibMasks(&layout);
      break;
    case kBiBitFields:
    case kBiAlphaBitFields: {
      if (bitCount != 16 && bitCount != 32) {
        SetError(error, "bit fields need 16 or 32 bits per pixel");
        return false;
      }
      // The masks follow a 40-byte header; longer headers hold them inside.
      const int count = info->compression == kBiAlphaBitFields || headerSize >= 56 ? 4 : 3;
      const uint64_t maskOffset = offset + 40;
      for (int i = 0; i < count; ++i) {
        if (!ReadLe32(bytes, maskOffset + 4 * i, &layout.masks[i])) {
          SetError(error, "bit-field masks are truncated");
          return false;
        }
      }
      if (headerSize == 40) maskBytes = 4 * count;
      break;
    }
    case kBiRle8:
    case kBiRle4:
      SetError(error, "run-length compressed bitmaps are not supported");
      return false;
    default:
      SetError(error, "unsupported bitmap compression");
      return false;
  }

  int64_t rows = info->signedHeight;
  if (rowsDivisor > 1) {
    if (rows < 0) {
      SetError(error, "icon bitmap cannot be top-down");
      return false;
    }
    rows /= rowsDivisor;
  }
  if (!SetDibSize(width, rows, &layout, error)) return false;

  const uint64_t full = uint64_t{1} << bitCount;
  if (bitCount <= 8) {
    if (info->tableCount == 0) info->tableCount = full;
    info->storedCount = info->tableCount;
    if (info->tableCount > full) info->tableCount = full;
  } else {
    info->storedCount = info->tableCount;
    info->tableCount = 0;
  }
  info->tableOffset = offset + headerSize + maskBytes;
  return true;
}

}  // namespace codecs
