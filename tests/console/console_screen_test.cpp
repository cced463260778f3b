// The console's screen: input editing, history, output lines, watches, and its keys in the headless engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <vector>

#include "app/game_state.h"
#include "console_test_support.h"
#include "graphics/sprite.h"
#include "harness/engine_harness.h"
#include "harness/play_support.h"
#include "platform/keyboard.h"

namespace {

namespace key = plat::key;

TEST(ConsoleScreen, InputHistoryAndOutputLines) {
  Console console;
  console.RecallHistory();  // nothing to recall
  for (int i = 0; i < 120; ++i) console.AddInputChar(static_cast<char>('a' + i % 26));
  EXPECT_EQ(console.InputText().size(), 99u);
  EXPECT_EQ(console.InputText().substr(95), "rstu");

  for (const char* line : {"first", "second", "third"}) Printed(console, line);
  std::string walk;
  for (int i = 0; i < 4; ++i) {
    console.RecallHistory();
    walk += console.InputText() + " ";
  }
  EXPECT_EQ(walk, "third second first third ");
  console.Hide();
  console.RecallHistory();
  EXPECT_EQ(console.InputText(), "third");  // hiding restarts the walk at the newest

  console.RegisterFunction("x", [](const ConsoleArgs&) { throw std::runtime_error("one\ntwo\n"); });
  Printed(console, "x()");  // "one", "two" and an empty line, first piece highest
  EXPECT_EQ(console.LineText(2), "one");
  EXPECT_EQ(console.LineText(0), "");
  for (int i = 0; i < 30; ++i) console.Print(std::to_string(i));
  EXPECT_EQ(console.LineText(28), "1");  // the first of thirty fell off
}

TEST(ConsoleScreen, WatchesShowEveryFrameAndCloseTheGap) {
  EngineHarness h;
  Console& console = h.engine().console;
  auto y = [&h](float f) { return static_cast<int>(static_cast<float>(h.graphics().GetHeight()) * f); };
  ASSERT_TRUE(console.Watch("fps") && console.Watch("speed"));
  EXPECT_FALSE(console.Watch("Speed"));
  EXPECT_EQ(console.watches[1].label->text, "50.000000");  // the value alone until the next frame
  h.Step();
  EXPECT_EQ(console.watches[1].label->text, "speed: 50.000000");
  console.Unwatch("fps");
  ASSERT_EQ(console.watches.size(), 1u);
  EXPECT_EQ(console.watches[0].label->y, y(0.925f));
  h.Step();
  EXPECT_EQ(console.watches[0].label->y, y(0.95f));
  ASSERT_TRUE(console.Watch("score"));
  EXPECT_EQ(console.watches[1].label->y, y(0.925f));
  EXPECT_EQ(h.state(), kFirstSplash);  // watches show in every state
  EXPECT_TRUE(console.watches[0].label->IsVisible());
}

// Taps the keys that type the text; "(" and ")" are Shift with 9 and 0.
void Type(EngineHarness& h, const std::string& text) {
  static const std::map<char, int> kKeys = {
      {'d', key::D},     {'e', key::E},      {'p', key::P},     {'s', key::S},    {'1', key::K1},
      {'2', key::K2},    {'5', key::K5},     {'9', key::K9},    {'0', key::K0},   {'=', key::Equals},
      {' ', key::Space}, {'.', key::Period}, {',', key::Comma}, {'-', key::Minus}};
  for (char c : text) {
    const bool shift = c == '(' || c == ')';
    h.services.SetKey(key::LShift, shift);
    h.Tap(c == '(' ? key::K9 : c == ')' ? key::K0 : kKeys.at(c));
  }
  h.services.SetKey(key::LShift, false);
}

TEST(ConsoleScreen, KeysTypeEditSubmitRecallClearAndClose) {
  EngineHarness h;
  EnterPlay(h);
  Console& console = h.engine().console;
  ASSERT_NE(console.background, nullptr);  // "Console.bmp" is built
  h.Tap(key::Grave);
  ASSERT_EQ(h.state(), kConsole);
  EXPECT_TRUE(console.background->IsVisible() && console.lines[28].label->IsVisible());
  Type(h, "speed = 12.5,-9 0()");
  EXPECT_EQ(console.inputLabel->text, "speed = 12.5,-9 0()");
  for (int key : {key::Backspace, key::Backspace, key::Backspace, key::Backspace, key::Enter}) h.Tap(key);
  EXPECT_EQ(console.lines[0].label->text, "speed = 12.500000");
  Type(h, "55");
  h.Tap(key::Escape);  // clears the line; the console stays
  EXPECT_EQ(console.InputText(), "");
  h.Tap(key::Up);
  EXPECT_EQ(console.InputText(), "speed = 12.5,-9");
  h.Tap(key::Grave);
  EXPECT_EQ(h.state(), kTopView);
  EXPECT_FALSE(console.background->IsVisible() || console.inputLabel->IsVisible());
  EXPECT_EQ(console.InputText(), "");
  EXPECT_EQ(console.LineText(0), "speed = 12.500000");  // output lines keep their text
}

// At 50 ms frames, taps shorter than a frame and keys overlapping within one still type every character, in
// order; Shift is held throughout (letters ignore it).
TEST(ConsoleScreen, TapsShorterThanAFrameTypeEveryCharacterInOrder) {
  const struct {
    uint32_t gapMs, tapMs;  // from one key's press to the next's; how long each is down
  } cases[] = {{60, 20}, {30, 40}};
  for (const auto& c : cases) {
    EngineHarness h(50);
    EnterPlay(h);
    h.Tap(key::Grave);
    h.services.SetKey(key::LShift, true);
    std::vector<EngineHarness::KeyChange> changes;
    uint32_t at = 0;
    for (int k : {key::H, key::E, key::L, key::P, key::K9, key::K0}) {
      changes.push_back({at, k, true});
      changes.push_back({at + c.tapMs, k, false});
      at += c.gapMs;
    }
    std::stable_sort(changes.begin(), changes.end(),
                     [](const auto& a, const auto& b) { return a.ms < b.ms; });
    h.PlayKeyChanges(changes);
    EXPECT_EQ(h.engine().console.InputText(), "help()") << c.gapMs << " ms apart";
  }
}

}  // namespace
