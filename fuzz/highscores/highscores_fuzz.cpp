// Fuzz target: the high-score table's reader on arbitrary bytes. Whatever it reads is a sorted table of at
// least ten entries whose names are single words, and the table saved from it reads back the same and whole.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "common/fuzz_support.h"
#include "frontend/high_scores.h"
#include "graphics/text_tokens.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  std::vector<HighScoreEntry> entries;
  HighScores::Parse(in, HighScores::kFile, entries);
  fuzz::Check(entries.size() >= static_cast<size_t>(HighScores::kShown), "fewer than ten entries");
  fuzz::Check(std::is_sorted(entries.begin(), entries.end(), CompareHighScores), "the table is not sorted");
  for (const HighScoreEntry& e : entries) {
    fuzz::Check(std::none_of(e.name.begin(), e.name.end(), IsSpace) && e.name != HighScores::kEmptyNameToken,
                "a name is not one word");
  }
  std::istringstream saved(HighScores::Format(entries));
  std::vector<HighScoreEntry> again;
  fuzz::Check(HighScores::Parse(saved, HighScores::kFile, again), "a saved table does not read back whole");
  for (int i = 0; i < HighScores::kShown; ++i) {
    fuzz::Check(again[static_cast<size_t>(i)].name == entries[static_cast<size_t>(i)].name &&
                    again[static_cast<size_t>(i)].score == entries[static_cast<size_t>(i)].score,
                "a saved table reads back otherwise");
  }
  return 0;
}
