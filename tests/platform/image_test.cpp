// Image loading: BMP, JPEG and DDS decoding (hand-built DXT blocks included), malformed input, colour keys,
// power-of-two resampling, mip chains, texture creation from game paths, and the generator's art and writer.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "harness/capturing_device.h"
#include "images.h"
#include "platform/files.h"
#include "platform/gpu.h"
#include "platform/image.h"
#include "scratch_assets_support.h"

namespace fs = std::filesystem;
using assetgen::Picture;
using plat::image::Image;

namespace {

Picture MakePicture(int w, int h, std::initializer_list<uint32_t> pixels) {
  Picture p(w, h, 0);
  p.argb.assign(pixels);
  return p;
}

Image MakeImage(int w, int h, std::vector<uint32_t> pixels) {
  Image image;
  image.width = w;
  image.height = h;
  image.argb = std::move(pixels);
  return image;
}

Image MustDecode(const std::vector<uint8_t>& bytes) {
  Image image;
  std::string error;
  EXPECT_TRUE(plat::image::Decode(bytes, image, &error)) << error;
  return image;
}

std::string DecodeError(const std::vector<uint8_t>& bytes) {
  Image image;
  std::string error;
  EXPECT_FALSE(plat::image::Decode(bytes, image, &error));
  EXPECT_FALSE(error.empty());
  return error;
}

void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) out[at + size_t(k)] = uint8_t(v >> (8 * k));
}

constexpr uint32_t kRgbFlag = 0x40, kAlphaFlag = 0x1, kFourCCFlag = 0x4;
constexpr uint32_t FourCC(const char (&s)[5]) {
  return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
         uint32_t(uint8_t(s[3])) << 24;
}

// A DDS header with the given pixel format, followed by `data`.
std::vector<uint8_t> Dds(uint32_t w, uint32_t h, uint32_t pfFlags, uint32_t fourCC, uint32_t bits, uint32_t r,
                         uint32_t g, uint32_t b, uint32_t a, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out(128, 0);
  out[0] = 'D', out[1] = 'D', out[2] = 'S', out[3] = ' ';
  PutU32(out, 4, 124);
  PutU32(out, 8, 0x100F);
  PutU32(out, 12, h);
  PutU32(out, 16, w);
  PutU32(out, 76, 32);
  PutU32(out, 80, pfFlags);
  PutU32(out, 84, fourCC);
  PutU32(out, 88, bits);
  PutU32(out, 92, r);
  PutU32(out, 96, g);
  PutU32(out, 100, b);
  PutU32(out, 104, a);
  PutU32(out, 108, 0x1000);
  out.insert(out.end(), data.begin(), data.end());
  return out;
}
std::vector<uint8_t> Dxt(const char (&fourCC)[5], uint32_t w, uint32_t h,
                         const std::vector<uint8_t>& blocks) {
  return Dds(w, h, kFourCCFlag, FourCC(fourCC), 0, 0, 0, 0, 0, blocks);
}

// An 8-byte DXT colour block: two RGB565 end points, then 2-bit indices, texel i (row-major) at bits 2i.
std::vector<uint8_t> ColourBlock(uint16_t c0, uint16_t c1, const std::vector<int>& indices) {
  uint32_t bits = 0;
  for (size_t i = 0; i < 16; ++i) bits |= uint32_t(indices[i]) << (2 * i);
  return {uint8_t(c0),   uint8_t(c0 >> 8),   uint8_t(c1),         uint8_t(c1 >> 8),
          uint8_t(bits), uint8_t(bits >> 8), uint8_t(bits >> 16), uint8_t(bits >> 24)};
}
std::vector<int> EachTexel(int (*index)(int)) {
  std::vector<int> out;
  for (int i = 0; i < 16; ++i) out.push_back(index(i));
  return out;
}
std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

constexpr uint16_t kRed565 = 0xF800, kBlue565 = 0x001F, kWhite565 = 0xFFFF, kBlack565 = 0x0000;

// ---------------------------------------------------------------------------------------------------------
// BMP and JPEG

TEST(ImageDecodeTest, Bmp24BottomUpWithRowPaddingDecodesOpaqueTopRowFirst) {
  // Three pixels a row: 9 bytes padded to 12, so a reader that ignores padding shifts the second row.
  const Picture picture = MakePicture(3, 2,
                                      {0xFF102030, 0xFFFF0000, 0xFF00FF00,  //
                                       0xFF0000FF, 0xFFFFFFFF, 0xFF000000});
  const std::vector<uint8_t> bytes = assetgen::EncodeBmp24(picture);
  ASSERT_EQ(bytes.size(), 54u + 2 * 12);
  const Image image = MustDecode(bytes);
  ASSERT_EQ(std::pair(image.width, image.height), std::pair(3, 2));
  EXPECT_EQ(image.argb, picture.argb);
  // Alpha is dropped: the pixel comes back opaque.
  EXPECT_EQ(MustDecode(assetgen::EncodeBmp24(MakePicture(1, 1, {0x20ABCDEF}))).argb,
            std::vector<uint32_t>{0xFFABCDEF});
}

TEST(ImageDecodeTest, JpegDecodesToApproximateColours) {
  // Four 8x8 quadrants of solid colour: each aligns with a JPEG block, so colours come back close.
  Picture picture(16, 16, 0);
  picture.FillRect(0, 0, 8, 8, 0xFFFF0000);
  picture.FillRect(8, 0, 8, 8, 0xFF00FF00);
  picture.FillRect(0, 8, 8, 8, 0xFF0000FF);
  picture.FillRect(8, 8, 8, 8, 0xFFFFFFFF);
  const std::vector<uint8_t> bytes = assetgen::EncodeJpeg(picture, 95);
  const Image image = MustDecode(bytes);
  ASSERT_EQ(std::pair(image.width, image.height), std::pair(16, 16));
  const auto near = [](uint32_t got, uint32_t want) {
    for (int shift = 0; shift < 24; shift += 8)
      if (std::abs(int((got >> shift) & 0xFF) - int((want >> shift) & 0xFF)) > 24) return false;
    return (got >> 24) == 0xFF;
  };
  for (auto [x, y, want] :
       {std::tuple{3, 3, 0xFFFF0000u}, {12, 3, 0xFF00FF00u}, {3, 12, 0xFF0000FFu}, {12, 12, 0xFFFFFFFFu}})
    EXPECT_TRUE(near(image.argb[size_t(y * 16 + x)], want))
        << x << "," << y << ": " << std::hex << image.argb[size_t(y * 16 + x)];
}

TEST(ImageDecodeTest, FormatIsToldByContentNotName) {
  EXPECT_NE(DecodeError({}).find("empty"), std::string::npos);
  EXPECT_NE(DecodeError({'P', 'N', 'G', 0}).find("unknown image format"), std::string::npos);
  EXPECT_NE(DecodeError({'B'}).find("unknown image format"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------------------
// DDS, uncompressed

TEST(DdsDecodeTest, UncompressedLayoutsDecodeExactly) {
  // A8R8G8B8 from the generator keeps alpha.
  const Picture picture = MakePicture(2, 2, {0x00000000, 0x80FF8000, 0xFF123456, 0x01020304});
  const std::vector<uint8_t> argb = assetgen::EncodeDdsArgb32(picture);
  ASSERT_EQ(argb.size(), 128u + 16);
  const Image image = MustDecode(argb);
  ASSERT_EQ(std::pair(image.width, image.height), std::pair(2, 2));
  EXPECT_EQ(image.argb, picture.argb);

  // X8R8G8B8 ignores the unused byte; an alpha mask without the alpha flag is not alpha either.
  EXPECT_EQ(MustDecode(Dds(2, 1, kRgbFlag, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0,
                           {0x56, 0x34, 0x12, 0x00, 0x03, 0x02, 0x01, 0x7F}))
                .argb,
            (std::vector<uint32_t>{0xFF123456, 0xFF010203}));
  EXPECT_EQ(
      MustDecode(Dds(1, 1, kRgbFlag, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, {0x56, 0x34, 0x12, 0x00}))
          .argb,
      std::vector<uint32_t>{0xFF123456});

  // R8G8B8 3x2: 9-byte rows, no padding to 4.
  EXPECT_EQ(MustDecode(Dds(3, 2, kRgbFlag, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0,
                           {0x03, 0x02, 0x01, 0x06, 0x05, 0x04, 0x09, 0x08, 0x07,  //
                            0x0C, 0x0B, 0x0A, 0x0F, 0x0E, 0x0D, 0xFF, 0xFF, 0xFF}))
                .argb,
            (std::vector<uint32_t>{0xFF010203, 0xFF040506, 0xFF070809, 0xFF0A0B0C, 0xFF0D0E0F, 0xFFFFFFFF}));

  // R5G6B5 widens by bit replication: 10000/100000/10000 becomes 0x84, 0x82, 0x84.
  EXPECT_EQ(MustDecode(Dds(4, 1, kRgbFlag, 0, 16, 0xF800, 0x07E0, 0x001F, 0,
                           {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x10, 0x84}))
                .argb,
            (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF848284}));
  // A1R5G5B5: the top bit is all or nothing.
  EXPECT_EQ(MustDecode(Dds(2, 1, kRgbFlag | kAlphaFlag, 0, 16, 0x7C00, 0x03E0, 0x001F, 0x8000,
                           {0x00, 0xFC, 0xE0, 0x03}))
                .argb,
            (std::vector<uint32_t>{0xFFFF0000, 0x0000FF00}));
}

// ---------------------------------------------------------------------------------------------------------
// DDS, block compressed

TEST(DdsDecodeTest, Dxt1BlocksInterpolateInFourAndThreeColourModes) {
  // c0 red > c1 blue: four colours in thirds; texel i takes index i % 4.
  const Image four =
      MustDecode(Dxt("DXT1", 4, 4, ColourBlock(kRed565, kBlue565, EachTexel([](int i) { return i % 4; }))));
  ASSERT_EQ(four.argb.size(), 16u);
  const uint32_t fourColours[4] = {0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(four.argb[size_t(i)], fourColours[i % 4]) << i;
  // c0 blue < c1 red: the midpoint, then transparent black.
  const Image three =
      MustDecode(Dxt("DXT1", 4, 4, ColourBlock(kBlue565, kRed565, EachTexel([](int i) { return i % 4; }))));
  const uint32_t threeColours[4] = {0xFF0000FF, 0xFFFF0000, 0xFF7F007F, 0x00000000};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(three.argb[size_t(i)], threeColours[i % 4]) << i;
  // Equal end points are the three-colour mode too.
  const Image equal = MustDecode(
      Dxt("DXT1", 4, 4, ColourBlock(kWhite565, kWhite565, EachTexel([](int i) { return i == 5 ? 3 : 0; }))));
  EXPECT_EQ(equal.argb[5], 0x00000000u);
  EXPECT_EQ(equal.argb[4], 0xFFFFFFFFu);
}

TEST(DdsDecodeTest, Dxt1EdgeBlocksAreCroppedAndPlacedByBlock) {
  // 5x3: two blocks across, one down. Block 0 all red, block 1 all blue: column 4 is blue, the rest red.
  const auto blocks = Concat(ColourBlock(kRed565, kBlue565, EachTexel([](int) { return 0; })),
                             ColourBlock(kRed565, kBlue565, EachTexel([](int) { return 1; })));
  const Image image = MustDecode(Dxt("DXT1", 5, 3, blocks));
  ASSERT_EQ(image.width, 5);
  ASSERT_EQ(image.height, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(image.argb[size_t(y * 5 + x)], x == 4 ? 0xFF0000FFu : 0xFFFF0000u) << x << "," << y;
  // One block short of the two needed.
  EXPECT_NE(DecodeError(Dxt("DXT1", 5, 3, ColourBlock(kRed565, kBlue565, EachTexel([](int) { return 0; }))))
                .find("truncated"),
            std::string::npos);
}

TEST(DdsDecodeTest, Dxt3TakesExplicitFourBitAlphaAndAlwaysFourColours) {
  // Texel i has alpha nibble i (alpha 17 i). Colours: c0 black <= c1 white would be three-colour in DXT1,
  // but DXT3 interpolates: index 3 is two thirds white, opaque in colour.
  std::vector<uint8_t> alpha;
  for (int k = 0; k < 8; ++k) alpha.push_back(uint8_t(2 * k | (2 * k + 1) << 4));
  const Image image = MustDecode(
      Dxt("DXT3", 4, 4, Concat(alpha, ColourBlock(kBlack565, kWhite565, EachTexel([](int) { return 3; })))));
  ASSERT_EQ(image.argb.size(), 16u);
  for (uint32_t i = 0; i < 16; ++i) EXPECT_EQ(image.argb[i], (17 * i) << 24 | 0xAAAAAA) << i;
}

TEST(DdsDecodeTest, Dxt5InterpolatesAlphaInBothModes) {
  const auto alphaBlock = [](uint8_t a0, uint8_t a1) {
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) bits |= uint64_t(i % 8) << (3 * i);
    std::vector<uint8_t> out{a0, a1};
    for (int k = 0; k < 6; ++k) out.push_back(uint8_t(bits >> (8 * k)));
    return out;
  };
  const auto white = ColourBlock(kWhite565, kBlack565, EachTexel([](int) { return 0; }));
  // a0 > a1: eight steps from 255 to 0 in sevenths.
  const Image eight = MustDecode(Dxt("DXT5", 4, 4, Concat(alphaBlock(255, 0), white)));
  const uint32_t eightSteps[8] = {255, 0, 218, 182, 145, 109, 72, 36};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(eight.argb[size_t(i)], eightSteps[i % 8] << 24 | 0xFFFFFF) << i;
  // a0 <= a1: six steps in fifths, then 0 and 255.
  const Image six = MustDecode(Dxt("DXT5", 4, 4, Concat(alphaBlock(0, 255), white)));
  const uint32_t sixSteps[8] = {0, 255, 51, 102, 153, 204, 0, 255};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(six.argb[size_t(i)], sixSteps[i % 8] << 24 | 0xFFFFFF) << i;
}

// ---------------------------------------------------------------------------------------------------------
// Malformed and truncated input

TEST(DdsDecodeTest, MalformedHeadersFailWithAReason) {
  const std::vector<uint8_t> pixel{1, 2, 3, 4};
  const auto good = Dds(1, 1, kRgbFlag | kAlphaFlag, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, pixel);
  MustDecode(good);

  auto badSize = good;
  PutU32(badSize, 4, 123);
  EXPECT_NE(DecodeError(badSize).find("header size"), std::string::npos);
  auto badFormatSize = good;
  PutU32(badFormatSize, 76, 0);
  EXPECT_NE(DecodeError(badFormatSize).find("pixel format size"), std::string::npos);
  auto noWidth = good;
  PutU32(noWidth, 16, 0);
  EXPECT_NE(DecodeError(noWidth).find("out of range"), std::string::npos);
  auto huge = good;
  PutU32(huge, 12, 0x80000000u);
  EXPECT_NE(DecodeError(huge).find("out of range"), std::string::npos);
  EXPECT_NE(DecodeError(Dxt("ATI2", 4, 4, std::vector<uint8_t>(16))).find("\"ATI2\""), std::string::npos);
  EXPECT_NE(DecodeError(Dxt("DX10", 4, 4, std::vector<uint8_t>(16))).find("unsupported DDS compression"),
            std::string::npos);
  EXPECT_NE(DecodeError(Dds(1, 1, 0x20000, 0, 8, 0xFF, 0, 0, 0, {9})).find("unsupported DDS pixel format"),
            std::string::npos);
  EXPECT_NE(DecodeError(Dds(1, 1, kRgbFlag, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0, pixel))
                .find("unsupported DDS pixel layout"),
            std::string::npos);
  EXPECT_NE(DecodeError({'D', 'D', 'S', ' ', 124, 0}).find("header truncated"), std::string::npos);
}

// Every prefix of a valid file fails cleanly (run under AddressSanitizer, a read past the end would show).
void ExpectEveryPrefixFails(const std::vector<uint8_t>& file) {
  MustDecode(file);
  for (size_t length = 0; length < file.size(); ++length) {
    const std::vector<uint8_t> prefix(file.begin(), file.begin() + std::ptrdiff_t(length));
    Image image;
    std::string error;
    EXPECT_FALSE(plat::image::Decode(prefix, image, &error)) << "prefix of " << length << " bytes decoded";
    EXPECT_FALSE(error.empty()) << length;
  }
}

TEST(ImageMalformedTest, TruncatedDdsAndBmpFilesAlwaysFail) {
  ExpectEveryPrefixFails(assetgen::EncodeDdsArgb32(Picture(4, 3, 0x80402010)));
  ExpectEveryPrefixFails(Dxt("DXT5", 8, 4, std::vector<uint8_t>(32, 0x5A)));
  ExpectEveryPrefixFails(
      Dxt("DXT1", 4, 4, ColourBlock(kRed565, kBlue565, EachTexel([](int i) { return i % 4; }))));
  ExpectEveryPrefixFails(assetgen::EncodeBmp24(Picture(5, 3, 0xFF336699)));
}

// ---------------------------------------------------------------------------------------------------------
// Colour key, power-of-two rounding, mip chains

TEST(ImageProcessTest, ColourKeyMatchesExactlyAndLeavesNearColoursAlone) {
  Image image = MakeImage(5, 1, {0xFF000000, 0xFF000001, 0xFE000000, 0xFF010000, 0xFFFF00FF});
  plat::image::ApplyColourKey(image, 0xFF000000);
  EXPECT_EQ(image.argb, (std::vector<uint32_t>{0x00000000, 0xFF000001, 0xFE000000, 0xFF010000, 0xFFFF00FF}));
  plat::image::ApplyColourKey(image, 0xFFFF00FF);
  EXPECT_EQ(image.argb[4], 0x00000000u);
}

TEST(ImageProcessTest, SidesRoundUpToPowersOfTwoAndPowerOfTwoImagesPassThrough) {
  const auto sizeOf = [](int w, int h) {
    const Image out = plat::image::ResampleToPowerOfTwo(
        Image{w, h, std::vector<uint32_t>(size_t(w) * size_t(h), 0xFF204060)});
    EXPECT_EQ(out.argb.size(), size_t(out.width) * size_t(out.height));
    for (uint32_t texel : out.argb) EXPECT_EQ(texel, 0xFF204060u);  // one colour stays that colour
    return std::pair{out.width, out.height};
  };
  EXPECT_EQ(sizeOf(3, 5), std::pair(4, 8));
  EXPECT_EQ(sizeOf(800, 600), std::pair(1024, 1024));
  EXPECT_EQ(sizeOf(1, 3), std::pair(1, 4));
  EXPECT_EQ(sizeOf(257, 2), std::pair(512, 2));

  std::vector<uint32_t> pixels;
  for (uint32_t i = 0; i < 32; ++i) pixels.push_back(i * 0x01070B0Du);
  const Image out = plat::image::ResampleToPowerOfTwo(MakeImage(4, 8, pixels));
  EXPECT_EQ(std::pair(out.width, out.height), std::pair(4, 8));
  EXPECT_EQ(out.argb, pixels);
}

TEST(ImageProcessTest, ResamplingIsBilinearBetweenTexelCentres) {
  // 3 wide to 4: destination centres fall at source x -0.125 (clamped to 0), 0.625, 1.375, 2.125 (clamped to
  // 2). 0.625 * 90 = 56.25; 0.625 * 90 + 0.375 * 180 = 123.75.
  const Image out = plat::image::ResampleToPowerOfTwo(MakeImage(3, 1, {0xFF000000, 0xFF5A5A5A, 0xFFB4B4B4}));
  ASSERT_EQ(std::pair(out.width, out.height), std::pair(4, 1));
  EXPECT_EQ(out.argb, (std::vector<uint32_t>{0xFF000000, 0xFF383838, 0xFF7C7C7C, 0xFFB4B4B4}));
}

TEST(ImageProcessTest, MipChainHalvesEachSideAndCountsASideOfOneTwice) {
  Image level0 = MakeImage(8, 2, std::vector<uint32_t>(16, 0));
  for (int x = 0; x < 8; ++x) {
    level0.argb[size_t(x)] = uint32_t(x * 10);                // blue channel, row 0
    level0.argb[size_t(8 + x)] = uint32_t(x * 10 + 1) << 24;  // alpha channel, row 1
  }
  const std::vector<Image> levels = plat::image::BuildMipChain(level0);
  ASSERT_EQ(levels.size(), 4u);
  const std::pair<int, int> sizes[4] = {{8, 2}, {4, 1}, {2, 1}, {1, 1}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(std::pair(levels[i].width, levels[i].height), sizes[i]) << i;
    EXPECT_EQ(levels[i].argb.size(), size_t(sizes[i].first) * size_t(sizes[i].second)) << i;
  }
  EXPECT_EQ(levels[0].argb, level0.argb);
  // Level 1 texel 0: blue (0 + 10 + 0 + 0 + 2) / 4 = 3, alpha (0 + 0 + 1 + 11 + 2) / 4 = 3.
  EXPECT_EQ(levels[1].argb[0], 0x03000003u);
  // Level 1 texel 3: blue (60 + 70 + 2) / 4 = 33, alpha (61 + 71 + 2) / 4 = 33.
  EXPECT_EQ(levels[1].argb[3], 0x21000021u);

  // 2x1: the single row stands for both rows of the box: (100 + 201 + 100 + 201 + 2) / 4 = 151.
  const std::vector<Image> row = plat::image::BuildMipChain(MakeImage(2, 1, {0xFF000064, 0xFF0000C9}));
  ASSERT_EQ(row.size(), 2u);
  EXPECT_EQ(row[1].argb, std::vector<uint32_t>{0xFF000097});
  EXPECT_EQ(plat::image::BuildMipChain(MakeImage(1, 1, {0x12345678})).size(), 1u);
  EXPECT_EQ(plat::image::BuildMipChain(MakeImage(1, 4, std::vector<uint32_t>(4, 7))).size(), 3u);
}

// ---------------------------------------------------------------------------------------------------------
// Texture creation from game paths, and the generator's writer

class TextureFileTest : public ScratchAssetsTest {
 protected:
  TextureFileTest() : ScratchAssetsTest("kv_image_") {}
  void Write(const std::string& relative, const std::vector<uint8_t>& bytes) {
    std::string error;
    ASSERT_TRUE(assetgen::WriteIfChanged(root_ / relative, bytes, &error)) << error;
  }
};

TEST_F(TextureFileTest, LoadsByGamePathKeyedBeforeResamplingAndNamesFailures) {
  // Black, white, white keyed on black, then 3 -> 4 wide. Texel 1 blends 0.375 of the keyed texel with 0.625
  // of white: keyed first it is 0x9F9F9F9F; keyed after, it would be opaque grey 0xFF9F9F9F.
  Write("Assets/Art/Odd Name.bmp",
        assetgen::EncodeBmp24(MakePicture(3, 1, {0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF})));
  plat::FileSystem files(root_);
  CapturingDevice device;
  const uint32_t key = 0xFF000000;
  std::string error;
  auto texture = plat::image::CreateTextureFromFile(device, files, "Assets\\art\\ODD NAME.BMP", &key, &error);
  ASSERT_NE(texture, nullptr) << error;
  EXPECT_EQ(texture->Width(), 4);
  EXPECT_EQ(texture->Levels(), 3);  // 4x1, 2x1, 1x1
  EXPECT_EQ(texture->Name(), "Assets\\art\\ODD NAME.BMP");
  ASSERT_EQ(device.uploads.size(), 1u);
  ASSERT_EQ(device.uploads[0].levels.size(), 3u);
  EXPECT_EQ(device.uploads[0].levels[0].argb,
            (std::vector<uint32_t>{0x00000000, 0x9F9F9F9F, 0xFFFFFFFF, 0xFFFFFFFF}));
  EXPECT_EQ(device.uploads[0].levels[2].width, 1);
  // Without a key nothing turns transparent.
  ASSERT_NE(plat::image::CreateTextureFromFile(device, files, "Assets\\Art\\Odd Name.bmp", nullptr, &error),
            nullptr);
  EXPECT_EQ(device.uploads.back().levels[0].argb[0], 0xFF000000u);

  EXPECT_EQ(plat::image::CreateTextureFromFile(device, files, "Assets\\Art\\Missing.bmp", nullptr, &error),
            nullptr);
  EXPECT_NE(error.find("Assets\\Art\\Missing.bmp"), std::string::npos) << error;
  Write("Assets/Art/Bad.dds", {'D', 'D', 'S', ' ', 1, 2, 3});
  EXPECT_EQ(plat::image::CreateTextureFromFile(device, files, "Assets\\Art\\Bad.dds", nullptr, &error),
            nullptr);
  EXPECT_NE(error.find("Assets\\Art\\Bad.dds"), std::string::npos) << error;
  EXPECT_NE(error.find("truncated"), std::string::npos) << error;
}

TEST_F(TextureFileTest, PictureForFirstUseKnowsItsSizesAndIsUploadedOnceWhenAskedFor) {
  Write("Assets/Art/Odd Name.bmp",
        assetgen::EncodeBmp24(MakePicture(3, 1, {0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF})));
  plat::FileSystem files(root_);
  CapturingDevice device;
  std::string error;
  const uint32_t key = 0xFF000000;
  auto picture = plat::image::OpenTextureFile(device, files, "Assets\\art\\ODD NAME.BMP", &key, &error);
  ASSERT_NE(picture, nullptr) << error;
  EXPECT_EQ(picture->Width(), 4);  // the sizes the upload will have
  EXPECT_EQ(picture->Height(), 1);
  EXPECT_EQ(picture->Levels(), 3);
  EXPECT_TRUE(device.uploads.empty());
  // Keyed and rounded as CreateTextureFromFile does, once; a texture made at once is drawn as it is.
  plat::gpu::Texture* uploaded = plat::image::ForDrawing(picture.get(), &error);
  ASSERT_NE(uploaded, nullptr) << error;
  EXPECT_EQ(plat::image::ForDrawing(picture.get(), &error), uploaded);
  EXPECT_EQ(plat::image::ForDrawing(uploaded, &error), uploaded);
  ASSERT_EQ(device.uploads.size(), 1u);
  EXPECT_EQ(device.uploads[0].levels[0].argb,
            (std::vector<uint32_t>{0x00000000, 0x9F9F9F9F, 0xFFFFFFFF, 0xFFFFFFFF}));
}

TEST_F(TextureFileTest, WriterLeavesUnchangedFilesAlone) {
  const fs::path path = root_ / "Assets/Art/x.bmp";
  const std::vector<uint8_t> bytes = assetgen::EncodeBmp24(Picture(2, 2, 0xFF112233));
  Write("Assets/Art/x.bmp", bytes);
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
  fs::last_write_time(path, old);
  Write("Assets/Art/x.bmp", bytes);
  EXPECT_EQ(fs::last_write_time(path), old);

  const std::vector<uint8_t> changed = assetgen::EncodeBmp24(Picture(2, 2, 0xFF445566));
  Write("Assets/Art/x.bmp", changed);
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}), changed);

  std::string error;
  EXPECT_FALSE(assetgen::WriteIfChanged(root_ / "no such folder" / "y.bmp", bytes, &error));
  EXPECT_NE(error.find("y.bmp"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------------------
// The generator's art

TEST(GeneratedArtTest, ScoreDigitCellsLayOutAsTheGameReadsThem) {
  Image atlas = MustDecode(assetgen::EncodeBmp24(assetgen::ScoreDigitsPicture()));
  ASSERT_EQ(atlas.width, 256);
  ASSERT_EQ(atlas.height, 64);
  plat::image::ApplyColourKey(atlas, 0xFF000000);
  // After keying, every texel is either transparent black (background) or an opaque glyph texel.
  std::vector<int> lit(13, 0);  // per 20-pixel column band; band 10 is the blank cell
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 256; ++x) {
      const uint32_t t = atlas.argb[size_t(y * 256 + x)];
      if (t == 0) continue;
      EXPECT_EQ(t >> 24, 0xFFu) << x << "," << y;
      EXPECT_LT(y, 40) << "glyph texel below the cells at " << x << "," << y;
      ++lit[size_t(x / 20)];
    }
  for (int d = 0; d < 10; ++d) EXPECT_GT(lit[size_t(d)], 40) << "digit " << d;
  EXPECT_EQ(lit[10] + lit[11] + lit[12], 0) << "the blank cell and the rest must be empty";
  // The glyphs are upright: "7" has its bar on top, so its top glyph row is fully lit and its bottom is not.
  const auto litInRow = [&](int cell, int row) {
    int n = 0;
    for (int x = 20 * cell; x < 20 * cell + 20; ++x) n += atlas.argb[size_t(row * 256 + x)] != 0;
    return n;
  };
  EXPECT_EQ(litInRow(7, 2), 15);
  EXPECT_EQ(litInRow(7, 36), 3);
}

TEST(OpaqueAreaTest, FindsTheLargestRectangleOfFullAlphaAndTheBoxOfAllThatShows) {
  // Each picture as rows of '#' (alpha 255), '+' (alpha 254), ',' (alpha 1) and '.' (alpha 0).
  const struct {
    const char* what;
    std::vector<std::string> rows;
    plat::image::Area area, visible;
  } cases[] = {
      {"none opaque", {"...", "..."}, {}, {}},
      {"all of it", {"###", "###"}, {0, 0, 3, 2}, {0, 0, 3, 2}},
      {"a bar down the middle", {".##.", ".##.", ".##."}, {1, 0, 3, 3}, {1, 0, 3, 3}},
      {"the larger of two", {"#..##", "#..##", "#...."}, {3, 0, 5, 2}, {0, 0, 5, 3}},
      {"under a skyline", {"..#..", ".###.", "#####"}, {1, 1, 4, 3}, {0, 0, 5, 3}},
      {"broken by one texel", {"###", "#+#", "###"}, {0, 0, 3, 1}, {0, 0, 3, 3}},
      {"a faint texel in a clear margin", {".....", "..,..", "....."}, {}, {2, 1, 3, 2}},
      {"a panel in the top left", {"##..", "#+..", "...."}, {0, 0, 2, 1}, {0, 0, 2, 2}},
  };
  for (const auto& c : cases) {
    Image image;
    image.height = static_cast<int>(c.rows.size());
    image.width = static_cast<int>(c.rows[0].size());
    for (const std::string& row : c.rows)
      for (char t : row)
        image.argb.push_back(t == '#' ? 0xFF102030u : t == '+' ? 0xFE102030u : t == ',' ? 0x01102030u : 0u);
    const plat::image::Area a = plat::image::LargestOpaqueArea(image);
    EXPECT_EQ(std::tie(a.left, a.top, a.right, a.bottom),
              std::tie(c.area.left, c.area.top, c.area.right, c.area.bottom))
        << c.what;
    const plat::image::Area v = plat::image::VisibleArea(image);
    EXPECT_EQ(std::tie(v.left, v.top, v.right, v.bottom),
              std::tie(c.visible.left, c.visible.top, c.visible.right, c.visible.bottom))
        << c.what;
  }
}

TEST(GeneratedArtTest, PausedPictureHasRealAlphaAndModelTexturesArePowersOfTwo) {
  const Image paused = MustDecode(assetgen::EncodeDdsArgb32(assetgen::PausedPicture()));
  ASSERT_EQ(std::pair(paused.width, paused.height), std::pair(256, 128));
  int opaque = 0, translucent = 0;
  for (uint32_t t : paused.argb) {
    if (t >> 24 == 0xFF)
      ++opaque;
    else if (t >> 24 != 0)
      ++translucent;
  }
  EXPECT_EQ(paused.argb[0], 0x00000000u);  // outside the panel
  EXPECT_GT(opaque, 1000);                 // the letters
  EXPECT_GT(translucent, 5000);            // the panel

  for (const auto& [p, width] :
       {std::pair{assetgen::TestHullPicture(), 128}, {assetgen::TestGlowPicture(), 64}}) {
    const Image image = MustDecode(assetgen::EncodeBmp24(p));
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height & (image.height - 1), 0);
    EXPECT_EQ(image.argb, p.argb);  // drawn opaque, so the BMP holds them exactly
  }
}

}  // namespace
