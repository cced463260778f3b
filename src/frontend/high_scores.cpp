// The high-score table and its file: ten name and score pairs on one line, each token followed by a blank.
#include "frontend/high_scores.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <sstream>

#include "graphics/text_tokens.h"
#include "platform/files.h"

HighScores* g_highScores = nullptr;

namespace {

void Report(const std::string& fileName, int line, const std::string& message) {
  std::fprintf(stderr, "High scores: %s, line %d: %s\n", fileName.c_str(), line, message.c_str());
}

}  // namespace

bool CompareHighScores(const HighScoreEntry& a, const HighScoreEntry& b) {
  return a.score > b.score;
}

bool HighScores::IsNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

char HighScores::NameCharacter(int typed) {
  if (typed >= 'a' && typed <= 'z') return static_cast<char>(typed - 'a' + 'A');
  if (typed >= 0 && typed <= 127 && IsNameCharacter(static_cast<char>(typed)))
    return static_cast<char>(typed);
  return 0;
}

HighScores::HighScores(const char* file, const plat::FileSystem& fs) : fileName(file), files(fs) {
  // Ten short names and scores; a file past this size is refused unread.
  constexpr uintmax_t kMaxFileBytes = uintmax_t{1} << 20;
  std::unique_ptr<std::istream> in = files.OpenText(fileName, kMaxFileBytes);
  if (in != nullptr) {
    copyAside = !Parse(*in, fileName, entries);
    return;
  }
  if (!files.Resolve(fileName).empty()) {
    std::fprintf(stderr,
                 "High scores: %s cannot be read; the table starts empty and the file is copied aside before "
                 "it is replaced\n",
                 fileName.c_str());
    copyAside = true;
  }
  entries.assign(kShown, HighScoreEntry{});
}

HighScores::~HighScores() {
  Save();
}

bool HighScores::Parse(std::istream& in, const std::string& name, std::vector<HighScoreEntry>& out) {
  out.clear();
  TokenReader tokens(in);
  std::string nameToken, scoreToken;
  bool whole = true;
  int eleventhLine = 0;
  while (tokens.Next(nameToken)) {
    const int line = tokens.Line();
    if (out.size() == static_cast<size_t>(kShown)) eleventhLine = line;
    int score = 0;
    if (!tokens.Next(scoreToken)) {
      Report(name, line, "the name " + Quoted(nameToken) + " has no score after it; it is read with 0");
      whole = false;
    } else {
      std::string malformed;
      score = IntegerField(scoreToken, "the score", malformed);
      if (!malformed.empty()) {
        Report(name, tokens.Line(), malformed);
        whole = false;
      }
    }
    out.push_back(HighScoreEntry{score, nameToken == kEmptyNameToken ? std::string() : nameToken});
  }
  if (in.bad()) {
    Report(name, tokens.Line(), "the file cannot be read to its end; the table holds what was read");
    whole = false;
  }
  if (out.size() < static_cast<size_t>(kShown)) {
    Report(name, tokens.Line(),
           "the file ends after " + std::to_string(out.size()) + " entries of ten; the rest are empty");
  } else if (out.size() > static_cast<size_t>(kShown)) {
    Report(name, eleventhLine,
           "more than ten entries, " + std::to_string(out.size()) + " in all; the best ten are kept");
    whole = false;
  }
  out.resize(std::max(out.size(), static_cast<size_t>(kShown)));
  std::stable_sort(out.begin(), out.end(), CompareHighScores);
  return whole;
}

std::string HighScores::Format(const std::vector<HighScoreEntry>& list) {
  std::ostringstream text;
  for (size_t i = 0; i < list.size() && i < static_cast<size_t>(kShown); ++i) {
    text << (list[i].name.empty() ? kEmptyNameToken : list[i].name) << ' ' << list[i].score << ' ';
  }
  return text.str();
}

bool HighScores::Save() {
  if (copyAside) {
    const std::optional<std::string> copy = files.CopyAside(fileName, kCopyAsideSuffix);
    if (!copy) {
      std::fprintf(
          stderr,
          "High scores: %s cannot be written: it could not be copied aside first; the new scores are "
          "not saved\n",
          fileName.c_str());
      return false;
    }
    if (!copy->empty()) {
      std::fprintf(stderr, "High scores: %s is copied aside to %s before it is replaced\n", fileName.c_str(),
                   copy->c_str());
    }
    copyAside = false;
  }
  if (files.WriteTextAtomic(fileName, Format(entries))) return true;
  std::fprintf(stderr, "High scores: %s cannot be written; the new scores are not saved\n", fileName.c_str());
  return false;
}

void HighScores::Add(int score, const char* name) {
  std::string kept;
  for (const char* c = name; c != nullptr && *c != '\0' && kept.size() < kMaxNameLength; ++c) {
    if (IsNameCharacter(*c)) kept.push_back(*c);
  }
  entries.push_back(HighScoreEntry{score, std::move(kept)});
  std::stable_sort(entries.begin(), entries.end(), CompareHighScores);
  Save();
}

bool HighScores::IsHighScore(int score) const {
  return score > entries[kShown - 1].score;
}

const char* HighScores::GetName(int i) const {
  return i >= 0 && i < kShown ? entries[static_cast<size_t>(i)].name.c_str() : "OUTOFBOUNDS";
}

int HighScores::GetScore(int i) const {
  return i >= 0 && i < kShown ? entries[static_cast<size_t>(i)].score : 0;
}
