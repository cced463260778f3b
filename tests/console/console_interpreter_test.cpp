// The console's records and line interpreter on a console of its own, bound to local variables.
#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>

#include "console_test_support.h"

namespace {

ConsoleArgs g_args;
void Record(const ConsoleArgs& args) {
  g_args = args;
}
void Answer(const ConsoleArgs&) {
  throw std::runtime_error("one\ntwo\n");
}

struct Bound {
  int fps = 60, score = 0;
  float speed = 50.0f;
  bool track = true;
  Console console;
  Bound() {
    console.RegisterVariable("track", &track, kBoolVariable);
    console.RegisterVariable("fps", &fps, kIntVariable);
    console.RegisterVariable("score", &score, kIntVariable);
    console.RegisterVariable("speed", &speed, kFloatVariable);
    console.RegisterFunction("f", Record);
    console.RegisterFunction("g", Record);  // a second name for one handler is dropped
    console.RegisterFunction("x", Answer);
    console.RegisterVariable("ecount", &score, kIntVariable);  // an address already registered
    g_args = {"not called"};
  }
};

TEST(ConsoleInterpreter, LinesInLinesOut) {
  struct Row {
    const char *line, *printed;
    int score = 0;
    float speed = 50.0f;
    bool track = true;
  };
  // clang-format off
  const Row rows[] = {
      {"fps", "fps = 60"}, {" fps ", "fps = 60"}, {"fps\t", "Variable \"fps\t\" not found."},
      {"score = 500 points", "score = 500", 500}, {"score=-7", "score = -7", -7},
      {"speed =", "Needs more parameters."}, {"= 3", "Empty Parameters"}, {"", "Empty Parameters"},
      {"(f", "Empty Parameters"}, {"help", "Variable \"help\" not found."},
      {"Speed", "Variable \"Speed\" not found."}, {"nope = 3", "Variable \"nope\" not found."},
      {"ecount", "Variable \"ecount\" not found."}, {" f()", "Function \"f\" not found."},
      {"f ()", "Function \"f\" not found."}, {"g()", "Function \"g\" not found."},
      {"speed = 12.5x", "speed = 12.500000", 0, 12.5f}, {"fps = abc", "fps = 0"},
      {"track = yes", "Invalid Input, try true or false"},
      {"track = False", "track = False", 0, 50.0f, false},
      {"track = t", "track = True"}, {"track = 0", "track = False", 0, 50.0f, false},
      {"x(1)=2", "one\ntwo\n"}};  // a call: the first separator decides
  // clang-format on
  for (const Row& row : rows) {
    Bound b;
    EXPECT_EQ(Printed(b.console, row.line), row.printed) << row.line;
    EXPECT_EQ(b.console.history.front(), row.line);
    EXPECT_EQ(std::tie(b.score, b.speed, b.track), std::tie(row.score, row.speed, row.track)) << row.line;
  }
}

TEST(ConsoleInterpreter, CallArguments) {
  // clang-format off
  const std::pair<const char*, ConsoleArgs> rows[] = {
      {"f(2,3)", {"2", "3"}}, {"f( l1z1.kvl )", {"l1z1.kvl"}}, {"f()", {}}, {"f(fps", {}},
      {"f(a,)", {"a", ""}}, {"f( )", {""}}, {"f(a b)", {"a"}}, {"f(a,b", {"a"}}, {"f(1)junk", {"1"}}};
  // clang-format on
  for (const auto& [line, args] : rows) {
    Bound b;
    EXPECT_EQ(Printed(b.console, line), "") << line;  // the command has nothing to say
    EXPECT_EQ(g_args, args) << line;
  }
}

TEST(ConsoleRecords, AnUnreadableBoolThrowsAStandardErrorAndKeepsTheValue) {
  bool flag = true;
  for (const char* word : {"yes", "", " true"}) {
    EXPECT_THROW(VariableRecord("track", &flag, kBoolVariable).SetFromString(word), std::runtime_error)
        << word;
  }
  EXPECT_TRUE(flag);
}

}  // namespace
