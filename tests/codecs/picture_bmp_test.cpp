// The general BMP reader and the skin's own BMP rule, on files built here.

#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "codecs/bmp_reader.h"
#include "codecs/skin_bitmap.h"
#include "tests/codecs/picture_test_bytes.h"

namespace {

using codecs::Bitmap;
using picturetest::BmpFile;
using picturetest::Dib;
using picturetest::Put32;

uint32_t Opaque(uint32_t rgb) { return 0xFF000000u | rgb; }

std::vector<uint32_t> MakePalette(int count) {
  std::vector<uint32_t> p;
  for (int i = 0; i < count; ++i) p.push_back(((i * 37) & 0xFF) << 16 | ((i * 91) & 0xFF) << 8 | ((i * 13 + 5) & 0xFF));
  return p;
}

// Both readers must give the expected pixels for a well-formed 40-byte file.
void ExpectBothRead(const std::string& file, int width, int height,
                    const std::function<uint32_t(int, int)>& expected) {
  std::string error;
  for (auto read : {&codecs::ReadBmp, &codecs::DecodeSkinBitmap}) {
    const std::optional<Bitmap> b = read(file, &error);
    ASSERT_TRUE(b) << error;
    ASSERT_EQ(b->width, width);
    ASSERT_EQ(b->height, height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        ASSERT_EQ(b->At(x, y), expected(x, y)) << "pixel " << x << "," << y;
  }
}

TEST(BmpReader, PaletteDepthsBottomUpAndTopDown) {
  for (int bits : {1, 4, 8}) {
    for (bool topDown : {false, true}) {
      SCOPED_TRACE(::testing::Message() << bits << " bits, top-down " << topDown);
      Dib d;
      d.width = 5;  // odd: every depth needs row padding
      d.height = topDown ? -3 : 3;
      d.bitCount = static_cast<uint16_t>(bits);
      d.palette = MakePalette(1 << bits);
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) d.values.push_back((x * 7 + y * 3) % (1 << bits));
      ExpectBothRead(BmpFile(d), 5, 3, [&](int x, int y) {
        return Opaque(d.palette[(x * 7 + y * 3) % (1 << bits)]);
      });
    }
  }
}

TEST(BmpReader, ShortColourTableAndIndexPastItReadsBlack) {
  Dib d;
  d.width = 3;
  d.height = 1;
  d.bitCount = 8;
  d.clrUsed = 2;
  d.palette = {0x112233, 0x445566};
  d.values = {1, 0, 200};
  ExpectBothRead(BmpFile(d), 3, 1, [](int x, int) {
    return Opaque(x == 0 ? 0x445566 : x == 1 ? 0x112233 : 0);
  });
}

TEST(BmpReader, DirectColourDepthsAndMasks) {
  struct Case {
    uint16_t bits;
    uint32_t compression;
    std::vector<uint32_t> masks;
    std::vector<uint32_t> values;
    std::vector<uint32_t> expected;
  };
  const std::vector<Case> cases = {
      {24, 0, {}, {0x0000FF, 0x123456, 0xFFFFFF}, {0x0000FF, 0x123456, 0xFFFFFF}},
      // 5-5-5: a 5-bit 16 scales to 132.
      {16, 0, {}, {0x7FFF, 0x7C00, 0x0210}, {0xFFFFFF, 0xFF0000, 0x008484}},
      // 5-6-5 from bit fields: a 6-bit 1 scales to 4.
      {16, 3, {0xF800, 0x07E0, 0x001F}, {0xF800, 0x07E0, 0x0020}, {0xFF0000, 0x00FF00, 0x000400}},
      // The top byte of an uncompressed 32-bit pixel is unused.
      {32, 0, {}, {0x12345678, 0x00FF0000, 0xFF000001}, {0x345678, 0xFF0000, 0x000001}},
      {32, 3, {0x000000FF, 0x0000FF00, 0x00FF0000}, {0x00332211, 0xFF0000FF, 0}, {0x112233, 0xFF0000, 0}},
  };
  for (const Case& c : cases) {
    for (bool topDown : {false, true}) {
      SCOPED_TRACE(::testing::Message() << c.bits << " bits, compression " << c.compression);
      Dib d;
      d.width = 3;
      d.height = topDown ? -2 : 2;
      d.bitCount = c.bits;
      d.compression = c.compression;
      d.masks = c.masks;
      d.values = c.values;
      d.values.insert(d.values.end(), c.values.rbegin(), c.values.rend());  // second row mirrored
      ExpectBothRead(BmpFile(d), 3, 2, [&](int x, int y) {
        return Opaque(c.expected[y == 0 ? x : 2 - x]);
      });
    }
  }
}

TEST(BmpReader, OldCoreHeaderAndLongerHeaderUseTheirOwnLayout) {
  Dib core;
  core.headerSize = 12;
  core.width = 2;
  core.height = 1;
  core.bitCount = 4;
  core.palette = MakePalette(16);
  core.values = {15, 3};
  std::optional<Bitmap> b = codecs::ReadBmp(BmpFile(core));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->At(0, 0), Opaque(core.palette[15]));
  EXPECT_EQ(b->At(1, 0), Opaque(core.palette[3]));

  Dib v4;
  v4.headerSize = 108;
  v4.width = 1;
  v4.height = 1;
  v4.values = {0xABCDEF};
  b = codecs::ReadBmp(BmpFile(v4));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->At(0, 0), Opaque(0xABCDEF));
}

TEST(SkinBitmap, RowsFollowBitCountAndColourCountNotTheFileHeader) {
  // A pixel offset in the file header that points nowhere: the skin rule
  // never looks at it, the general reader does and refuses.
  Dib d;
  d.width = 2;
  d.height = 2;
  d.bitCount = 8;
  d.clrUsed = 3;
  d.palette = {0xFF0000, 0x00FF00, 0x0000FF};
  d.values = {0, 1, 2, 0};
  const std::string file = BmpFile(d, 0xFFFF);
  EXPECT_FALSE(codecs::ReadBmp(file));
  std::optional<Bitmap> b = codecs::DecodeSkinBitmap(file);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->pixels, (std::vector<uint32_t>{Opaque(0xFF0000), Opaque(0x00FF00), Opaque(0x0000FF),
                                              Opaque(0xFF0000)}));

  // Above 8 bits a colour table of biClrUsed entries still comes first.
  Dib rgb;
  rgb.width = 1;
  rgb.height = 1;
  rgb.clrUsed = 2;
  rgb.palette = {0x111111, 0x222222};
  rgb.values = {0x0A0B0C};
  b = codecs::DecodeSkinBitmap(BmpFile(rgb, 0xFFFF));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->At(0, 0), Opaque(0x0A0B0C));
}

// Each mutation of a sound 8-bit file must be refused without reading
// outside the bytes (run under AddressSanitizer or valgrind to see the
// difference). The general reader takes the rows from the file header's
// pixel offset, so a colour count past the table does not stop it.
TEST(SkinBitmap, MalformedHeadersGiveNoBitmap) {
  Dib d;
  d.width = 4;
  d.height = 2;
  d.bitCount = 8;
  d.palette = MakePalette(256);
  d.values.assign(8, 7);
  const std::string good = BmpFile(d);
  ASSERT_TRUE(codecs::DecodeSkinBitmap(good));

  const std::vector<std::pair<const char*, std::function<void(std::string&)>>> mutations = {
      {"huge biClrUsed", [](std::string& s) { Put32(s, 46, 0xFFFFFFFFu); }},
      {"biClrUsed whose table wraps 32 bits", [](std::string& s) { Put32(s, 46, 0x40000000u); }},
      {"colour table past the end", [](std::string& s) { Put32(s, 46, 300); }},
      {"not BM", [](std::string& s) { s[1] = 'X'; }},
      {"zero width", [](std::string& s) { Put32(s, 18, 0); }},
      {"negative width", [](std::string& s) { Put32(s, 18, static_cast<uint32_t>(-4)); }},
      {"zero height", [](std::string& s) { Put32(s, 22, 0); }},
      {"most negative height", [](std::string& s) { Put32(s, 22, 0x80000000u); }},
      {"width x height overflows", [](std::string& s) { Put32(s, 18, INT_MAX); Put32(s, 22, INT_MAX); }},
      {"rows past the buffer", [](std::string& s) { Put32(s, 18, 60000); Put32(s, 22, 2000); }},
      {"one row too many", [](std::string& s) { Put32(s, 22, 3); }},
      {"bit count 2", [](std::string& s) { s[28] = 2; }},
      {"bit count 0", [](std::string& s) { s[28] = 0; }},
      {"run-length compression", [](std::string& s) { Put32(s, 30, 1); }},
      {"bit fields on 8 bits", [](std::string& s) { Put32(s, 30, 3); }},
  };
  const size_t skinOnly = 3;
  for (size_t i = 0; i < mutations.size(); ++i) {
    std::string bad = good;
    mutations[i].second(bad);
    EXPECT_FALSE(codecs::DecodeSkinBitmap(bad)) << mutations[i].first;
    if (i >= skinOnly) {
      EXPECT_FALSE(codecs::ReadBmp(bad)) << mutations[i].first;
    }
  }
  // A 24-bit file whose biClrUsed pushes the rows to 54 + 4 * 2^30.
  Dib rgb;
  rgb.width = 1;
  rgb.height = 1;
  rgb.values = {0};
  std::string wrap = BmpFile(rgb);
  Put32(wrap, 46, 0x40000000u);
  EXPECT_FALSE(codecs::DecodeSkinBitmap(wrap));

  std::string error;
  for (size_t n = 0; n < good.size(); ++n) {
    const std::string_view prefix(good.data(), n);
    EXPECT_FALSE(codecs::DecodeSkinBitmap(prefix, &error)) << "truncated to " << n;
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(codecs::ReadBmp(prefix)) << "truncated to " << n;
  }
}

}  // namespace
