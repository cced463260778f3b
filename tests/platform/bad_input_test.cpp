// The files kept for the fuzz targets: every bad image (tests/data/bad-inputs) is a reported failure of the
// game's texture loader, never a crash (the .X reader's test loads the bad meshes); every image seed
// (fuzz/<reader>/seeds) is a valid picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "harness/capturing_device.h"
#include "platform/files.h"
#include "platform/image.h"

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kImages = {".jpg", ".bmp", ".dds"};

bool IsImage(const fs::path& file) {
  std::string extension = file.extension().string();
  for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
  return std::find(kImages.begin(), kImages.end(), extension) != kImages.end();
}

// Through the texture loader the game uses: no texture, and a reason after the file's name.
TEST(BadInputTest, EveryBadImageIsAReportedFailure) {
  const plat::FileSystem files{fs::path(KV_BAD_INPUTS_DIR)};
  CapturingDevice device;
  size_t images = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(KV_BAD_INPUTS_DIR)) {
    const std::string name = entry.path().filename().string();
    const std::string extension = entry.path().extension().string();
    if (extension == ".md" || extension == ".x" || extension == ".X") continue;  // the README; the meshes
    ASSERT_TRUE(IsImage(entry.path())) << name << ": no test loads this kind of file";
    std::string error;
    EXPECT_EQ(plat::image::CreateTextureFromFile(device, files, name, nullptr, &error), nullptr) << name;
    EXPECT_EQ(error.rfind("\"" + name + "\": ", 0), 0u) << error;
    EXPECT_GT(error.size(), name.size() + 12) << "no reason: " << error;
    ++images;
  }
  EXPECT_GE(images, 2u);
  EXPECT_TRUE(device.uploads.empty());
}

TEST(ImageCorpusTest, EveryFuzzSeedImageDecodes) {
  // Progressive, grey and subsampled JPEGs with restart markers, the DXT and mask layouts, top-down BMP.
  size_t decoded = 0;
  for (const char* reader : {"dds", "bmp", "jpeg"}) {
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(KV_FUZZ_DIR) / reader / "seeds")) {
      if (!IsImage(entry.path())) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
      plat::image::Image image;
      std::string error;
      EXPECT_TRUE(plat::image::Decode(bytes, image, &error)) << entry.path() << ": " << error;
      EXPECT_EQ(image.argb.size(), size_t(image.width) * size_t(image.height)) << entry.path();
      ++decoded;
    }
  }
  EXPECT_EQ(decoded, 11u);
}

}  // namespace
