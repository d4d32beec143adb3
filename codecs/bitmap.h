#pragma once
// Bitmap: the one in-memory picture every reader fills and the BMP writer
// takes. 32 bits a pixel, 0xAARRGGBB, rows top-down. A pixel that a picture
// marks transparent (GIF transparent index, icon AND mask) is 0x00000000, so
// it turns black when the alpha is dropped; the client's icon strip treats
// pure black as transparent.

#include <cstdint>
#include <vector>

namespace codecs {

struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // width * height, row y at y * width

  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  bool Empty() const { return width <= 0 || height <= 0; }
};

/// Largest picture any reader accepts (width x height): 64 MiB of pixels,
/// 4096 x 4096. Larger ones are refused before anything is allocated, so a
/// few bytes of header cannot claim gigabytes. Far above any skin or icon
/// picture.
inline constexpr uint64_t kMaxPicturePixels = uint64_t{1} << 24;

inline constexpr uint32_t kTransparentPixel = 0x00000000u;

inline constexpr uint32_t OpaqueRgb(uint8_t r, uint8_t g, uint8_t b) {
  return 0xFF000000u | (uint32_t{r} << 16) | (uint32_t{g} << 8) | b;
}

}  // namespace codecs
