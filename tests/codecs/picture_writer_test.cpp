// The BMP writer read back by our readers and by an independent one, and
// the reader that picks the format by signature.

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "codecs/bmp_reader.h"
#include "codecs/bmp_writer.h"
#include "codecs/picture_reader.h"
#include "codecs/skin_bitmap.h"
#include "tests/codecs/picture_test_bytes.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace {

using codecs::Bitmap;
using testsupport::RunCommand;
using testsupport::ShellQuote;
using testsupport::TempDir;

Bitmap Sample(int width, int height) {
  Bitmap b;
  b.width = width;
  b.height = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.pixels.push_back(0xFF000000u | (x * 40) << 16 | (y * 50) << 8 | (x ^ y) * 9);
  return b;
}

TEST(BmpWriter, OutputReadsBackInEveryReader) {
  TempDir dir;
  for (int width : {1, 2, 3, 4, 5}) {  // every row padding
    SCOPED_TRACE(width);
    const Bitmap in = Sample(width, 3);
    const std::string path = dir.file("out.bmp");
    std::string error;
    ASSERT_TRUE(codecs::WriteBmpFile(in, path, &error)) << error;

    // Our general reader, the skin rule the client applies to stored
    // pictures, and the signature dispatcher all see the same pixels.
    const std::string bytes = TempDir::read(path);
    for (const std::optional<Bitmap>& out :
         {codecs::ReadBmp(bytes), codecs::DecodeSkinBitmap(bytes), codecs::ReadPictureFile(path)}) {
      ASSERT_TRUE(out);
      EXPECT_EQ(out->width, in.width);
      EXPECT_EQ(out->height, in.height);
      EXPECT_EQ(out->pixels, in.pixels);
    }

    // An independent reader: header fields and rows parsed with Python's struct.
    const auto dump = RunCommand(std::string(testsupport::kPython) + " " +
                                 ShellQuote(testsupport::SupportDir() + "/bmp_dump.py") + " " + ShellQuote(path));
    ASSERT_EQ(dump.exitCode, 0);
    std::ostringstream expected;
    const int stride = (width * 3 + 3) / 4 * 4;
    expected << 54 + stride * 3 << " 54 40 " << width << " 3 1 24 0 " << stride * 3 << "\n";
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < width; ++x) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%06X", in.At(x, y) & 0xFFFFFF);
        expected << (x ? " " : "") << hex;
      }
      expected << "\n";
    }
    EXPECT_EQ(dump.output, expected.str());
  }
}

TEST(BmpWriter, TransparencyBlendsOverMatteAndBadInputIsRefused) {
  Bitmap b;
  b.width = 3;
  b.height = 1;
  b.pixels = {codecs::kTransparentPixel, 0x80FF0000u, 0xFF0000FFu};
  std::optional<Bitmap> black = codecs::ReadBmp(codecs::EncodeBmp(b));
  std::optional<Bitmap> white = codecs::ReadBmp(codecs::EncodeBmp(b, 0xFFFFFF));
  ASSERT_TRUE(black && white);
  EXPECT_EQ(black->pixels, (std::vector<uint32_t>{0xFF000000u, 0xFF800000u, 0xFF0000FFu}));
  EXPECT_EQ(white->pixels, (std::vector<uint32_t>{0xFFFFFFFFu, 0xFFFF7F7Fu, 0xFF0000FFu}));

  Bitmap mismatched = b;
  mismatched.pixels.pop_back();
  EXPECT_TRUE(codecs::EncodeBmp(mismatched).empty());
  EXPECT_TRUE(codecs::EncodeBmp(Bitmap{}).empty());

  TempDir dir;
  std::string error;
  EXPECT_FALSE(codecs::WriteBmpFile(b, dir.file("missing/folder/x.bmp"), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(codecs::WriteBmpFile(mismatched, dir.file("x.bmp")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("x.bmp")));
}

TEST(PictureReader, FormatComesFromTheBytesNotTheName) {
  TempDir dir;
  picturetest::Dib d;
  d.width = 1;
  d.height = 1;
  d.values = {0x102030};
  // A BMP named .jpg under a Chinese folder name (UTF-8 path).
  const std::string path = dir.write("图像/picture.jpg", picturetest::BmpFile(d));
  std::optional<Bitmap> b = codecs::ReadPictureFile(path);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->At(0, 0), 0xFF102030u);
  EXPECT_EQ(codecs::DetectPictureFormat("GIF87a...."), codecs::PictureFormat::Gif);
  EXPECT_EQ(codecs::DetectPictureFormat("\xFF\xD8\xFF\xE0"), codecs::PictureFormat::Jpeg);
  EXPECT_EQ(codecs::DetectPictureFormat(std::string_view("\0\0\1\0\1\0", 6)), codecs::PictureFormat::Ico);

  std::string error;
  EXPECT_FALSE(codecs::ReadPictureFile(dir.write("a.png", "\x89PNG\r\n\x1A\n rest"), &error));
  EXPECT_NE(error.find("PNG"), std::string::npos);
  EXPECT_FALSE(codecs::ReadPictureFile(dir.write("a.txt", "hello"), &error));
  EXPECT_FALSE(codecs::ReadPictureFile(dir.file("absent.bmp"), &error));
  EXPECT_NE(error.find("absent.bmp"), std::string::npos);
}

}  // namespace
