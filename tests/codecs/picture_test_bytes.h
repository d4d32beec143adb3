#pragma once
// Builds BMP and icon bytes for the picture tests from a plain description,
// so a test states the pixels it expects next to the pixels it stores.

#include <cstdint>
#include <string>
#include <vector>

namespace picturetest {

inline void Le16(std::string& s, uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Le32(std::string& s, uint32_t v) {
  Le16(s, v & 0xFFFF);
  Le16(s, v >> 16);
}
inline void Put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

struct Dib {
  int32_t width = 0;
  int32_t height = 0;  // negative: rows stored top-down
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  uint32_t clrUsed = 0;
  uint32_t headerSize = 40;             // 12 writes the old core header
  std::vector<uint32_t> palette;        // 0xRRGGBB
  std::vector<uint32_t> masks;          // stored right after the header
  std::vector<uint32_t> values;         // top-down: palette index or raw pixel value
  std::vector<uint8_t> andMask;         // icons: 1 = transparent, top-down, one per pixel
};

// Info header, masks, colour table, rows (and the AND mask when given).
inline std::string DibBytes(const Dib& d, int32_t storedHeight) {
  std::string s;
  const int32_t rows = d.height < 0 ? -d.height : d.height;
  if (d.headerSize == 12) {
    Le32(s, 12);
    Le16(s, d.width);
    Le16(s, storedHeight);
    Le16(s, 1);
    Le16(s, d.bitCount);
  } else {
    Le32(s, d.headerSize);
    Le32(s, d.width);
    Le32(s, storedHeight);
    Le16(s, 1);
    Le16(s, d.bitCount);
    Le32(s, d.compression);
    Le32(s, 0);
    Le32(s, 0);
    Le32(s, 0);
    Le32(s, d.clrUsed);
    Le32(s, 0);
    s.resize(d.headerSize, '\0');
  }
  for (uint32_t m : d.masks) Le32(s, m);
  for (uint32_t c : d.palette) {
    s.push_back(static_cast<char>(c & 0xFF));
    s.push_back(static_cast<char>((c >> 8) & 0xFF));
    s.push_back(static_cast<char>((c >> 16) & 0xFF));
    if (d.headerSize != 12) s.push_back('\0');
  }
  const auto packRow = [&](int y, int bits, const auto& valueAt) {
    std::string row((d.width * bits + 31) / 32 * 4, '\0');
    for (int x = 0; x < d.width; ++x) {
      const uint32_t v = valueAt(y * d.width + x);
      if (bits < 8) {
        const int bit = x * bits;
        row[bit / 8] = static_cast<char>(row[bit / 8] | (v << (8 - bits - bit % 8)));
      } else {
        for (int i = 0; i < bits / 8; ++i) row[x * bits / 8 + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
      }
    }
    return row;
  };
  const bool topDown = storedHeight < 0;
  for (int r = 0; r < rows; ++r) {
    s += packRow(topDown ? r : rows - 1 - r, d.bitCount, [&](int i) { return d.values[i]; });
  }
  if (!d.andMask.empty()) {
    for (int r = 0; r < rows; ++r) {
      s += packRow(rows - 1 - r, 1, [&](int i) { return uint32_t{d.andMask[i]}; });
    }
  }
  return s;
}

// A whole BMP file; pixelOffset 0 = the true offset of the rows.
inline std::string BmpFile(const Dib& d, uint32_t pixelOffset = 0) {
  const std::string dib = DibBytes(d, d.height);
  const size_t rowsBytes = d.values.empty() ? 0 : ((d.width * d.bitCount + 31) / 32 * 4) *
                                                      static_cast<size_t>(d.height < 0 ? -d.height : d.height);
  std::string s = "BM";
  Le32(s, static_cast<uint32_t>(14 + dib.size()));
  Le32(s, 0);
  Le32(s, pixelOffset ? pixelOffset : static_cast<uint32_t>(14 + dib.size() - rowsBytes));
  return s + dib;
}

struct IconImage {
  uint8_t dirWidth = 0, dirHeight = 0;
  uint16_t dirBitCount = 0;
  std::string bytes;  // DibBytes(dib, 2 * height), or PNG bytes
};

inline std::string IcoFile(const std::vector<IconImage>& images) {
  std::string s;
  Le16(s, 0);
  Le16(s, 1);
  Le16(s, static_cast<uint32_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (const IconImage& im : images) {
    s.push_back(static_cast<char>(im.dirWidth));
    s.push_back(static_cast<char>(im.dirHeight));
    s.push_back(0);
    s.push_back(0);
    Le16(s, 1);
    Le16(s, im.dirBitCount);
    Le32(s, static_cast<uint32_t>(im.bytes.size()));
    Le32(s, offset);
    offset += static_cast<uint32_t>(im.bytes.size());
  }
  for (const IconImage& im : images) s += im.bytes;
  return s;
}

}  // namespace picturetest
