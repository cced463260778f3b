// Host file mapping: separator and case resolution, atomic writes, reads of missing files and of what must
// not be read.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
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
  // The names in a folder, sorted.
  static std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path root_;
};

// A save run in a child process, so that one that hangs fails the test instead of holding it: its result,
// or nullopt when it has not ended within ten seconds (it is then killed).
std::optional<bool> SaveInTime(const FileSystem& files, const std::string& gamePath,
                               const std::string& text) {
  const pid_t child = fork();
  if (child == 0) _exit(files.WriteTextAtomic(gamePath, text) ? 0 : 1);
  if (child < 0) return std::nullopt;
  int status = 0;
  for (int waited = 0; waited < 1000; ++waited) {
    if (waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    usleep(10000);
  }
  kill(child, SIGKILL);
  waitpid(child, &status, 0);
  return std::nullopt;
}

// The id of a process that has ended.
pid_t EndedProcess() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

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
  EXPECT_EQ(Names(root_), (std::vector<std::string>{"Assets", "Exact.txt", "HighScores.txt", "exact.txt"}));

  ASSERT_TRUE(files.WriteTextAtomic("assets\\levels\\saved.txt", ""));
  EXPECT_TRUE(fs::exists(root_ / "Assets" / "Levels" / "saved.txt"));
  EXPECT_EQ(Read(root_ / "Assets" / "Levels" / "saved.txt"), "");

  EXPECT_EQ(Names(root_ / "Assets" / "Levels"), (std::vector<std::string>{"l1z1.kvl", "saved.txt"}));
}

TEST_F(FileSystemTest, WriteTextAtomicFailsCleanlyAndKeepsTheOldFile) {
  FileSystem files(root_);
  bool ok = true;
  EXPECT_NO_THROW(ok = files.WriteTextAtomic("Missing\\HighScores.txt", "x"));
  EXPECT_FALSE(ok);
  EXPECT_FALSE(fs::exists(root_ / "Missing"));

  // The temporary file cannot be made (its name, longer than the target's, is too long): the target keeps
  // its old contents.
  const std::string longName(240, 'S');
  Write(longName, "old");
  EXPECT_NO_THROW(ok = files.WriteTextAtomic(longName, "new"));
  EXPECT_FALSE(ok);
  EXPECT_EQ(Read(root_ / longName), "old");

  // The rename cannot replace a folder: the folder stays and the temporary file is removed.
  EXPECT_NO_THROW(ok = files.WriteTextAtomic("Assets\\Art", "x"));
  EXPECT_FALSE(ok);
  EXPECT_TRUE(fs::is_directory(root_ / "Assets" / "Art"));
  EXPECT_EQ(Names(root_ / "Assets"), (std::vector<std::string>{"Art", "Levels"}));
  EXPECT_EQ(Names(root_), (std::vector<std::string>{"Assets", "Exact.txt", longName, "exact.txt"}));
}

TEST_F(FileSystemTest, ASaveNeverGoesIntoOrThroughWhatIsAtATemporaryNameAndClearsWhatEndedSavesLeft) {
  enum Kind { kLink, kBrokenLink, kPipe, kFolder, kFile };
  const fs::file_type kTypes[] = {fs::file_type::symlink, fs::file_type::symlink, fs::file_type::fifo,
                                  fs::file_type::directory, fs::file_type::regular};
  const std::string ended = "HighScores.txt.tmp." + std::to_string(EndedProcess()) + ".abcdefgh";
  const std::string running = "HighScores.txt.tmp." + std::to_string(getpid()) + ".abcdefgh";
  const fs::path outside = root_ / "Outside";
  fs::create_directory(outside);
  const fs::path game = root_ / "Game";
  for (const std::string& name : {std::string("HighScores.txt.tmp"), ended, running}) {
    for (const Kind kind : {kLink, kBrokenLink, kPipe, kFolder, kFile}) {
      SCOPED_TRACE(name + " " + std::to_string(kind));
      fs::remove_all(game);
      fs::create_directory(game);
      std::ofstream(game / "HighScores.txt") << "OLD 1";
      std::ofstream(outside / "target.txt") << "outside";
      fs::remove(outside / "made.txt");
      const fs::path planted = game / name;
      if (kind == kLink) fs::create_symlink(outside / "target.txt", planted);
      if (kind == kBrokenLink) fs::create_symlink(outside / "made.txt", planted);
      ASSERT_TRUE(kind != kPipe || mkfifo(planted.c_str(), 0600) == 0);
      if (kind == kFolder) fs::create_directory(planted);
      if (kind == kFile) std::ofstream(planted) << "left";

      EXPECT_EQ(SaveInTime(FileSystem(game), "HighScores.txt", "NEW 2"), std::optional<bool>(true));
      EXPECT_EQ(fs::symlink_status(game / "HighScores.txt").type(), fs::file_type::regular);
      EXPECT_EQ(Read(game / "HighScores.txt"), "NEW 2");
      EXPECT_EQ(Read(outside / "target.txt"), "outside");
      EXPECT_FALSE(fs::exists(outside / "made.txt"));
      // What a save of an ended process left is removed (a link's name only); anything else stays as it is.
      const bool stays = name != ended || kind == kFolder;
      EXPECT_EQ(fs::symlink_status(planted).type(), stays ? kTypes[kind] : fs::file_type::not_found);
      EXPECT_EQ(Names(game).size(), stays ? 2u : 1u);  // and no temporary file of this save
    }
  }
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
