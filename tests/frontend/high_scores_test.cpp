// The high-score table: its ranking rules, its file kept whole through saves (empty names, new entries, a
// killed process), damaged files read as far as they are sound, and what a name may hold.
#include <gtest/gtest.h>

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
  std::string Saved() const {
    std::ostringstream text;
    text << std::ifstream(File(), std::ios::binary).rdbuf();
    return text.str();
  }
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
  EXPECT_FALSE(fs::exists(game.Root() / "HighScores.txt.tmp"));
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

TEST_F(HighScoresTest, ADamagedFileIsReportedWithItsLineReadAsFarAsItIsSoundAndKeptUntilANewEntry) {
  const struct {
    std::string text;
    std::vector<std::string> names;  // the entries read, in rank order
    const char* report;
  } cases[] = {
      {"ACE 100\nNOVA 12x\nVEGA 50 ", {"ACE"}, "HighScores.txt, line 2: "},
      {"ACE 100 bob 50", {"ACE"}, "HighScores.txt, line 1: the name \"bob\""},
      {"ACE 100\n\nTOOLONGNAME1 5", {"ACE"}, "line 3: the name \"TOOLONGNAME1\""},
      {"ACE 100 NOVA", {"ACE"}, "line 1: the name \"NOVA\" has no score"},
      {"ACE 100 NOVA 99999999999", {"ACE"}, "line 1: "},
      {"ACE 100 NOVA 90", {"ACE", "NOVA"}, "the file ends after 2 entries of ten"},
      {"A 1 B 2 C 3 D 4 E 5 F 6 G 7 H 8 I 9 J 10\nK 11",
       {"J", "I", "H", "G", "F", "E", "D", "C", "B", "A"},
       "line 2: more follows the tenth entry"},
      {std::string("\x01\xff\0 7", 5), {}, "line 1: the name"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::ofstream(File(), std::ios::binary) << c.text;
    testing::internal::CaptureStderr();
    {
      HighScores table(HighScores::kFile, files);
      const std::string report = testing::internal::GetCapturedStderr();
      EXPECT_NE(report.find(c.report), std::string::npos) << report;
      for (int i = 0; i < HighScores::kShown; ++i) {
        EXPECT_EQ(table.GetName(i),
                  i < static_cast<int>(c.names.size()) ? c.names[static_cast<size_t>(i)] : "");
      }
    }
    EXPECT_EQ(Saved(), c.text);  // the damaged file stays for its owner to look at
  }
  // A new entry saves the table as read, with the entry.
  HighScores table(HighScores::kFile, files);
  table.Add(60, "NEW");
  EXPECT_EQ(Saved(), "NEW 60 - 0 - 0 - 0 - 0 - 0 - 0 - 0 - 0 - 0 ");
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
}

}  // namespace
