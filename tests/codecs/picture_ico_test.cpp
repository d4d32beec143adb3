// The icon reader on icon files built here byte by byte.

#include <gtest/gtest.h>

#include <functional>

#include "codecs/ico_reader.h"
#include "tests/codecs/picture_test_bytes.h"

namespace {

using codecs::Bitmap;
using codecs::kTransparentPixel;
using picturetest::Dib;
using picturetest::DibBytes;
using picturetest::IcoFile;
using picturetest::IconImage;

uint32_t Opaque(uint32_t rgb) { return 0xFF000000u | rgb; }

// A square icon image of side n: pixel value v(x, y), AND bit for the
// pixels on the diagonal.
IconImage Square(int n, uint16_t bits, const std::function<uint32_t(int, int)>& v,
                 std::vector<uint32_t> palette = {}) {
  Dib d;
  d.width = n;
  d.height = n;
  d.bitCount = bits;
  d.palette = std::move(palette);
  d.clrUsed = static_cast<uint32_t>(d.palette.size());
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      d.values.push_back(v(x, y));
      d.andMask.push_back(x == y ? 1 : 0);
    }
  return {static_cast<uint8_t>(n), static_cast<uint8_t>(n), bits, DibBytes(d, 2 * n)};
}

uint32_t Pattern(int x, int y) { return static_cast<uint32_t>(x * 0x010203 + y * 0x300000); }

TEST(IcoReader, LargestImageWithAndMask) {
  const std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  const std::string file = IcoFile({Square(16, 4, [](int x, int) { return x % 4; }, palette),
                                    Square(32, 24, Pattern), Square(32, 8, [](int, int) { return 1; }, palette)});
  std::optional<Bitmap> b = codecs::ReadIco(file);
  ASSERT_TRUE(b);
  ASSERT_EQ(b->width, 32);  // of the two 32 x 32 images, the one with more colours
  ASSERT_EQ(b->height, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      ASSERT_EQ(b->At(x, y), x == y ? kTransparentPixel : Opaque(Pattern(x, y))) << x << "," << y;

  // A palette image alone.
  b = codecs::ReadIco(IcoFile({Square(16, 4, [](int x, int) { return x % 4; }, palette)}));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->At(5, 0), Opaque(0xFF0000));
  EXPECT_EQ(b->At(3, 3), kTransparentPixel);
}

TEST(IcoReader, AlphaChannelWinsOverAndMaskWhenPresent) {
  // Alpha in the top byte: half-transparent pixels keep their alpha, the
  // AND mask is not consulted.
  std::optional<Bitmap> b = codecs::ReadIco(IcoFile({Square(4, 32, [](int x, int) {
    return x == 0 ? 0x00112233u : x == 1 ? 0x80445566u : 0xFF778899u;
  })}));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->At(0, 2), kTransparentPixel);
  EXPECT_EQ(b->At(1, 1), 0x80445566u);
  EXPECT_EQ(b->At(2, 2), 0xFF778899u);
  // No alpha at all: an old 32-bit icon, the AND mask decides.
  b = codecs::ReadIco(IcoFile({Square(4, 32, [](int, int) { return 0x00ABCDEFu; })}));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->At(1, 1), kTransparentPixel);
  EXPECT_EQ(b->At(2, 1), Opaque(0xABCDEF));
}

TEST(IcoReader, UnreadableImagesAreSkippedOrRefused) {
  const IconImage png{64, 64, 32, std::string("\x89PNG\r\n\x1A\n", 8) + std::string(40, 'x')};
  const IconImage small = Square(8, 24, Pattern);
  // The PNG image is the largest; the BMP image behind it is used.
  std::optional<Bitmap> b = codecs::ReadIco(IcoFile({png, small}));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->width, 8);
  std::string error;
  EXPECT_FALSE(codecs::ReadIco(IcoFile({png}), &error));
  EXPECT_NE(error.find("PNG"), std::string::npos);

  // A directory entry pointing past the end is skipped, then refused when alone.
  std::string file = IcoFile({Square(16, 24, Pattern), small});
  picturetest::Put32(file, 6 + 12, 0x7FFFFFF0);
  b = codecs::ReadIco(file);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->width, 8);
  file = IcoFile({small});
  picturetest::Put32(file, 6 + 8, 0xFFFFFFFF);  // size
  EXPECT_FALSE(codecs::ReadIco(file));

  // Image headers that claim more than their bytes.
  for (const auto& [at, value] : std::vector<std::pair<size_t, uint32_t>>{
           {4, 0x7FFFFFFF}, {8, 0}, {8, 0xFFFFFFF0}, {0, 0x7FFFFFFF}, {32, 0xFFFFFFFF}}) {
    file = IcoFile({Square(4, 8, [](int, int) { return 0; }, {0})});
    picturetest::Put32(file, 22 + at, value);
    EXPECT_FALSE(codecs::ReadIco(file)) << "field at " << at << " = " << value;
  }

  const std::string good = IcoFile({Square(16, 4, [](int x, int) { return x % 4; }, {1, 2, 3, 4}), small});
  for (size_t n = 0; n < good.size(); ++n) {
    // Cut anywhere, the file is refused unless the first image is still whole.
    std::optional<Bitmap> cut = codecs::ReadIco(std::string_view(good.data(), n));
    if (cut) {
      EXPECT_EQ(cut->width, 16) << "truncated to " << n;
    }
  }
  EXPECT_FALSE(codecs::ReadIco(std::string_view("\0\0\1\0\0\0", 6)));
}

}  // namespace
