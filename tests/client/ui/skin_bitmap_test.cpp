#include "client/ui/skin_bitmap.h"

#include <gtest/gtest.h>

#include <map>

#include "codecs/bmp_writer.h"
#include "common/gbk.h"

namespace {

class SkinBitmapTest : public ::testing::Test {
 protected:
  QImage Load(std::string_view name) {
    return ui::LoadSkinBitmap(
        [this](std::string_view member) -> std::optional<std::string> {
          auto it = members.find(std::string(member));
          if (it == members.end()) return std::nullopt;
          return it->second;
        },
        [this](std::string_view line) { log.emplace_back(line); }, name);
  }

  std::map<std::string, std::string> members;
  std::vector<std::string> log;
};

TEST_F(SkinBitmapTest, DecodesAMemberPixelForPixel) {
  codecs::Bitmap bitmap;
  bitmap.width = 3;
  bitmap.height = 2;
  bitmap.pixels = {codecs::OpaqueRgb(255, 0, 0), codecs::OpaqueRgb(0, 255, 0),
                   codecs::OpaqueRgb(0, 0, 255), codecs::OpaqueRgb(255, 255, 255),
                   codecs::OpaqueRgb(0, 0, 0), codecs::OpaqueRgb(12, 34, 56)};
  members["res\\a.bmp"] = codecs::EncodeBmp(bitmap);
  QImage image = Load("res\\a.bmp");
  ASSERT_EQ(image.size(), QSize(3, 2));
  EXPECT_EQ(image.pixelColor(0, 0), QColor(255, 0, 0));
  EXPECT_EQ(image.pixelColor(2, 0), QColor(0, 0, 255));
  EXPECT_EQ(image.pixelColor(0, 1), QColor(255, 255, 255));
  EXPECT_EQ(image.pixelColor(2, 1), QColor(12, 34, 56));
  EXPECT_TRUE(log.empty());
}

TEST_F(SkinBitmapTest, MissingMemberIsLoggedOtherFailuresAreNot) {
  EXPECT_TRUE(Load("res\\none.bmp").isNull());
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], common::Utf8ToGbk("没有找到图像文件：") + "res\\none.bmp");
  members["res\\gif.bmp"] = "GIF89a....";
  // A header that claims more rows than the bytes hold.
  std::string truncated = "BM" + std::string(52, '\0');
  truncated[18] = 100;  // width
  truncated[22] = 100;  // height
  truncated[28] = 24;   // bits
  members["res\\cut.bmp"] = truncated;
  EXPECT_TRUE(Load("res\\gif.bmp").isNull());
  EXPECT_TRUE(Load("res\\cut.bmp").isNull());
  EXPECT_EQ(log.size(), 1u);
}

}  // namespace
