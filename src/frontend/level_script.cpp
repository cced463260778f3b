// The script file reader: words by the leading-number rule, whole text lines cut to their limit, every fault
// reported with the file and the line it stands on.
#include "frontend/level_script.h"

#include <cmath>
#include <string>

#include "graphics/text_tokens.h"

namespace {

constexpr size_t kWordMax = 64;  // no number needs more; longer words are reported and cut

// Characters of the script with the line they stand on.
class ScriptText {
 public:
  explicit ScriptText(std::istream& in) : in_(in) {}

  int Line() const { return line_; }
  bool AtEnd() { return in_.peek() == std::istream::traits_type::eof(); }
  int Get() {
    const int c = in_.get();
    if (c == '\n') ++line_;
    return c;
  }
  // Moves to the next non-blank character; false when none is left.
  bool SkipBlanks() {
    while (!AtEnd() && IsSpace(in_.peek())) Get();
    return !AtEnd();
  }
  // The next blank-separated word; false when none is left.
  bool Word(std::string& out) {
    out.clear();
    if (!SkipBlanks()) return false;
    while (!AtEnd() && !IsSpace(in_.peek())) {
      const int c = Get();
      if (out.size() <= kWordMax) out.push_back(static_cast<char>(c));
    }
    return true;
  }
  // The rest of the current line without its end (and without a carriage return before it), keeping at most
  // `max` characters; `cut` tells whether more stood there. False when the file has already ended.
  bool Line(std::string& out, size_t max, bool& cut) {
    out.clear();
    cut = false;
    if (AtEnd()) return false;
    for (int c = Get(); c != '\n' && c != std::istream::traits_type::eof(); c = Get()) {
      if (out.size() < max + 1) {
        out.push_back(static_cast<char>(c));
      } else {
        cut = true;
      }
    }
    if (!out.empty() && out.back() == '\r') out.pop_back();
    if (out.size() > max) {
      out.resize(max);
      cut = true;
    }
    return true;
  }
  // Skips the rest of the line.
  void SkipLine() {
    for (int c = Get(); c != '\n' && c != std::istream::traits_type::eof(); c = Get()) {
    }
  }

 private:
  std::istream& in_;
  int line_ = 1;
};

class ScriptParser {
 public:
  ScriptParser(std::istream& in, std::string_view fileName) : text_(in), fileName_(fileName) {}

  ScriptFile Read() {
    std::string word, malformed;
    if (!NextWord(word)) return std::move(result_);  // an empty file: no events
    int count = IntegerField(word, "event count", malformed);
    Check(malformed);
    if (count < 0) {
      Report("the event count " + std::to_string(count) + " is below 0; the script is empty");
      count = 0;
    } else if (count > kScriptEventMax) {
      Report("the event count " + std::to_string(count) +
             " is more than a script may hold; reading at most " + std::to_string(kScriptEventMax));
      count = kScriptEventMax;
    }
    for (int k = 1; k <= count && ReadEvent(k, count); ++k) {
    }
    if (static_cast<int>(result_.events.size()) < count) {
      Report("the count says " + std::to_string(count) + " events, but the file holds " +
             std::to_string(result_.events.size()) + "; the others are empty");
      result_.events.resize(static_cast<size_t>(count));
    }
    return std::move(result_);
  }

 private:
  void Report(const std::string& what) {
    result_.problems.push_back(std::string(fileName_) + ", line " + std::to_string(text_.Line()) + ": " +
                               what);
  }
  void Check(const std::string& malformed) {
    if (!malformed.empty()) Report(malformed);
  }
  // The next word, cut to kWordMax characters with a report; false when none is left.
  bool NextWord(std::string& word) {
    if (!text_.Word(word)) return false;
    if (word.size() > kWordMax) {
      Report("a word longer than " + std::to_string(kWordMax) + " characters; read from its start");
      word.resize(kWordMax);
    }
    return true;
  }
  bool EndsInside(int k) {
    Report("the file ends inside event " + std::to_string(k));
    return false;
  }

  // Event k (from 1); false when the file ends before its text lines are complete (the event is dropped, and
  // stands empty among those the file does not supply).
  bool ReadEvent(int k, int count) {
    const std::string which = "event " + std::to_string(k) + " of " + std::to_string(count);
    ScriptEvent e;
    std::string word, malformed;
    if (!NextWord(word)) return false;  // fewer events than the count: reported by the caller
    const int chain = IntegerField(word, "chain of " + which, malformed);
    Check(malformed);
    if (chain < 0) Report("the chain of " + which + " is below 0; read as a chain");
    e.chain = static_cast<uint32_t>(chain);
    if (!NextWord(word)) return EndsInside(k);
    e.duration = RealField(word, "duration of " + which, malformed);
    Check(malformed);
    if (!std::isfinite(e.duration)) {
      Report("the duration of " + which + " is not a finite number; read as 0");
      e.duration = 0.0f;
    }
    if (!text_.SkipBlanks()) return EndsInside(k);
    e.type = static_cast<char>(text_.Get());
    text_.SkipLine();  // further words of the header carry no meaning
    for (std::string* line : {&e.line1, &e.line2, &e.line3}) {
      bool cut = false;
      if (!text_.Line(*line, kScriptLineMax, cut)) return EndsInside(k);
      if (cut) {
        Report("a text line of " + which + " is longer than " + std::to_string(kScriptLineMax) +
               " characters; cut there");
      }
    }
    result_.events.push_back(std::move(e));
    // The closing mark: one non-blank character. The rest of its line is read on: the next header may
    // stand there.
    if (!text_.SkipBlanks()) {
      Report(which + " has no closing mark");
      return true;
    }
    text_.Get();
    return true;
  }

  ScriptText text_;
  std::string_view fileName_;
  ScriptFile result_;
};

}  // namespace

ScriptFile ReadScriptEvents(std::istream& in, std::string_view fileName) {
  return ScriptParser(in, fileName).Read();
}
