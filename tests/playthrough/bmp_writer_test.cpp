// The screenshot writer: what it writes reads back through the game's own BMP reader, pixel for pixel.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "harness/bmp_writer.h"
#include "platform/bmp.h"
#include "platform/image.h"

namespace {

TEST(BmpWriter, PicturesOfEveryRowPaddingReadBackAsWritten) {
  for (const auto& [width, height] : {std::pair{1, 1}, {2, 3}, {3, 2}, {5, 4}, {800, 600}}) {
    std::vector<uint32_t> argb;
    for (int i = 0; i < width * height; ++i)
      argb.push_back(0xFF000000u | (static_cast<uint32_t>(i) * 2654435761u >> 8));
    const std::vector<uint8_t> file = bmp::Encode(argb, width, height);
    plat::image::Image image;
    std::string error;
    ASSERT_TRUE(plat::image::DecodeBmp(file, image, &error)) << width << "x" << height << ": " << error;
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    EXPECT_EQ(image.argb, argb) << width << "x" << height;
  }
}

TEST(BmpWriter, SizesThatDoNotMatchThePixelsWriteNothing) {
  const std::vector<uint32_t> four(4, 0xFFFFFFFF);
  for (const auto& [width, height] : {std::pair{2, 3}, {0, 4}, {4, 0}, {-2, -2}})
    EXPECT_TRUE(bmp::Encode(four, width, height).empty()) << width << "x" << height;
  EXPECT_FALSE(bmp::Write("/nonexistent-folder/shot.bmp", four, 2, 2));
}

}  // namespace
