// The console's screen: input editing, history, output lines, watches, and its keys in the headless engine.
#include <gtest/gtest.h>

#include <map>

#include "app/game_state.h"
#include "console/console.h"
#include "console_test_support.h"
#include "graphics/sprite.h"
#include "harness/engine_harness.h"
#include "harness/play_support.h"
#include "platform/keyboard.h"

namespace {

namespace key = plat::key;

TEST(ConsoleScreen, InputKeepsNinetyNineCharacters) {
  Console console;
  for (int i = 0; i < 120; ++i) console.AddInputChar(static_cast<char>('a' + i % 26));
  EXPECT_EQ(console.inputLength, 99);
  EXPECT_EQ(console.InputText().substr(95), "rstu");
  console.Backspace();
  EXPECT_EQ(console.inputLength, 98);
  console.ClearInput();
  console.Backspace();  // nothing left to drop
  EXPECT_EQ(console.InputText(), "");
}

TEST(ConsoleScreen, HistoryWalksNewestToOldestAndRestartsAfterHide) {
  Console console;
  console.RecallHistory();  // empty history: nothing
  EXPECT_EQ(console.InputText(), "");
  for (const char* line : {"first", "second", "third"}) Printed(console, line);
  std::vector<std::string> recalled;
  for (int i = 0; i < 4; ++i) {
    console.RecallHistory();
    recalled.push_back(console.InputText());
  }
  EXPECT_EQ(recalled, (std::vector<std::string>{"third", "second", "first", "third"}));
  Printed(console, "");  // a submit does not restart the walk; the empty line joins the history
  EXPECT_EQ(console.history.size(), 4u);
  console.RecallHistory();
  EXPECT_EQ(console.InputText(), "third");
  console.Hide();
  EXPECT_EQ(console.InputText(), "");
  console.RecallHistory();
  EXPECT_EQ(console.InputText(), "");  // the empty line, now the newest
  console.RecallHistory();
  EXPECT_EQ(console.InputText(), "third");
}

TEST(ConsoleScreen, PrintingPushesLinesUp) {
  Console console;
  console.Print("a");
  console.Print("b");
  console.Print("c");
  EXPECT_EQ(console.LineText(2), "a");
  EXPECT_EQ(console.LineText(0), "c");
  for (int i = 0; i < 30; ++i) console.Print("line " + std::to_string(i));
  EXPECT_EQ(console.LineText(28), "line 1");  // "line 0" fell off
  EXPECT_EQ(console.LineText(0), "line 29");
  console.Print("ignored", Console::kLines);
  console.Print("mid", 27);  // only the lines from 27 up move
  EXPECT_EQ(console.LineText(28), "line 2");
  EXPECT_EQ(console.LineText(26), "line 3");
}

// Label places in pixels of the 800 by 600 screen.
int Px(float f, int size) {
  return static_cast<int>(static_cast<float>(size) * f);
}

TEST(ConsoleScreen, WatchesCloseTheGapOnTheNextFrame) {
  EngineHarness h;
  Console& console = h.engine().console;
  const int height = h.graphics().GetHeight();
  ASSERT_TRUE(console.Watch("fps"));
  ASSERT_TRUE(console.Watch("speed"));
  EXPECT_FALSE(console.Watch("Speed"));
  EXPECT_EQ(console.watches[1].label->text, "50.000000");  // the value alone until the next frame
  h.Step();
  EXPECT_EQ(console.watches[1].label->text, "speed: 50.000000");
  EXPECT_EQ(console.watches[1].label->y, Px(0.925f, height));
  console.Unwatch("nothing");
  console.Unwatch("fps");
  ASSERT_EQ(console.watches.size(), 1u);
  EXPECT_EQ(console.watches[0].label->y, Px(0.925f, height));
  h.Step();
  EXPECT_EQ(console.watches[0].label->y, Px(0.95f, height));
  ASSERT_TRUE(console.Watch("score"));
  EXPECT_EQ(console.watches[1].label->y, Px(0.925f, height));
  EXPECT_EQ(console.watches[1].label->x, Px(0.03f, h.graphics().GetWidth()));
  // Watches show in every state, the splash screens included.
  EXPECT_EQ(h.state(), kFirstSplash);
  EXPECT_TRUE(console.watches[0].label->IsVisible());
}

// The keys that type each character the console accepts; "(" and ")" need Shift.
void Type(EngineHarness& h, const std::string& text) {
  static const std::map<char, int> kKeys = {
      {'a', key::A},     {'b', key::B},      {'c', key::C},     {'d', key::D},     {'e', key::E},
      {'h', key::H},     {'l', key::L},      {'p', key::P},     {'s', key::S},     {'1', key::K1},
      {'2', key::K2},    {'5', key::K5},     {'9', key::K9},    {'0', key::K0},    {'=', key::Equals},
      {' ', key::Space}, {'.', key::Period}, {',', key::Comma}, {'-', key::Minus}, {'(', key::K9},
      {')', key::K0}};
  for (char c : text) {
    const bool shift = c == '(' || c == ')';
    if (shift) h.services.SetKey(key::LShift, true);
    h.Tap(kKeys.at(c));
    if (shift) h.services.SetKey(key::LShift, false);
  }
}

TEST(ConsoleScreen, KeysTypeEditSubmitRecallAndClose) {
  EngineHarness h;
  EnterPlay(h);
  Console& console = h.engine().console;
  ASSERT_NE(console.background, nullptr);  // "Console.bmp" is built
  EXPECT_FALSE(console.background->IsVisible());
  h.Tap(key::Grave);
  ASSERT_EQ(h.state(), kConsole);
  EXPECT_TRUE(console.background->IsVisible());
  EXPECT_TRUE(console.lines[28].label->IsVisible());

  Type(h, "speed = 12.5,-9 0");
  EXPECT_EQ(console.InputText(), "speed = 12.5,-9 0");
  EXPECT_EQ(console.inputLabel->text, "speed = 12.5,-9 0");
  h.Tap(key::Backspace);
  h.Tap(key::Backspace);
  h.Tap(key::Enter);
  EXPECT_EQ(console.LineText(0), "speed = 12.500000");
  EXPECT_EQ(console.lines[0].label->text, "speed = 12.500000");
  EXPECT_EQ(console.InputText(), "");

  Type(h, "help()");
  EXPECT_EQ(console.InputText(), "help()");
  h.Tap(key::Escape);  // clears the line; the console stays
  EXPECT_EQ(console.InputText(), "");
  EXPECT_EQ(h.state(), kConsole);
  h.Tap(key::Up);
  EXPECT_EQ(console.InputText(), "speed = 12.5,-9");

  h.Tap(key::Grave);
  EXPECT_EQ(h.state(), kTopView);
  EXPECT_FALSE(console.background->IsVisible());
  EXPECT_FALSE(console.inputLabel->IsVisible());
  EXPECT_EQ(console.InputText(), "");
  EXPECT_EQ(console.LineText(0), "speed = 12.500000");  // output lines keep their text
}

}  // namespace
