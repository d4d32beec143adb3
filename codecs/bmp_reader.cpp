#include "codecs/bmp_reader.h"

#include <algorithm>

#include "codecs/dib_decoder.h"

namespace codecs {

namespace {
constexpr uint64_t kFileHeaderSize = 14;
}

std::optional<Bitmap> ReadBmp(std::string_view bytes, std::string* error) {
  if (bytes.size() < kFileHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') {
    return SetError(error, "not a BMP file");
  }
  uint32_t pixelOffset = 0;
  ReadLe32(bytes, 10, &pixelOffset);

  DibInfo info;
  if (!ParseDibInfo(bytes, kFileHeaderSize, 1, &info, error)) return std::nullopt;

  // Some writers leave the file header's pixel offset at 0 or let it point
  // into the headers; the rows then follow the colour table.
  const uint64_t tableEnd = info.tableOffset + info.storedCount * info.entrySize;
  uint64_t rowsAt = pixelOffset;
  if (rowsAt < info.tableOffset) rowsAt = tableEnd;

  if (info.tableCount > 0) {
    // A colour table that runs into the rows is cut at the rows.
    uint64_t count = info.tableCount;
    if (rowsAt > info.tableOffset) {
      count = std::min<uint64_t>(count, (rowsAt - info.tableOffset) / info.entrySize);
    }
    if (!ReadDibPalette(bytes, info.tableOffset, count, info.entrySize, &info.layout.palette)) {
      return SetError(error, "colour table is truncated");
    }
  }
  if (rowsAt > bytes.size()) return SetError(error, "pixel offset lies past the end of the file");
  return DecodeDibPixels(info.layout, reinterpret_cast<const uint8_t*>(bytes.data()) + rowsAt,
                         bytes.size() - rowsAt, error);
}

}  // namespace codecs
