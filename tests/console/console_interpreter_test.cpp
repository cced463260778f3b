// The console's records and line interpreter on a console of its own, bound to local variables.
#include <gtest/gtest.h>

#include <stdexcept>

#include "console/console.h"
#include "console_test_support.h"

namespace {

using Lines = std::vector<std::string>;

ConsoleArgs g_args;
int g_calls = 0;
void Record(const ConsoleArgs& args) {
  g_args = args;
  ++g_calls;
}
void Other(const ConsoleArgs&) {
  throw std::runtime_error("one\ntwo\n");
}

struct Bound {
  int fps = 60;
  int score = 0;
  float speed = 50.0f;
  bool track = true;
  Console console;
  Bound() {
    console.RegisterVariable("track", &track, kBoolVariable);
    console.RegisterVariable("fps", &fps, kIntVariable);
    console.RegisterVariable("score", &score, kIntVariable);
    console.RegisterVariable("speed", &speed, kFloatVariable);
    console.RegisterFunction("f", Record);
    console.RegisterFunction("x", Other);
    g_args = {"untouched"};
    g_calls = 0;
  }
};

TEST(ConsoleInterpreter, ShowAndSetForms) {
  struct Row {
    const char* line;
    Lines printed;
  };
  const Row rows[] = {
      {"fps", {"fps = 60"}},
      {" fps ", {"fps = 60"}},
      {"fps\tx", {"Variable \"fps\tx\" not found."}},  // only the space is a blank
      {"score = 500 points", {"score = 500"}},
      {"score=500", {"score = 500"}},
      {"speed =", {"Needs more parameters."}},
      {"= 3", {"Empty Parameters"}},
      {"", {"Empty Parameters"}},
      {"(f", {"Empty Parameters"}},
      {"help", {"Variable \"help\" not found."}},
      {"Speed", {"Variable \"Speed\" not found."}},
      {"nope = 3", {"Variable \"nope\" not found."}},
      {" help()", {"Function \"help\" not found."}},
      {"help ()", {"Function \"help\" not found."}},
      {"speed = 12.5x", {"speed = 12.500000"}},
      {"fps = abc", {"fps = 0"}},
      {"track = yes", {"Invalid Input, try true or false"}},
      {"track = False", {"track = False"}},
      {"track = t", {"track = True"}},
      {"track = 0", {"track = False"}},
      {"x(1)=2", {"one", "two", ""}},  // a call: the first separator decides
  };
  for (const Row& row : rows) {
    Bound b;
    EXPECT_EQ(Printed(b.console, row.line), row.printed) << row.line;
    EXPECT_EQ(b.console.history.front(), row.line);
  }
}

TEST(ConsoleInterpreter, SetsTheValueOnlyWhenItReads) {
  struct Row {
    const char* line;
    int score;
    float speed;
    bool track;
  };
  const Row rows[] = {
      {"score = 500 points", 500, 50.0f, true}, {"speed = 12.5x", 0, 12.5f, true},
      {"track = yes", 0, 50.0f, true},          {"track = f", 0, 50.0f, false},
      {"score = -7", -7, 50.0f, true},          {"speed = ", 0, 50.0f, true},
  };
  for (const Row& row : rows) {
    Bound b;
    Printed(b.console, row.line);
    EXPECT_EQ(b.score, row.score) << row.line;
    EXPECT_EQ(b.speed, row.speed) << row.line;
    EXPECT_EQ(b.track, row.track) << row.line;
  }
}

TEST(ConsoleInterpreter, CallArguments) {
  struct Row {
    const char* line;
    ConsoleArgs args;
  };
  const Row rows[] = {
      {"f(2,3)", {"2", "3"}},
      {"f( l1z1.kvl )", {"l1z1.kvl"}},
      {"f()", {}},
      {"f(fps", {}},
      {"f(a,)", {"a", ""}},
      {"f( )", {""}},
      {"f(a b)", {"a"}},
      {"f(a,b", {"a"}},
      {"f(1)junk", {"1"}},
  };
  for (const Row& row : rows) {
    Bound b;
    EXPECT_EQ(Printed(b.console, row.line), Lines{}) << row.line;  // the command has nothing to say
    EXPECT_EQ(g_calls, 1) << row.line;
    EXPECT_EQ(g_args, row.args) << row.line;
  }
}

TEST(ConsoleRecords, BoolWordsAndFormats) {
  bool flag = true;
  VariableRecord track("track", &flag, kBoolVariable);
  for (const char* word : {"False", "false", "0", "f"}) {
    flag = true;
    track.SetFromString(word);
    EXPECT_FALSE(flag) << word;
  }
  for (const char* word : {"True", "T", "1", "tx"}) {
    flag = false;
    track.SetFromString(word);
    EXPECT_TRUE(flag) << word;
  }
  for (const char* word : {"yes", "", "2", " true"}) {
    flag = true;
    try {
      track.SetFromString(word);
      ADD_FAILURE() << word << " was accepted";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "Invalid Input, try true or false");
    }
    EXPECT_TRUE(flag) << word;
  }
  float big = -3.4e38f;
  EXPECT_EQ(VariableRecord("v", &big, kFloatVariable).ToString().size(), 47u);
  EXPECT_EQ(VariableRecord("v", &big, 7).ToString(), "");
}

TEST(ConsoleRecords, DuplicatesGoByHandlerAndAddress) {
  Console console;
  int a = 1, b = 2;
  console.RegisterFunction("f", Record);
  console.RegisterFunction("g", Record);  // a second name for one handler is dropped
  console.RegisterVariable("v", &a, kIntVariable);
  console.RegisterVariable("w", &a, kIntVariable);
  console.RegisterVariable("v", &b, kIntVariable);  // same name, other address: kept, found second
  ASSERT_EQ(console.functions.size(), 1u);
  EXPECT_EQ(console.FindFunction("g"), nullptr);
  ASSERT_EQ(console.variables.size(), 2u);
  EXPECT_EQ(console.FindVariable("v")->value, &a);
  EXPECT_EQ(console.FindVariable("w"), nullptr);
}

TEST(ConsoleInterpreter, GetFirstWord) {
  const std::pair<std::string, std::string> rows[] = {
      {"  ab cd", "ab"}, {"ab", "ab"}, {"   ", ""}, {"", ""}, {std::string("a\0b", 3), "a"},
      {"\tx y", "\tx"}};
  for (const auto& [in, out] : rows) EXPECT_EQ(GetFirstWord(in), out) << in;
}

}  // namespace
