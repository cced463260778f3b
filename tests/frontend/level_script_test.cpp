// The script reader on sound and damaged files: what it reads, and each fault named with file and line.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "frontend/level_script.h"

namespace {

ScriptFile Read(const std::string& text) {
  std::istringstream in(text);
  return ReadScriptEvents(in, "s.txt");
}

TEST(LevelScriptTest, AHeaderWithFurtherWordsAndWholeTextLines) {
  const ScriptFile f = Read("2\n1 4.5 P extra words\n  two  blanks \r\n\nlast\n#\n0 0 t\n-\n-\n-\n#\n");
  ASSERT_EQ(f.events.size(), 2u);
  EXPECT_TRUE(f.problems.empty());
  const ScriptEvent& e = f.events[0];
  EXPECT_EQ(e.chain, 1u);
  EXPECT_FLOAT_EQ(e.duration, 4.5f);
  EXPECT_EQ(e.type, 'P');
  EXPECT_EQ(e.line1, "  two  blanks ");
  EXPECT_EQ(e.line2, "");
  EXPECT_EQ(e.line3, "last");
  EXPECT_EQ(f.events[1].type, 't');
}

TEST(LevelScriptTest, DamagedFilesAreReportedWithFileAndLine) {
  const std::string event = "0 1 R\na\nb\nc\n#\n";
  const struct {
    std::string text;
    size_t events;
    std::string problem;  // the first problem reported; empty: none
  } cases[] = {
      {"", 0, ""},
      {"-3\n" + event, 0, "s.txt, line 1: the event count -3 is below 0"},
      {"2x\n" + event + event, 2, "s.txt, line 1: expected a whole number (event count), found \"2x\""},
      {"99999999\n" + event, 4096, "s.txt, line 1: the event count 99999999 is more than a script may hold"},
      {"3\n" + event, 3,
       "s.txt, line 7: the count says 3 events, but the file holds 1; the others are empty"},
      {"1\nx 1 R\na\nb\nc\n#\n", 1, "s.txt, line 2: expected a whole number (chain of event 1 of 1)"},
      {"1\n0 inf R\na\nb\nc\n#\n", 1, "s.txt, line 2: expected a number (duration of event 1 of 1)"},
      {"1\n0 1 R\na\n" + std::string(300, 'x') + "\nc\n#\n", 1,
       "s.txt, line 5: a text line of event 1 of 1 is longer than 254"},
      {"1\n0 1 R\na\nb\n", 1, "s.txt, line 5: the file ends inside event 1"},
      {"1\n0 1", 1, "s.txt, line 2: the file ends inside event 1"},
      {"1\n" + std::string(70, '0') + "1 1 R\na\nb\nc\n#\n", 1, "s.txt, line 2: a word longer than 64"},
      {"1\n0 1 R\na\nb\nc\n", 1, "s.txt, line 6: event 1 of 1 has no closing mark"},
      {"2\n0 1 R\na\nb\nc\n#x\n" + event, 2,
       "s.txt, line 6: expected a whole number (chain of event 2 of 2), found \"x\""},
      {std::string("1\n0 1 \xff\0\n\n", 10) + "\n\n#", 1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    const ScriptFile f = Read(c.text);
    EXPECT_EQ(f.events.size(), c.events);
    if (c.problem.empty()) {
      EXPECT_TRUE(f.problems.empty()) << f.problems[0];
    } else {
      ASSERT_FALSE(f.problems.empty());
      EXPECT_EQ(f.problems[0].substr(0, c.problem.size()), c.problem) << f.problems[0];
    }
  }
  EXPECT_EQ(Read("1\n0 inf R\na\nb\nc\n#\n").events[0].duration, 0.0f);  // a display that never ends
  // A cut line keeps its first 254 characters.
  EXPECT_EQ(Read("1\n0 1 R\n" + std::string(300, 'x') + "\nb\nc\n#\n").events[0].line1,
            std::string(254, 'x'));
  // The closing mark is one character: a header after it on its line is the next event's.
  const ScriptFile joined = Read("2\n0 1 R\na\nb\nc\n# 1 2 S\nd\ne\nf\n#\n");
  ASSERT_EQ(joined.events.size(), 2u);
  EXPECT_TRUE(joined.problems.empty());
  const ScriptEvent& second = joined.events[1];
  EXPECT_EQ(second.chain, 1u);
  EXPECT_FLOAT_EQ(second.duration, 2.0f);
  EXPECT_EQ(second.type, 'S');
  EXPECT_EQ(second.line1, "d");
  // Events the file does not supply, up to the count, are empty: a cut one too.
  for (const ScriptEvent& missing : {Read("3\n" + event).events[2], Read("1\n0 1 R\na\nb\n").events[0]}) {
    EXPECT_EQ(missing.type, 0);
    EXPECT_EQ(missing.chain, 0u);
    EXPECT_EQ(missing.duration, 0.0f);
    EXPECT_EQ(missing.line1 + missing.line2 + missing.line3, "");
  }
}

}  // namespace
