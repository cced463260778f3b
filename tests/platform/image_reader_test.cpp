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

TEST(BmpReaderTest, TopDownAnd32BitRowsAndLongerHeadersDecode) {
  const struct {
    const char* what;
    std::vector<uint8_t> file;
    std::vector<uint32_t> argb;
  } cases[] = {
      {"top-down 24-bit: rows padded to 4 bytes, the top one first",
       Bmp({.width = 2, .height = -2}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}),
       {0xFF030201, 0xFF060504, 0xFF090807, 0xFF0C0B0A}},
      {"32-bit bottom-up: the fourth byte unused, the bottom row first",
       Bmp({.width = 1, .height = 2, .bits = 32}, {1, 2, 3, 0x40, 4, 5, 6, 0}),
       {0xFF060504, 0xFF030201}},
      {"the 124-byte header of newer writers",
       Bmp({.width = 1, .height = 1, .infoSize = 124}, {9, 8, 7, 0}),
       {0xFF070809}},
  };
  for (const auto& c : cases) {
    Image image;
    std::string error;
    EXPECT_TRUE(plat::image::DecodeBmp(c.file, image, &error)) << c.what << ": " << error;
    EXPECT_EQ(image.argb, c.argb) << c.what;
  }
}

TEST(BmpReaderTest, OtherKindsAndDamagedHeadersFailWithTheirReason) {
  const std::vector<uint8_t> pixels(64, 0x55);
  std::vector<uint8_t> offsetInsideHeader = Bmp({}, pixels);
  Put(offsetInsideHeader, 10, 20, 4);
  const struct {
    std::vector<uint8_t> file;
    const char* reason;
  } cases[] = {
      {Bmp({.bits = 8}, pixels), "8-bit BMP not supported"},
      {Bmp({.bits = 16}, pixels), "16-bit BMP not supported"},
      {Bmp({.compression = 1}, pixels), "BMP compression 1 not supported"},
      {Bmp({.bits = 32, .compression = 3}, pixels), "BMP compression 3 not supported"},
      {Bmp({.infoSize = 12}, pixels), "info header of 12 bytes"},
      {Bmp({.width = 0}, pixels), "out of range"},
      {Bmp({.width = -2}, pixels), "out of range"},
      {Bmp({.height = 0}, pixels), "out of range"},
      {Bmp({.height = 16385}, pixels), "out of range"},
      {Bmp({.height = INT32_MIN}, pixels), "out of range"},
      {Bmp({.width = 16, .height = 2}, pixels), "pixel data truncated"},
      {offsetInsideHeader, "inside the header"},
  };
  for (const auto& c : cases) {
    Image image;
    std::string error;
    EXPECT_FALSE(plat::image::DecodeBmp(c.file, image, &error)) << c.reason;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.reason << " / " << error;
  }
}

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

TEST(JpegReaderTest, OversizedDamagedOrTruncatedFilesFailWithTheirOwnReason) {
  struct Case {
    std::vector<uint8_t> file;
    const char* reason;
  };
  const Case cases[] = {
      {JpegClaiming(16385, 16), "too large"},
      {JpegClaiming(4096, 4097), "too large"},      // each side allowed, the pixel count not
      {JpegClaiming(4096, 4096), "Premature end"},  // allowed, but the data for it is missing
      {{0xFF, 0xD8, 0xFF, 0xD9}, "no image"},
  };
  // Each failure gives its own file's reason, whatever failed before it.
  for (const Case& c : cases) {
    Image image;
    std::string error;
    EXPECT_FALSE(plat::image::DecodeJpeg(c.file, image, &error)) << c.reason;
    EXPECT_NE(Lower(error).find(Lower(c.reason)), std::string::npos) << c.reason << " / " << error;
  }
  // Cut anywhere, a JPEG fails with a reason.
  const std::vector<uint8_t> file = assetgen::EncodeJpeg(assetgen::Picture(16, 8, 0xFF808080), 90);
  for (size_t length = 0; length < file.size(); ++length) {
    Image image;
    std::string error;
    EXPECT_FALSE(plat::image::Decode({file.begin(), file.begin() + std::ptrdiff_t(length)}, image, &error))
        << length;
    EXPECT_FALSE(error.empty()) << length;
  }
}

}  // namespace
