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
  // The longest name name entry takes; the high-score screen shows no more of a longer one read from the
  // file.
  static constexpr size_t kMaxNameLength = 10;
  // Stands in the file for an empty name, so that every name is one token; no name can hold it.
  static constexpr const char* kEmptyNameToken = "-";
  static constexpr const char* kFile = "HighScores.txt";
  // Added to the file's name for the copy of a file a save would not keep whole.
  static constexpr const char* kCopyAsideSuffix = ".damaged";

  // Reads the table from `file` below the game folder. A missing file is an empty table; what is odd with
  // the file is reported. A file a save would not keep whole (one that cannot be read, or not to its end,
  // or holds more than ten entries) is copied aside before the first save replaces it.
  HighScores(const char* file, const plat::FileSystem& files);
  // Saves the table.
  ~HighScores();
  HighScores(const HighScores&) = delete;
  HighScores& operator=(const HighScores&) = delete;

  // A new entry after the older ones of its score; the name keeps only what name entry types. Saves.
  void Add(int score, const char* name);
  // True when the score beats the tenth entry.
  bool IsHighScore(int score) const;
  // Entry i for i from 0 to 9; "OUTOFBOUNDS" and 0 otherwise.
  const char* GetName(int i) const;
  int GetScore(int i) const;
  // Writes the first ten entries through a temporary file renamed over the old one, after copying the old
  // one aside when it has to be kept; false after reporting.
  bool Save();

  // The table text: ten entries, each name (or the empty-name token) and score followed by one blank.
  static std::string Format(const std::vector<HighScoreEntry>& entries);
  // Reads a table text into at least ten entries, sorted: every pair of words is an entry, the first word
  // its name and the second its score by the leading-number rule (a word without one is 0, and a name
  // without a score after it has 0). What is odd is reported with `fileName` and its line; entries not in
  // the text are empty with score 0. False when the first ten entries, saved, would not keep all the text
  // says: a score that is not a clean number, a name without a score, more than ten entries, a failed read.
  static bool Parse(std::istream& in, const std::string& fileName, std::vector<HighScoreEntry>& entries);

  // What name entry types into a name: capitals and digits. A name read from the file may hold anything
  // but white space.
  static bool IsNameCharacter(char c);
  // A typed character as it joins a name: letters as capitals, digits as they are; 0 for anything else.
  static char NameCharacter(int typed);

  std::string fileName;
  std::vector<HighScoreEntry> entries;  // at least ten, sorted

 private:
  const plat::FileSystem& files;
  bool copyAside = false;  // the file is to be copied aside before a save replaces it
};

extern HighScores* g_highScores;
