// The files kept for the fuzz targets: every bad input (tests/data/bad-inputs) is a reported failure of the
// game's loader for its kind, never a crash; every image seed (fuzz/<reader>/seeds) is a valid picture.
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
#include "platform/mesh.h"

namespace fs = std::filesystem;

namespace {

std::string LowerExtension(const fs::path& file) {
  std::string text = file.extension().string();
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::vector<fs::path> FilesIn(const fs::path& folder, const std::vector<std::string>& extensions) {
  std::vector<fs::path> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file() &&
        std::find(extensions.begin(), extensions.end(), LowerExtension(entry.path())) != extensions.end())
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

const std::vector<std::string> kImages = {".jpg", ".bmp", ".dds"};
const std::vector<std::string> kMeshes = {".x"};

TEST(BadInputTest, EveryBadInputHasALoaderHere) {
  for (const fs::directory_entry& entry : fs::directory_iterator(KV_BAD_INPUTS_DIR)) {
    const std::string extension = LowerExtension(entry.path());
    if (extension == ".md") continue;  // the folder's README
    EXPECT_TRUE(std::find(kImages.begin(), kImages.end(), extension) != kImages.end() ||
                std::find(kMeshes.begin(), kMeshes.end(), extension) != kMeshes.end())
        << entry.path() << ": no test below loads this kind of file";
  }
}

// Through the texture loader the game uses: no texture, and a reason after the file's name.
TEST(BadInputTest, EveryBadImageIsAReportedFailure) {
  const plat::FileSystem files{fs::path(KV_BAD_INPUTS_DIR)};
  CapturingDevice device;
  const std::vector<fs::path> bad = FilesIn(KV_BAD_INPUTS_DIR, kImages);
  EXPECT_GE(bad.size(), 2u);
  for (const fs::path& file : bad) {
    const std::string name = file.filename().string();
    std::string error;
    EXPECT_EQ(plat::image::CreateTextureFromFile(device, files, name, nullptr, &error), nullptr) << name;
    EXPECT_EQ(error.rfind("\"" + name + "\": ", 0), 0u) << error;
    EXPECT_GT(error.size(), name.size() + 12) << "no reason: " << error;
  }
  EXPECT_TRUE(device.uploads.empty());
}

// Through the .X loader: false with a reason naming the file.
TEST(BadInputTest, EveryBadMeshIsAReportedFailure) {
  const plat::FileSystem files{fs::path(KV_BAD_INPUTS_DIR)};
  const std::vector<fs::path> bad = FilesIn(KV_BAD_INPUTS_DIR, kMeshes);
  EXPECT_GE(bad.size(), 6u);
  for (const fs::path& file : bad) {
    const std::string name = file.filename().string();
    plat::mesh::MeshData mesh;
    std::string error;
    EXPECT_FALSE(plat::mesh::LoadX(files, name, mesh, &error)) << name;
    EXPECT_NE(error.find(name), std::string::npos) << error;
  }
}

TEST(ImageCorpusTest, EveryFuzzSeedImageDecodes) {
  // Progressive, grey and subsampled JPEGs with restart markers, the DXT and mask layouts, top-down BMP.
  size_t decoded = 0;
  for (const char* reader : {"dds", "bmp", "jpeg"}) {
    for (const fs::path& file : FilesIn(fs::path(KV_FUZZ_DIR) / reader / "seeds", kImages)) {
      std::ifstream in(file, std::ios::binary);
      const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
      plat::image::Image image;
      std::string error;
      EXPECT_TRUE(plat::image::Decode(bytes, image, &error)) << file << ": " << error;
      EXPECT_EQ(image.argb.size(), size_t(image.width) * size_t(image.height)) << file;
      ++decoded;
    }
  }
  EXPECT_EQ(decoded, 11u);
}

}  // namespace
