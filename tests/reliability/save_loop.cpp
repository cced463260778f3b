// Saves one of two high-score tables over and over into a folder, switching table each time, until killed:
// the kill-during-save loop stops it at random moments and checks the file it leaves.
// `save_loop <folder>` saves; `save_loop <folder> --check` exits 0 when the file holds one of the two tables.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frontend/high_scores.h"
#include "platform/files.h"

namespace {

// The two tables: as different as can be in length and content, so a mix of them shows.
std::vector<HighScoreEntry> Table(int which) {
  std::vector<HighScoreEntry> entries;
  for (int i = 0; i < HighScores::kShown; ++i) {
    if (which == 0)
      entries.push_back({1000 * (HighScores::kShown - i), "OLD" + std::to_string(i)});
    else
      entries.push_back({987654321 - i * 12345, "NEWPLAYER" + std::to_string(i % 10)});
  }
  return entries;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <folder> [--check]\n", argv[0]);
    return 2;
  }
  const plat::FileSystem files(argv[1]);
  const std::string texts[2] = {HighScores::Format(Table(0)), HighScores::Format(Table(1))};
  if (argc > 2 && std::strcmp(argv[2], "--check") == 0) {
    std::ifstream in(std::filesystem::path(argv[1]) / HighScores::kFile, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    if (!in.is_open() || (text.str() != texts[0] && text.str() != texts[1])) {
      std::fprintf(stderr, "damaged table: \"%s\"\n", text.str().c_str());
      return 1;
    }
    // The game's own reader must take it without a report.
    std::istringstream again(text.str());
    std::vector<HighScoreEntry> read;
    return HighScores::Parse(again, HighScores::kFile, read) ? 0 : 1;
  }
  // Saving through the table as the game does: the first save writes the old table; then both alternate.
  HighScores table(HighScores::kFile, files);
  for (unsigned long round = 0;; ++round) {
    table.entries = Table(static_cast<int>(round % 2));
    if (!table.Save()) return 1;
  }
}
