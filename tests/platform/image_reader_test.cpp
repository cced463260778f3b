// The BMP and JPEG readers: the BMP kinds read and refused, JPEG size limits, truncation and reasons that
// belong to the file at hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "images.h"
#include "platform/bmp.h"
#include "platform/image.h"
#include "platform/jpeg.h"

using plat::image::Image;

namespace {

void Put(std::vector<uint8_t>& out, size_t at, uint32_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) out[at + size_t(k)] = uint8_t(v >> (8 * k));
}

struct BmpHeader {
  int32_t width = 2, height = 2;
  uint32_t bits = 24, compression = 0, infoSize = 40;
};

// A BMP with the given header over `pixels`, the pixel data right after the headers.
std::vector<uint8_t> Bmp(const BmpHeader& h, const std::vector<uint8_t>& pixels) {
  std::vector<uint8_t> out(14 + h.infoSize, 0);
  out[0] = 'B', out[1] = 'M';
  Put(out, 2, uint32_t(out.size() + pixels.size()), 4);
  Put(out, 10, 14 + h.infoSize, 4);
  Put(out, 14, h.infoSize, 4);
  if (h.infoSize >= 40) {
    Put(out, 18, uint32_t(h.width), 4);
    Put(out, 22, uint32_t(h.height), 4);
    Put(out, 26, 1, 2);
    Put(out, 28, h.bits, 2);
    Put(out, 30, h.compression, 4);
  }
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

std::string Lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// ---------------------------------------------------------------------------------------------------------
// BMP

TEST(BmpReaderTest, TopDownAnd32BitRowsAndLongerHeadersDecode) {
  // Top-down 24-bit, 2 wide: 6 bytes a row padded to 8; the first stored row is the top one.
  const Image topDown = [] {
    Image image;
    std::string error;
    EXPECT_TRUE(plat::image::DecodeBmp(
        Bmp({.width = 2, .height = -2}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}), image, &error))
        << error;
    return image;
  }();
  EXPECT_EQ(topDown.argb, (std::vector<uint32_t>{0xFF030201, 0xFF060504, 0xFF090807, 0xFF0C0B0A}));

  // 32-bit bottom-up: the fourth byte is unused, the pixels are opaque; the bottom row is stored first.
  Image image;
  std::string error;
  ASSERT_TRUE(plat::image::DecodeBmp(Bmp({.width = 1, .height = 2, .bits = 32}, {1, 2, 3, 0x40, 4, 5, 6, 0}),
                                     image, &error))
      << error;
  EXPECT_EQ(image.argb, (std::vector<uint32_t>{0xFF060504, 0xFF030201}));

  // The 124-byte header of newer writers extends the 40-byte one.
  ASSERT_TRUE(
      plat::image::DecodeBmp(Bmp({.width = 1, .height = 1, .infoSize = 124}, {9, 8, 7, 0}), image, &error))
      << error;
  EXPECT_EQ(image.argb, std::vector<uint32_t>{0xFF070809});
}

TEST(BmpReaderTest, OtherKindsAndDamagedHeadersFailWithTheirReason) {
  const std::vector<uint8_t> pixels(64, 0x55);
  struct Case {
    BmpHeader header;
    const char* reason;
  };
  const Case cases[] = {
      {{.bits = 8}, "8-bit BMP not supported"},
      {{.bits = 16}, "16-bit BMP not supported"},
      {{.compression = 1}, "BMP compression 1 not supported"},
      {{.bits = 32, .compression = 3}, "BMP compression 3 not supported"},
      {{.infoSize = 12}, "info header of 12 bytes"},
      {{.width = 0}, "out of range"},
      {{.width = -2}, "out of range"},
      {{.height = 0}, "out of range"},
      {{.height = 16385}, "out of range"},
      {{.height = INT32_MIN}, "out of range"},
      {{.width = 16, .height = 2}, "pixel data truncated"},
  };
  for (const Case& c : cases) {
    Image image;
    std::string error;
    EXPECT_FALSE(plat::image::DecodeBmp(Bmp(c.header, pixels), image, &error)) << c.reason;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.reason << " / " << error;
  }
  std::vector<uint8_t> offsetInsideHeader = Bmp({}, pixels);
  Put(offsetInsideHeader, 10, 20, 4);
  std::string error;
  Image image;
  EXPECT_FALSE(plat::image::DecodeBmp(offsetInsideHeader, image, &error));
  EXPECT_NE(error.find("inside the header"), std::string::npos) << error;
}

// ---------------------------------------------------------------------------------------------------------
// JPEG

// The generator's JPEG with its frame header (SOF0) saying another size.
std::vector<uint8_t> JpegClaiming(uint16_t width, uint16_t height) {
  std::vector<uint8_t> file = assetgen::EncodeJpeg(assetgen::Picture(16, 16, 0xFF808080), 90);
  for (size_t i = 0; i + 9 < file.size(); ++i) {
    if (file[i] == 0xFF && file[i + 1] == 0xC0) {
      file[i + 5] = uint8_t(height >> 8), file[i + 6] = uint8_t(height);
      file[i + 7] = uint8_t(width >> 8), file[i + 8] = uint8_t(width);
      return file;
    }
  }
  ADD_FAILURE() << "no frame header";
  return file;
}

TEST(JpegReaderTest, OversizedOrDamagedFilesFailWithTheirOwnReason) {
  struct Case {
    std::vector<uint8_t> file;
    const char* reason;
  };
  const std::vector<uint8_t> good = assetgen::EncodeJpeg(assetgen::Picture(16, 16, 0xFF808080), 90);
  const Case cases[] = {
      {JpegClaiming(16385, 16), "too large"},
      {JpegClaiming(4096, 4097), "too large"},      // each side allowed, the pixel count not
      {JpegClaiming(4096, 4096), "Premature end"},  // allowed, but the data for it is missing
      {std::vector<uint8_t>(good.begin(), good.end() - 40), "Premature end"},
      {{0xFF, 0xD8, 0xFF, 0xD9}, "no image"},
  };
  // Each failure gives its own file's reason, whatever failed before it.
  for (const Case& c : cases) {
    Image image;
    std::string error;
    EXPECT_FALSE(plat::image::DecodeJpeg(c.file, image, &error)) << c.reason;
    EXPECT_NE(Lower(error).find(Lower(c.reason)), std::string::npos) << c.reason << " / " << error;
  }
}

TEST(JpegReaderTest, TruncatedJpegAlwaysFails) {
  const std::vector<uint8_t> file = assetgen::EncodeJpeg(assetgen::Picture(16, 8, 0xFF808080), 90);
  for (size_t length = 0; length < file.size(); ++length) {
    Image image;
    std::string error;
    EXPECT_FALSE(plat::image::Decode(
        std::vector<uint8_t>(file.begin(), file.begin() + std::ptrdiff_t(length)), image, &error))
        << length;
    EXPECT_FALSE(error.empty()) << length;
  }
}

}  // namespace
