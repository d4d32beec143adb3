#include "codecs/bmp_writer.h"

#include <cstdio>
#include <fstream>

#include "codecs/dib_decoder.h"

namespace codecs {

namespace {

void PutLe16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void PutLe32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

uint8_t Blend(uint32_t colour, uint32_t matte, uint32_t alpha) {
  return static_cast<uint8_t>((colour * alpha + matte * (255 - alpha) + 127) / 255);
}

}  // namespace

std::string EncodeBmp(const Bitmap& bitmap, uint32_t matte) {
  if (bitmap.Empty() ||
      static_cast<uint64_t>(bitmap.width) * static_cast<uint64_t>(bitmap.height) > kMaxPicturePixels ||
      bitmap.pixels.size() != static_cast<size_t>(bitmap.width) * bitmap.height) {
    return {};
  }
  const uint64_t stride = DibStride(bitmap.width, 24);
  const uint64_t imageSize = stride * bitmap.height;
  const uint64_t fileSize = 54 + imageSize;
  if (fileSize > UINT32_MAX) return {};

  std::string out;
  out.reserve(fileSize);
  out += "BM";
  PutLe32(out, static_cast<uint32_t>(fileSize));
  PutLe32(out, 0);   // reserved
  PutLe32(out, 54);  // pixel offset
  PutLe32(out, 40);
  PutLe32(out, static_cast<uint32_t>(bitmap.width));
  PutLe32(out, static_cast<uint32_t>(bitmap.height));  // positive: bottom-up
  PutLe16(out, 1);   // planes
  PutLe16(out, 24);
  PutLe32(out, kBiRgb);
  PutLe32(out, static_cast<uint32_t>(imageSize));
  PutLe32(out, 2835);  // 72 dots per inch, as pixels per metre
  PutLe32(out, 2835);
  PutLe32(out, 0);   // colours used
  PutLe32(out, 0);   // colours important

  const uint32_t mr = (matte >> 16) & 0xFF, mg = (matte >> 8) & 0xFF, mb = matte & 0xFF;
  const size_t padding = stride - 3 * static_cast<uint64_t>(bitmap.width);
  for (int y = bitmap.height - 1; y >= 0; --y) {
    const uint32_t* row = bitmap.pixels.data() + static_cast<size_t>(y) * bitmap.width;
    for (int x = 0; x < bitmap.width; ++x) {
      const uint32_t p = row[x];
      const uint32_t a = p >> 24;
      out.push_back(static_cast<char>(Blend(p & 0xFF, mb, a)));
      out.push_back(static_cast<char>(Blend((p >> 8) & 0xFF, mg, a)));
      out.push_back(static_cast<char>(Blend((p >> 16) & 0xFF, mr, a)));
    }
    out.append(padding, '\0');
  }
  return out;
}

bool WriteBmpFile(const Bitmap& bitmap, const std::string& path, std::string* error,
                  uint32_t matte) {
  const std::string bytes = EncodeBmp(bitmap, matte);
  if (bytes.empty()) {
    SetError(error, "bitmap is empty or inconsistent");
    return false;
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) {
    SetError(error, "cannot create " + path);
    return false;
  }
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file.fail()) return true;
  std::remove(path.c_str());
  SetError(error, "cannot write " + path);
  return false;
}

}  // namespace codecs
