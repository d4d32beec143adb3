// GIF and JPEG readers on pictures written here with giflib and libjpeg.

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <jpeglib.h>

#include "codecs/bmp_reader.h"
#include "codecs/gif_reader.h"
#include "codecs/jpeg_reader.h"

namespace {

using codecs::Bitmap;

uint32_t Opaque(uint32_t rgb) { return 0xFF000000u | rgb; }

// ---- GIF ----------------------------------------------------------------

struct GifFrame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlace = false;
  int transparent = NO_TRANSPARENT_COLOR;
  std::vector<uint32_t> localColours;  // 0xRRGGBB, power-of-two count; empty = global
  std::vector<uint8_t> indexes;        // top-down, width x height
};

int AppendToString(GifFileType* gif, const GifByteType* data, int length) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
  return length;
}

ColorMapObject* MakeColourMap(const std::vector<uint32_t>& colours) {
  std::vector<GifColorType> c;
  for (uint32_t rgb : colours) c.push_back({GifByteType(rgb >> 16), GifByteType(rgb >> 8), GifByteType(rgb)});
  return GifMakeMapObject(static_cast<int>(c.size()), c.data());
}

std::string WriteGif(int screenWidth, int screenHeight, const std::vector<uint32_t>& globalColours,
                     const std::vector<GifFrame>& frames) {
  std::string out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, AppendToString, &error);
  EXPECT_TRUE(gif);
  EGifSetGifVersion(gif, true);
  ColorMapObject* global = MakeColourMap(globalColours);
  EXPECT_EQ(EGifPutScreenDesc(gif, screenWidth, screenHeight, 8, 0, global), GIF_OK);
  GifFreeMapObject(global);
  for (const GifFrame& f : frames) {
    if (f.transparent != NO_TRANSPARENT_COLOR) {
      GraphicsControlBlock gcb{};
      gcb.TransparentColor = f.transparent;
      GifByteType ext[4];
      const size_t n = EGifGCBToExtension(&gcb, ext);
      EXPECT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext), GIF_OK);
    }
    ColorMapObject* local = f.localColours.empty() ? nullptr : MakeColourMap(f.localColours);
    EXPECT_EQ(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, local), GIF_OK);
    if (local) GifFreeMapObject(local);
    // giflib expects the rows in file order: the interlace passes for an interlaced frame.
    std::vector<int> order;
    if (f.interlace) {
      for (int pass = 0; pass < 4; ++pass)
        for (int y = "\0\4\2\1"[pass]; y < f.height; y += "\10\10\4\2"[pass]) order.push_back(y);
    } else {
      for (int y = 0; y < f.height; ++y) order.push_back(y);
    }
    for (int y : order) {
      std::vector<GifPixelType> row(f.indexes.begin() + y * f.width, f.indexes.begin() + (y + 1) * f.width);
      EXPECT_EQ(EGifPutLine(gif, row.data(), f.width), GIF_OK);
    }
  }
  EXPECT_EQ(EGifCloseFile(gif, &error), GIF_OK);
  return out;
}

const std::vector<uint32_t> kGlobal = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

TEST(GifReader, FirstFrameWithTransparentIndexAndLocalColours) {
  GifFrame first;
  first.width = 3;
  first.height = 2;
  first.transparent = 3;
  first.indexes = {0, 1, 2, 3, 2, 1};
  GifFrame second = first;  // a later frame never shows
  second.indexes = {1, 1, 1, 1, 1, 1};
  std::optional<Bitmap> b = codecs::ReadGif(WriteGif(3, 2, kGlobal, {first, second}));
  ASSERT_TRUE(b);
  ASSERT_EQ(b->width, 3);
  ASSERT_EQ(b->height, 2);
  EXPECT_EQ(b->pixels, (std::vector<uint32_t>{Opaque(0xFF0000), Opaque(0x00FF00), Opaque(0x0000FF),
                                              codecs::kTransparentPixel, Opaque(0x0000FF),
                                              Opaque(0x00FF00)}));

  // A frame of its own colours, smaller than the screen and offset in it.
  GifFrame inset;
  inset.left = 1;
  inset.top = 2;
  inset.width = 2;
  inset.height = 1;
  inset.localColours = {0x123456, 0xABCDEF};
  inset.indexes = {1, 0};
  b = codecs::ReadGif(WriteGif(4, 4, kGlobal, {inset}));
  ASSERT_TRUE(b);
  ASSERT_EQ(b->width, 4);
  ASSERT_EQ(b->height, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const uint32_t expected = y != 2 || x == 0 || x == 3 ? codecs::kTransparentPixel
                                : x == 1                   ? Opaque(0xABCDEF)
                                                           : Opaque(0x123456);
      EXPECT_EQ(b->At(x, y), expected) << x << "," << y;
    }
}

TEST(GifReader, InterlacedRowsLandInPictureOrder) {
  GifFrame f;
  f.width = 2;
  f.height = 11;  // every pass, with a partial last group
  f.interlace = true;
  for (int y = 0; y < f.height; ++y) f.indexes.insert(f.indexes.end(), 2, static_cast<uint8_t>(y % 4));
  std::optional<Bitmap> b = codecs::ReadGif(WriteGif(2, 11, kGlobal, {f}));
  ASSERT_TRUE(b);
  for (int y = 0; y < 11; ++y) EXPECT_EQ(b->At(1, y), Opaque(kGlobal[y % 4])) << "row " << y;
}

TEST(GifReader, DamagedFilesAreRefused) {
  GifFrame f;
  f.width = 16;
  f.height = 16;
  for (int i = 0; i < 256; ++i) f.indexes.push_back(static_cast<uint8_t>((i * 7 + i / 16) % 4));
  const std::string good = WriteGif(16, 16, kGlobal, {f});
  ASSERT_TRUE(codecs::ReadGif(good));
  std::string error;
  // The last byte is the trailer, which the first frame does not need.
  for (size_t n = 0; n + 1 < good.size(); ++n) {
    EXPECT_FALSE(codecs::ReadGif(std::string_view(good.data(), n), &error)) << "truncated to " << n;
  }
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(codecs::ReadGif("GIF89a\x10\x00\x10\x00\x80\x00\x00"));
}

// ---- JPEG ---------------------------------------------------------------

std::string WriteJpeg(int width, int height, bool grey, bool progressive,
                      const std::function<uint32_t(int, int)>& colourAt) {
  jpeg_compress_struct info{};
  jpeg_error_mgr err{};
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = width;
  info.image_height = height;
  info.input_components = grey ? 1 : 3;
  info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(width) * info.input_components);
  while (info.next_scanline < info.image_height) {
    for (int x = 0; x < width; ++x) {
      const uint32_t c = colourAt(x, static_cast<int>(info.next_scanline));
      if (grey) {
        row[x] = static_cast<JSAMPLE>(c & 0xFF);
      } else {
        row[3 * x] = static_cast<JSAMPLE>(c >> 16);
        row[3 * x + 1] = static_cast<JSAMPLE>(c >> 8);
        row[3 * x + 2] = static_cast<JSAMPLE>(c);
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string out(reinterpret_cast<char*>(buffer), size);
  std::free(buffer);
  return out;
}

void ExpectNear(uint32_t actual, uint32_t rgb, int tolerance) {
  EXPECT_EQ(actual >> 24, 0xFFu);
  for (int shift : {16, 8, 0}) {
    const int a = (actual >> shift) & 0xFF, e = (rgb >> shift) & 0xFF;
    EXPECT_NEAR(a, e, tolerance) << std::hex << "actual " << actual << " expected " << rgb;
  }
}

// Four flat quadrants: red, green, blue, grey.
uint32_t Quadrant(int x, int y) {
  static const uint32_t colours[4] = {0xFF0000, 0x00C000, 0x0000FF, 0x808080};
  return colours[(y >= 16 ? 2 : 0) + (x >= 16 ? 1 : 0)];
}

TEST(JpegReader, ColourGreyAndProgressivePictures) {
  for (bool progressive : {false, true}) {
    std::optional<Bitmap> b = codecs::ReadJpeg(WriteJpeg(32, 32, false, progressive, Quadrant));
    ASSERT_TRUE(b);
    ASSERT_EQ(b->width, 32);
    ASSERT_EQ(b->height, 32);
    for (int y : {4, 27})
      for (int x : {4, 27}) ExpectNear(b->At(x, y), Quadrant(x, y), 8);
  }
  std::optional<Bitmap> grey = codecs::ReadJpeg(WriteJpeg(24, 8, true, false, [](int x, int) {
    return x < 12 ? 0x30 : 0xD0;
  }));
  ASSERT_TRUE(grey);
  ASSERT_EQ(grey->width, 24);
  ExpectNear(grey->At(3, 4), 0x303030, 4);
  ExpectNear(grey->At(20, 4), 0xD0D0D0, 4);
}

TEST(JpegReader, DamagedFilesAreReportedNotFatal) {
  const std::string good = WriteJpeg(32, 32, false, false, Quadrant);
  std::string error;
  // libjpeg's own handler would exit the process here.
  EXPECT_FALSE(codecs::ReadJpeg("\xFF\xD8\xFF\xE0 not a jpeg at all", &error));
  EXPECT_FALSE(error.empty());
  for (size_t n : {size_t{2}, size_t{20}, good.size() / 2, good.size() - 40}) {
    error.clear();
    EXPECT_FALSE(codecs::ReadJpeg(std::string_view(good.data(), n), &error)) << "truncated to " << n;
    EXPECT_FALSE(error.empty());
  }
  std::string corrupt = good;
  for (size_t i = corrupt.size() / 3; i < corrupt.size() / 3 + 64; ++i) corrupt[i] = '\xFF';
  codecs::ReadJpeg(corrupt);  // may decode garbage or refuse; must come back
  EXPECT_TRUE(codecs::ReadJpeg(good));
}

// ---- sizes ----------------------------------------------------------------

// A header that claims a huge picture is refused before its pixels are
// allocated: above 4096 x 4096 always, and above what the bytes that follow
// could encode.
TEST(PictureLimits, HeadersClaimingMoreThanTheLimitOrTheirDataAreRefused) {
  std::string error;
  // GIF: an 8 x 8 frame whose descriptor is rewritten to 4000 x 4000.
  std::string gif = WriteGif(8, 8, kGlobal, {GifFrame{0, 0, 8, 8, false, NO_TRANSPARENT_COLOR, {},
                                                      std::vector<uint8_t>(64, 1)}});
  const size_t desc = gif.find(std::string("\x2C\0\0\0\0\x08\0\x08\0", 9));
  ASSERT_NE(desc, std::string::npos);
  gif.replace(desc + 5, 4, "\xA0\x0F\xA0\x0F");
  EXPECT_FALSE(codecs::ReadGif(gif, &error));
  EXPECT_EQ(error, "GIF frame is larger than its data");
  // A flat 2048 x 2048 GIF is a few kilobytes and still reads.
  std::optional<Bitmap> flat = codecs::ReadGif(WriteGif(2048, 2048, kGlobal, {GifFrame{0, 0, 2048, 2048, false,
      NO_TRANSPARENT_COLOR, {}, std::vector<uint8_t>(2048 * 2048, 2)}}));
  ASSERT_TRUE(flat);
  EXPECT_EQ(flat->At(2047, 2047), Opaque(0x0000FF));
  // A logical screen past the limit.
  EXPECT_FALSE(codecs::ReadGif(WriteGif(4097, 4096, kGlobal, {GifFrame{0, 0, 1, 1, false, NO_TRANSPARENT_COLOR,
                                                                       {}, {1}}})));

  // JPEG: a 16 x 16 picture whose frame header is rewritten to 4000 x 4000.
  std::string jpeg = WriteJpeg(16, 16, false, true, Quadrant);
  const size_t sof = jpeg.find("\xFF\xC2");
  ASSERT_NE(sof, std::string::npos);
  jpeg.replace(sof + 5, 4, "\x0F\xA0\x0F\xA0");
  error.clear();
  EXPECT_FALSE(codecs::ReadJpeg(jpeg, &error));
  EXPECT_EQ(error, "JPEG picture is larger than its data");

  // BMP: 4097 x 4097 at one bit a pixel, every row present (2 MB).
  const uint32_t stride = 516, rows = 4097;
  std::string bmp = "BM";
  auto le32 = [&bmp](uint32_t v) { for (int i = 0; i < 4; ++i) bmp.push_back(static_cast<char>(v >> (8 * i))); };
  auto le16 = [&bmp](uint16_t v) { bmp.push_back(static_cast<char>(v)); bmp.push_back(static_cast<char>(v >> 8)); };
  le32(62 + stride * rows); le32(0); le32(62);
  le32(40); le32(4097); le32(rows); le16(1); le16(1); le32(0); le32(stride * rows); le32(0); le32(0); le32(2); le32(0);
  le32(0); le32(0xFFFFFF);
  bmp.append(stride * rows, '\0');
  error.clear();
  EXPECT_FALSE(codecs::ReadBmp(bmp, &error));
  EXPECT_EQ(error, "picture is too large");
}

}  // namespace
