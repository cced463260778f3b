// The high-score table: its ranking rules, its file kept whole through saves (empty names, new entries, a
// killed process), odd files read whole and copied aside before a save replaces what it would not keep, and
// what name entry puts into a name.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frontend/high_scores.h"
#include "harness/engine_harness.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

class HighScoresTest : public ::testing::Test {
 protected:
  LinkedGameFolder game{EngineHarness::GameFolder() / "Assets"};
  plat::FileSystem files{game.Root()};
  fs::path File() const { return game.Root() / HighScores::kFile; }
  // Where a file a save would not keep is copied aside, with `number` when the first name is taken.
  fs::path Copy(const std::string& number = "") const {
    return game.Root() / (std::string(HighScores::kFile) + HighScores::kCopyAsideSuffix + number);
  }
  static std::string Read(const fs::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
  }
  std::string Saved() const { return Read(File()); }
};

TEST_F(HighScoresTest, RankingRulesOnAMissingFileAndATableOfEqualScores) {
  {
    HighScores table(HighScores::kFile, files);
    EXPECT_TRUE(table.IsHighScore(1));
    EXPECT_FALSE(table.IsHighScore(0));
    for (int score : {1000, 900, 800, 700, 600, 500, 400, 300, 200, 100}) table.Add(score, "OLD");
    EXPECT_FALSE(table.IsHighScore(100));  // equal to the tenth
    EXPECT_TRUE(table.IsHighScore(101));
    table.Add(700, "NEW");
    EXPECT_STREQ(table.GetName(3), "OLD");
    EXPECT_STREQ(table.GetName(4), "NEW");  // fifth, after the older 700
    EXPECT_EQ(table.GetScore(4), 700);
    // Indices outside 0 to 9, the negative ones included, give nothing of the table.
    for (int i : {-1, -128, 10, 127}) {
      EXPECT_STREQ(table.GetName(i), "OUTOFBOUNDS") << i;
      EXPECT_EQ(table.GetScore(i), 0) << i;
    }
    EXPECT_EQ(table.GetScore(9), 200);
  }
  EXPECT_EQ(Saved(), "OLD 1000 OLD 900 OLD 800 OLD 700 NEW 700 OLD 600 OLD 500 OLD 400 OLD 300 OLD 200 ");
}

TEST_F(HighScoresTest, EmptyNamesRoundTripAndEachEntryIsSavedAtOnceWithoutATemporaryLeft) {
  { HighScores table(HighScores::kFile, files); }  // a missing file: ten empty entries written at exit
  EXPECT_EQ(Saved(), "- 0 - 0 - 0 - 0 - 0 - 0 - 0 - 0 - 0 - 0 ");
  HighScores table(HighScores::kFile, files);
  for (int i = 0; i < HighScores::kShown; ++i) {
    EXPECT_STREQ(table.GetName(i), "");
    EXPECT_EQ(table.GetScore(i), 0);
  }
  table.Add(4200, "");
  table.Add(300, "ZED9");
  // Saved before any exit, as a killed process would leave it.
  EXPECT_EQ(Saved(), "- 4200 ZED9 300 - 0 - 0 - 0 - 0 - 0 - 0 - 0 - 0 ");
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(game.Root())) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Assets", "HighScores.txt"}));  // no temporary file left
  HighScores again(HighScores::kFile, files);
  EXPECT_STREQ(again.GetName(0), "");
  EXPECT_EQ(again.GetScore(0), 4200);
  EXPECT_STREQ(again.GetName(1), "ZED9");
  EXPECT_STREQ(again.GetName(2), "");
}

TEST_F(HighScoresTest, ANameKeepsOnlyCapitalsAndDigitsUpToTen) {
  HighScores table(HighScores::kFile, files);
  table.Add(5,
            "A b\tC-1\r)\x0c"
            "23456789");
  EXPECT_STREQ(table.GetName(0), "AC12345678");
  struct {
    int typed;
    char kept;
  } const cases[] = {{'a', 'A'}, {'z', 'Z'}, {'0', '0'}, {'9', '9'}, {'(', 0}, {')', 0}, {'-', 0},
                     {',', 0},   {'.', 0},   {'=', 0},   {' ', 0},   {-1, 0},  {200, 0}};
  for (const auto& c : cases) EXPECT_EQ(HighScores::NameCharacter(c.typed), c.kept) << c.typed;
}

TEST_F(HighScoresTest, EveryEntryOfAnOddFileIsReadAndAFileASaveWouldNotKeepWholeIsCopiedAsideFirst) {
  const struct {
    std::string text;
    std::vector<std::string> names;  // the first entries in rank order; the rest are empty with 0
    std::vector<int> scores;
    const char* report;  // "" when there is nothing to report
    bool copied;         // copied aside before the save at exit replaces it
  } cases[] = {
      {"AAA 900 bob 800 CCC 700 DDD 600 EEE 500 FFF 400 GGG 300 HHH 200 III 100 JJJ 50 ",
       {"AAA", "bob", "CCC", "DDD", "EEE", "FFF", "GGG", "HHH", "III", "JJJ"},
       {900, 800, 700, 600, 500, 400, 300, 200, 100, 50},
       "",
       false},
      {"ACE 100\nNOVA 12abc\nVEGA 50 ",
       {"ACE", "VEGA", "NOVA"},
       {100, 50, 12},
       "line 2: expected a whole number (the score), found \"12abc\"; read as 12",
       true},
      {"ACE 100\n\nTOOLONGNAME1 5 lower 3",
       {"ACE", "TOOLONGNAME1", "lower"},
       {100, 5, 3},
       "line 3: the file ends after 3 entries of ten",
       false},
      {"ACE 100 NOVA", {"ACE", "NOVA"}, {100, 0}, "line 1: the name \"NOVA\" has no score after it", true},
      {"ACE 100 NOVA 99999999999", {"ACE", "NOVA"}, {100, 0}, "found \"99999999999\"; read as 0", true},
      {"A 1 B 2 C 3 D 4 E 5 F 6 G 7 H 8 I 9 J 10\nK 11 L +12",
       {"L", "K", "J", "I", "H", "G", "F", "E", "D", "C"},
       {12, 11, 10, 9, 8, 7, 6, 5, 4, 3},
       "line 2: more than ten entries, 12 in all",
       true},
      {std::string("\x01\xff\0 7 - 3 -- x", 14),
       {std::string("\x01\xff\0", 3), "", "--"},
       {7, 3, 0},
       "found \"x\"; read as 0",
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    fs::remove(Copy());
    std::ofstream(File(), std::ios::binary) << c.text;
    testing::internal::CaptureStderr();
    {
      HighScores table(HighScores::kFile, files);
      const std::string report = testing::internal::GetCapturedStderr();
      if (*c.report == '\0')
        EXPECT_EQ(report, "");
      else
        EXPECT_NE(report.find(c.report), std::string::npos) << report;
      for (size_t i = 0; i < static_cast<size_t>(HighScores::kShown); ++i) {
        EXPECT_EQ(table.entries[i].name, i < c.names.size() ? c.names[i] : "") << i;
        EXPECT_EQ(table.entries[i].score, i < c.scores.size() ? c.scores[i] : 0) << i;
      }
      testing::internal::CaptureStderr();
    }
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_EQ(fs::exists(Copy()), c.copied);
    if (c.copied) {
      EXPECT_EQ(Read(Copy()), c.text);
      EXPECT_NE(report.find("HighScores.txt is copied aside to " + Copy().string()), std::string::npos)
          << report;
    }
    // The table saved at exit reads back the same.
    HighScores again(HighScores::kFile, files);
    for (size_t i = 0; i < c.names.size(); ++i) {
      EXPECT_EQ(again.entries[i].name, c.names[i]) << i;
      EXPECT_EQ(again.entries[i].score, c.scores[i]) << i;
    }
  }
}

TEST_F(HighScoresTest, AnUnreadableFileIsCopiedAsideUnderANameNotTakenBeforeTheFirstSave) {
  // The names a copy could take first are taken: a file, a link to a file outside, a folder.
  std::ofstream(Copy()) << "EARLIER 1";
  fs::create_symlink(game.Root() / "Outside.txt", Copy(".1"));
  fs::create_directory(Copy(".2"));
  ASSERT_EQ(mkfifo(File().c_str(), 0600), 0);  // a pipe: the game does not read it
  testing::internal::CaptureStderr();
  {
    HighScores table(HighScores::kFile, files);
    EXPECT_STREQ(table.GetName(0), "");
    EXPECT_EQ(fs::symlink_status(File()).type(), fs::file_type::fifo);  // kept until a save
    table.Add(10, "ACE");
    EXPECT_EQ(Saved(), "ACE 10 - 0 - 0 - 0 - 0 - 0 - 0 - 0 - 0 - 0 ");
  }
  const std::string report = testing::internal::GetCapturedStderr();
  EXPECT_NE(report.find("HighScores.txt cannot be read"), std::string::npos) << report;
  EXPECT_NE(report.find("HighScores.txt is copied aside to " + Copy(".3").string()), std::string::npos)
      << report;
  EXPECT_EQ(fs::symlink_status(Copy(".3")).type(), fs::file_type::fifo);
  EXPECT_FALSE(fs::exists(Copy(".4")));  // one copy: the save at exit replaces the table written by Add
  EXPECT_EQ(Read(Copy()), "EARLIER 1");
  EXPECT_FALSE(fs::exists(game.Root() / "Outside.txt"));
  EXPECT_TRUE(fs::is_empty(Copy(".2")));
}

TEST_F(HighScoresTest, AFileThatCannotBeReadOrWrittenIsReportedAndNothingCrashes) {
  fs::create_directory(File());  // a folder where the file should be
  testing::internal::CaptureStderr();
  {
    HighScores table(HighScores::kFile, files);
    EXPECT_STREQ(table.GetName(0), "");
    table.Add(10, "ACE");
    EXPECT_STREQ(table.GetName(0), "ACE");
  }
  const std::string report = testing::internal::GetCapturedStderr();
  EXPECT_NE(report.find("HighScores.txt cannot be read"), std::string::npos) << report;
  EXPECT_NE(report.find("HighScores.txt cannot be written"), std::string::npos) << report;
  EXPECT_TRUE(fs::is_directory(File()));
  EXPECT_FALSE(fs::exists(Copy()));
}

}  // namespace
