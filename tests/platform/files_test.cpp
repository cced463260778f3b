// Host file mapping: separator and case resolution, atomic writes, reads of missing files and of what must
// not be read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/files.h"

namespace fs = std::filesystem;
using plat::FileSystem;

namespace {

class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = std::string("kv_files_") + std::to_string(getpid()) + "_" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name();
    root_ = fs::temp_directory_path() / name;
    fs::remove_all(root_);
    fs::create_directories(root_ / "Assets" / "Art" / "Menu Art");
    fs::create_directories(root_ / "Assets" / "Levels");
    Write("Assets/Art/Menu Art/mm Start.bmp", "start");
    Write("Assets/Art/hud_life.DDS", "life");
    Write("Assets/Levels/l1z1.kvl", "level");
    Write("Exact.txt", "upper");
    Write("exact.txt", "lower");
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  void Write(const std::string& relative, const std::string& text) {
    std::ofstream(root_ / relative, std::ios::binary) << text;
  }
  std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::string Host(const std::string& relative) { return (root_ / relative).string(); }

  fs::path root_;
};

TEST_F(FileSystemTest, ResolvesBackslashesAndCaseComponentByComponent) {
  FileSystem files(root_);
  EXPECT_EQ(files.Resolve("Assets\\Art\\Menu Art\\mm Start.bmp"), Host("Assets/Art/Menu Art/mm Start.bmp"));
  EXPECT_EQ(files.Resolve("assets\\ART\\menu art\\MM START.BMP"), Host("Assets/Art/Menu Art/mm Start.bmp"));
  EXPECT_EQ(files.Resolve("Assets\\Art\\hud_life.dds"), Host("Assets/Art/hud_life.DDS"));
  // Forward and mixed separators, doubled separators.
  EXPECT_EQ(files.Resolve("Assets/Levels/L1Z1.kvl"), Host("Assets/Levels/l1z1.kvl"));
  EXPECT_EQ(files.Resolve("ASSETS/levels\\\\l1z1.KVL"), Host("Assets/Levels/l1z1.kvl"));
  // A folder resolves too.
  EXPECT_EQ(files.Resolve("assets\\levels"), Host("Assets/Levels"));
}

TEST_F(FileSystemTest, ExactNameWinsAndAmbiguousCaseIsDeterministic) {
  FileSystem files(root_);
  EXPECT_EQ(files.Resolve("Exact.txt"), Host("Exact.txt"));
  EXPECT_EQ(files.Resolve("exact.txt"), Host("exact.txt"));
  // Neither spelling is exact: the first in byte order ('E' < 'e').
  EXPECT_EQ(files.Resolve("EXACT.TXT"), Host("Exact.txt"));
  EXPECT_EQ(files.Resolve("eXact.txt"), Host("Exact.txt"));
}

TEST_F(FileSystemTest, MissingPathsResolveEmptyAndAbsolutePathsKeepTheirRoot) {
  FileSystem files(root_);
  EXPECT_EQ(files.Resolve("Assets\\Art\\Paused.dds"), "");
  EXPECT_EQ(files.Resolve("Assets\\Sounds\\Intro.mp3"), "");
  EXPECT_EQ(files.Resolve(""), "");
  EXPECT_EQ(files.Resolve("\\"), "");
  // A file cannot stand where a folder is needed.
  EXPECT_EQ(files.Resolve("Exact.txt\\inner"), "");
  EXPECT_EQ(FileSystem(root_ / "gone").Resolve("Exact.txt"), "");

  // Absolute paths ignore the root and still fall back on case.
  FileSystem elsewhere("/nonexistent-root");
  EXPECT_EQ(elsewhere.Resolve(root_.string() + "/ASSETS/art/HUD_LIFE.dds"), Host("Assets/Art/hud_life.DDS"));
  EXPECT_EQ(elsewhere.Resolve(root_.string() + "/Assets/missing.bin"), "");
}

TEST_F(FileSystemTest, NamesThatClimbOutOfTheGameFolderAreRefused) {
  fs::create_directories(root_ / "Game" / "Assets" / "Art");
  FileSystem files(root_ / "Game");
  std::vector<uint8_t> bytes;
  testing::internal::CaptureStderr();
  EXPECT_EQ(files.Resolve("Assets\\Art\\..\\..\\..\\Exact.txt"), "");
  EXPECT_EQ(files.ResolveForWrite("Assets\\..\\..\\Stolen.txt"), "");
  EXPECT_FALSE(files.ReadAll("Assets/Art/../../../exact.txt", bytes, plat::kAnySize));
  EXPECT_EQ(files.OpenText("..\\Exact.txt", plat::kAnySize), nullptr);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("refused the file name \"..\\Exact.txt\""), std::string::npos) << said;
  // Dots inside a name are not a step up.
  fs::create_directories(root_ / "Game" / "Assets" / "Art");
  std::ofstream(root_ / "Game" / "Assets" / "Art" / "a..b.X") << "x";
  EXPECT_EQ(files.Resolve("Assets\\Art\\a..b.X"), (root_ / "Game/Assets/Art/a..b.X").string());
}

TEST_F(FileSystemTest, TheGameFolderIsTheWorkingDirectoryElseTheExecutablesWithAnExactAssetsFolder) {
  const fs::path withAssets = root_;
  const fs::path sourceTree = root_ / "source";  // holds "assets", which must not pass for "Assets"
  const fs::path bare = root_ / "bare";
  fs::create_directories(sourceTree / "assets");
  fs::create_directories(bare);
  struct Case {
    fs::path cwd, exe, expected;
  };
  for (const Case& c : {Case{withAssets, bare, withAssets}, Case{bare, withAssets, withAssets},
                        Case{sourceTree, withAssets, withAssets}, Case{withAssets, sourceTree, withAssets}}) {
    std::string error;
    EXPECT_EQ(plat::FindGameFolder(c.cwd, c.exe, &error), c.expected) << c.cwd << " " << c.exe;
    EXPECT_EQ(error, "");
  }
  std::string error;
  EXPECT_EQ(plat::FindGameFolder(sourceTree, bare, &error), fs::path());
  EXPECT_NE(error.find("(" + sourceTree.string() + ")"), std::string::npos) << error;
  EXPECT_NE(error.find("(" + bare.string() + ")"), std::string::npos) << error;
  EXPECT_EQ(plat::FindGameFolder(bare, fs::path(), nullptr), fs::path());
}

TEST_F(FileSystemTest, ResolveForWriteResolvesFoldersAndKeepsTheName) {
  FileSystem files(root_);
  EXPECT_EQ(files.ResolveForWrite("assets\\LEVELS\\New File.kvl"), Host("Assets/Levels/New File.kvl"));
  EXPECT_EQ(files.ResolveForWrite("HighScores.txt"), Host("HighScores.txt"));
  EXPECT_EQ(files.ResolveForWrite("EXACT.TXT"), Host("EXACT.TXT"));
  EXPECT_EQ(files.ResolveForWrite("NoFolder\\HighScores.txt"), "");
  EXPECT_EQ(files.ResolveForWrite("Exact.txt\\inner.txt"), "");
  EXPECT_EQ(files.ResolveForWrite(""), "");
}

TEST_F(FileSystemTest, WriteTextAtomicWritesThenReplacesWithoutLeftovers) {
  FileSystem files(root_);
  ASSERT_TRUE(files.WriteTextAtomic("HighScores.txt", "AAA 100\nBBB 50\n"));
  EXPECT_EQ(Read(root_ / "HighScores.txt"), "AAA 100\nBBB 50\n");
  ASSERT_TRUE(files.WriteTextAtomic("HighScores.txt", "CC 7\n"));
  EXPECT_EQ(Read(root_ / "HighScores.txt"), "CC 7\n");
  EXPECT_FALSE(fs::exists(root_ / "HighScores.txt.tmp"));

  ASSERT_TRUE(files.WriteTextAtomic("assets\\levels\\saved.txt", ""));
  EXPECT_TRUE(fs::exists(root_ / "Assets" / "Levels" / "saved.txt"));
  EXPECT_EQ(Read(root_ / "Assets" / "Levels" / "saved.txt"), "");

  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(root_ / "Assets" / "Levels"))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"l1z1.kvl", "saved.txt"}));
}

TEST_F(FileSystemTest, WriteTextAtomicFailsCleanlyAndKeepsTheOldFile) {
  FileSystem files(root_);
  bool ok = true;
  EXPECT_NO_THROW(ok = files.WriteTextAtomic("Missing\\HighScores.txt", "x"));
  EXPECT_FALSE(ok);
  EXPECT_FALSE(fs::exists(root_ / "Missing"));

  // The temporary file cannot be made: the target keeps its old contents.
  Write("Scores.txt", "old");
  fs::create_directory(root_ / "Scores.txt.tmp");
  EXPECT_NO_THROW(ok = files.WriteTextAtomic("Scores.txt", "new"));
  EXPECT_FALSE(ok);
  EXPECT_EQ(Read(root_ / "Scores.txt"), "old");

  // The rename cannot replace a folder: the folder stays and the temporary file is removed.
  EXPECT_NO_THROW(ok = files.WriteTextAtomic("Assets\\Art", "x"));
  EXPECT_FALSE(ok);
  EXPECT_TRUE(fs::is_directory(root_ / "Assets" / "Art"));
  EXPECT_FALSE(fs::exists(root_ / "Assets" / "Art.tmp"));
}

TEST_F(FileSystemTest, OpenTextAndReadAll) {
  FileSystem files(root_);
  auto stream = files.OpenText("ASSETS\\LEVELS\\L1Z1.KVL", 5);  // exactly its limit
  ASSERT_NE(stream, nullptr);
  std::string word;
  *stream >> word;
  EXPECT_EQ(word, "level");

  std::vector<uint8_t> bytes;
  std::string why;
  // Only a regular file within its limit is read. One that is there but refused is reported naming it,
  // on stderr unless the caller takes the reason; a missing one is left to the caller.
  const struct {
    const char* path;
    const char* why;
  } refused[] = {
      {"Assets\\Levels\\missing.kvl", ""},
      {"Assets\\Levels", "a folder, not a regular file"},
      {"/dev/zero", "a device, not a regular file"},
      {"Assets\\Levels\\l1z1.kvl", "larger than 4 bytes (5 bytes)"},
  };
  for (const auto& c : refused) {
    bytes = {9};
    EXPECT_FALSE(files.ReadAll(c.path, bytes, 4, &why));
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(why, *c.why ? c.why : "file not found");
    testing::internal::CaptureStderr();
    EXPECT_EQ(files.OpenText(c.path, 4), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              *c.why ? std::string(c.path) + ": cannot read the file: " + c.why + "\n" : "");
  }

  const std::string binary("\x00\xff\r\n\x1a", 5);
  Write("Assets/Art/raw.bin", binary);
  ASSERT_TRUE(files.ReadAll("assets/art/RAW.BIN", bytes, plat::kAnySize));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0x00, 0xff, '\r', '\n', 0x1a}));
}

}  // namespace
