// The table of the ten best scores with their players' names, read from its file at start-up and written back
// after each new entry and at exit.
#pragma once

#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace plat {
class FileSystem;
}

struct HighScoreEntry {
  int score = 0;
  std::string name;
};

// Highest score first; the sort keeps equal scores in the order they joined.
bool CompareHighScores(const HighScoreEntry& a, const HighScoreEntry& b);

class HighScores {
 public:
  static constexpr int kShown = 10;  // entries shown and saved
  static constexpr size_t kMaxNameLength = 10;
  // Stands in the file for an empty name, so that every name is one token; no name can hold it.
  static constexpr const char* kEmptyNameToken = "-";
  static constexpr const char* kFile = "HighScores.txt";

  // Reads the table from `file` below the game folder. A missing file is an empty table; a file that cannot
  // be read, or is damaged, is reported and read as far as it is sound.
  HighScores(const char* file, const plat::FileSystem& files);
  // Saves the table unless it came from a damaged file and nothing has joined it since (the damaged file is
  // then left as it is, for its owner to look at).
  ~HighScores();
  HighScores(const HighScores&) = delete;
  HighScores& operator=(const HighScores&) = delete;

  // A new entry after the older ones of its score; the name keeps only what a name may hold. Saves.
  void Add(int score, const char* name);
  // True when the score beats the tenth entry.
  bool IsHighScore(int score) const;
  // Entry i for i from 0 to 9; "OUTOFBOUNDS" and 0 otherwise.
  const char* GetName(int i) const;
  int GetScore(int i) const;
  // Writes the first ten entries through a temporary file renamed over the old one; false after reporting.
  bool Save();

  // The table text: ten entries, each name (or the empty-name token) and score followed by one blank.
  static std::string Format(const std::vector<HighScoreEntry>& entries);
  // Reads a table text into at least ten entries, sorted. Reading stops at the first token that is not sound
  // (reported with `fileName` and its line); entries not read are empty with score 0. False when anything
  // was reported.
  static bool Parse(std::istream& in, const std::string& fileName, std::vector<HighScoreEntry>& entries);

  // What a name may hold: capitals and digits.
  static bool IsNameCharacter(char c);
  // A typed character as it joins a name: letters as capitals, digits as they are; 0 for anything else.
  static char NameCharacter(int typed);

  std::string fileName;
  std::vector<HighScoreEntry> entries;  // at least ten, sorted

 private:
  const plat::FileSystem& files;
  bool keepFile = false;  // the file was damaged and nothing has joined the table since
};

extern HighScores* g_highScores;
