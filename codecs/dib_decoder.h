#pragma once
// The pixel half of a device-independent bitmap, shared by the BMP file
// reader, the skin's own BMP rule and the icon reader: they differ in where
// they find the header, the colour table and the rows, and all end here.
// Also the bounded little-endian reads those headers are parsed with: every
// read checks the buffer first, so a header that points past the end gives
// a refusal, never a read out of bounds.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/bitmap.h"

namespace codecs {

// biCompression values.
inline constexpr uint32_t kBiRgb = 0;
inline constexpr uint32_t kBiRle8 = 1;
inline constexpr uint32_t kBiRle4 = 2;
inline constexpr uint32_t kBiBitFields = 3;
inline constexpr uint32_t kBiAlphaBitFields = 6;

struct DibLayout {
  int32_t width = 0;   // > 0
  int32_t height = 0;  // > 0, number of rows
  bool topDown = false;
  int bitCount = 0;    // 1, 4, 8, 16, 24 or 32
  // Channel masks for 16 and 32 bits: red, green, blue, alpha. An alpha
  // mask of 0 means opaque. Unused for 24 bits and below.
  uint32_t masks[4] = {0, 0, 0, 0};
  // Colour table for 8 bits and below, as opaque 0xFFRRGGBB. An index past
  // its end reads as opaque black.
  std::vector<uint32_t> palette;
};

// What an info header says, once read and checked: the layout (without the
// colour table yet) and where the colour table starts.
struct DibInfo {
  uint32_t headerSize = 0;
  int64_t signedHeight = 0;  // as stored: negative = top-down
  uint32_t compression = kBiRgb;
  DibLayout layout;          // size from signedHeight, bit count, masks
  uint64_t tableOffset = 0;  // first colour-table entry, right after header and masks
  uint64_t tableCount = 0;   // entries the pixels can use (<= 256), 0 above 8 bits
  uint64_t storedCount = 0;  // entries stored before the rows (biClrUsed, or 2^bits)
  int entrySize = 4;         // 3 for the old 12-byte header
};

/// Reads the info header at offset (12-byte core header or 40 bytes and
/// longer). rowsDivisor halves the stored height for icons, whose height
/// counts the AND mask too. False + error for a truncated header, a bit
/// count or compression we do not read (run-length compression included),
/// or an unusable size.
bool ParseDibInfo(std::string_view bytes, uint64_t offset, int rowsDivisor, DibInfo* info,
                  std::string* error);

/// Bytes of one row, padded to 4 bytes; 0 when width or bitCount is unusable.
uint64_t DibStride(int64_t width, int bitCount);

/// Checks width and the signed header height (negative = top-down) and
/// fills layout->width, height, topDown. False + error for a zero or
/// negative width, a zero height, or a picture above kMaxPicturePixels.
bool SetDibSize(int64_t width, int64_t signedHeight, DibLayout* layout, std::string* error);

/// Sets the default channel masks of an uncompressed 16 or 32 bit DIB
/// (5-5-5 and 8-8-8 with the top byte unused).
void SetDefaultDibMasks(DibLayout* layout);

/// Reads count colour-table entries of entrySize bytes (4 = RGBQUAD,
/// 3 = RGBTRIPLE) at offset. False when the table does not fit in bytes.
bool ReadDibPalette(std::string_view bytes, uint64_t offset, uint64_t count, int entrySize,
                    std::vector<uint32_t>* palette);

/// Decodes the rows that start at pixels (size bytes available). nullopt +
/// error when the rows need more bytes than there are.
std::optional<Bitmap> DecodeDibPixels(const DibLayout& layout, const uint8_t* pixels, size_t size,
                                      std::string* error);

/// Bounded little-endian reads: false (value untouched) when the field does
/// not lie wholly inside bytes.
bool ReadLe16(std::string_view bytes, uint64_t offset, uint16_t* value);
bool ReadLe32(std::string_view bytes, uint64_t offset, uint32_t* value);

/// Stores text in *error when error is not null; returns nullopt.
std::nullopt_t SetError(std::string* error, std::string text);

}  // namespace codecs
