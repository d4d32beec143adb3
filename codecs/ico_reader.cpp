#include "codecs/ico_reader.h"

#include <algorithm>
#include <vector>

#include "codecs/dib_decoder.h"

namespace codecs {

namespace {

constexpr uint64_t kDirectorySize = 6;
constexpr uint64_t kEntrySize = 16;

struct IconEntry {
  int index = 0;
  int pixels = 0;  // width x height as the directory says (0 stands for 256)
  int bitCount = 0;
  uint32_t size = 0;
  uint32_t offset = 0;
};

std::optional<Bitmap> DecodeIconImage(std::string_view image, std::string* error) {
  if (image.size() >= 4 && image.substr(0, 4) == "\x89PNG") {
    return SetError(error, "PNG icon images are not supported");
  }
  DibInfo info;
  if (!ParseDibInfo(image, 0, 2, &info, error)) return std::nullopt;
  DibLayout& layout = info.layout;
  if (info.tableCount > 0 &&
      !ReadDibPalette(image, info.tableOffset, info.tableCount, info.entrySize, &layout.palette)) {
    return SetError(error, "icon colour table is truncated");
  }
  const uint64_t xorAt = info.tableOffset + info.storedCount * info.entrySize;
  if (xorAt > image.size()) return SetError(error, "icon pixels lie past the end of the image");
  const bool withAlpha = layout.bitCount == 32 && info.compression == kBiRgb;
  if (withAlpha) layout.masks[3] = 0xFF000000;

  const auto* data = reinterpret_cast<const uint8_t*>(image.data());
  std::optional<Bitmap> bitmap = DecodeDibPixels(layout, data + xorAt, image.size() - xorAt, error);
  if (!bitmap) return std::nullopt;

  if (withAlpha && std::any_of(bitmap->pixels.begin(), bitmap->pixels.end(),
                               [](uint32_t p) { return (p >> 24) != 0; })) {
    for (uint32_t& p : bitmap->pixels) {
      if ((p >> 24) == 0) p = kTransparentPixel;
    }
    return bitmap;
  }
  if (withAlpha) {
    // An old 32-bit icon with the top byte unused: the AND mask decides.
    for (uint32_t& p : bitmap->pixels) p |= 0xFF000000;
  }

  // The AND mask: one bit a pixel, rows padded to 4 bytes, bottom-up. A
  // file that leaves it out is shown opaque rather than refused.
  const uint64_t maskAt = xorAt + DibStride(layout.width, layout.bitCount) * layout.height;
  const uint64_t maskStride = DibStride(layout.width, 1);
  if (maskAt > image.size() || maskStride * layout.height > image.size() - maskAt) return bitmap;
  for (int32_t row = 0; row < layout.height; ++row) {
    const uint8_t* src = data + maskAt + maskStride * row;
    const int32_t y = layout.height - 1 - row;
    uint32_t* dst = bitmap->pixels.data() + static_cast<size_t>(y) * layout.width;
    for (int32_t x = 0; x < layout.width; ++x) {
      if ((src[x >> 3] >> (7 - (x & 7))) & 1) dst[x] = kTransparentPixel;
    }
  }
  return bitmap;
}

}  // namespace

std::optional<Bitmap> ReadIco(std::string_view bytes, std::string* error) {
  uint16_t reserved = 1, type = 0, count = 0;
  if (!ReadLe16(bytes, 0, &reserved) || !ReadLe16(bytes, 2, &type) || !ReadLe16(bytes, 4, &count) ||
      reserved != 0 || (type != 1 && type != 2)) {
    return SetError(error, "not an icon file");
  }
  if (count == 0) return SetError(error, "icon file holds no image");
  if (kDirectorySize + kEntrySize * count > bytes.size()) {
    return SetError(error, "icon directory is truncated");
  }

  std::vector<IconEntry> entries;
  const auto* dir = reinterpret_cast<const uint8_t*>(bytes.data()) + kDirectorySize;
  for (int i = 0; i < count; ++i) {
    const uint8_t* e = dir + kEntrySize * i;
    IconEntry entry;
    entry.index = i;
    entry.pixels = (e[0] ? e[0] : 256) * (e[1] ? e[1] : 256);
    uint16_t bitCount = 0;
    ReadLe16(bytes, kDirectorySize + kEntrySize * i + 6, &bitCount);
    entry.bitCount = bitCount;
    ReadLe32(bytes, kDirectorySize + kEntrySize * i + 8, &entry.size);
    ReadLe32(bytes, kDirectorySize + kEntrySize * i + 12, &entry.offset);
    entries.push_back(entry);
  }
  std::stable_sort(entries.begin(), entries.end(), [](const IconEntry& a, const IconEntry& b) {
    return a.pixels != b.pixels ? a.pixels > b.pixels : a.bitCount > b.bitCount;
  });

  std::string lastError = "icon file holds no readable image";
  for (const IconEntry& entry : entries) {
    if (entry.offset > bytes.size() || entry.size > bytes.size() - entry.offset) {
      lastError = "icon image lies past the end of the file";
      continue;
    }
    std::optional<Bitmap> bitmap = DecodeIconImage(bytes.substr(entry.offset, entry.size), &lastError);
    if (bitmap) return bitmap;
  }
  return SetError(error, lastError);
}

}  // namespace codecs
