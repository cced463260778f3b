// Keyboard input: pressed, held and released flags, hold times, typed characters.
#include <gtest/gtest.h>

#include <vector>

#include "app/input.h"
#include "platform/headless/headless_services.h"
#include "platform/keyboard.h"

namespace {

namespace key = plat::key;

class InputTest : public ::testing::Test {
 protected:
  plat::HeadlessServices services;
  Input input{services.keyboards(), services.clock()};
  void SetUp() override { ASSERT_TRUE(input.InitKeyboard()); }
  // Sets the keys down for one update after an update with every key up.
  int TypeTogether(const std::vector<int>& keys) {
    services.ReleaseAllKeys();
    input.Update();
    for (int k : keys) services.SetKey(k, true);
    input.Update();
    return input.GetTypedChar();
  }
};

TEST_F(InputTest, KeyHeldOverThreeUpdates) {
  services.SetTick(1000);
  services.SetKey(key::Left, true);
  input.Update();
  EXPECT_TRUE(input.KeyPressed(key::Left));
  EXPECT_TRUE(input.KeyHeld(key::Left));
  EXPECT_EQ(input.KeyHoldTime(key::Left), 0);

  services.AdvanceTicks(30);
  input.Update();
  EXPECT_FALSE(input.KeyPressed(key::Left));
  EXPECT_TRUE(input.KeyHeld(key::Left));
  EXPECT_EQ(input.KeyHoldTime(key::Left), 30);

  // Hold times read the raw tick counter: a long stall is not clamped.
  services.AdvanceTicks(470);
  input.Update();
  EXPECT_FALSE(input.KeyPressed(key::Left));
  EXPECT_TRUE(input.KeyHeld(key::Left));
  EXPECT_EQ(input.KeyHoldTime(key::Left), 500);
  EXPECT_FALSE(input.KeyReleased(key::Left));
  // Out-of-range codes answer nothing.
  EXPECT_FALSE(input.KeyPressed(-1));
  EXPECT_FALSE(input.KeyHeld(256));
  EXPECT_EQ(input.KeyHoldTime(1000), 0);

  services.SetKey(key::Left, false);
  input.Update();
  EXPECT_TRUE(input.KeyReleased(key::Left));
  EXPECT_FALSE(input.KeyHeld(key::Left));
  EXPECT_EQ(input.KeyHoldTime(key::Left), 0);

  input.Update();
  EXPECT_FALSE(input.KeyReleased(key::Left));
}

TEST_F(InputTest, TypedCharacterFollowsTheFixedOrder) {
  // Letters alphabetically, then digits 1 to 8, then 9 and 0, then punctuation in its own order.
  const struct {
    std::vector<int> keys;
    int typed;
  } cases[] = {{{key::S, key::D}, 'd'},
               {{key::K1, key::Z}, 'z'},
               {{key::Minus, key::K8}, '8'},
               {{key::Period, key::K9}, '9'},
               {{key::K0}, '0'},
               {{key::Comma, key::Equals}, '='},
               {{key::Space}, ' '},
               {{key::Period}, '.'},
               {{key::Enter, key::Up}, -1},
               {{}, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(TypeTogether(c.keys), c.typed);
  }
  EXPECT_EQ(Input::kNoChar, -1);
}

TEST_F(InputTest, ShiftChangesOnlyNineAndZero) {
  services.SetKey(key::LShift, true);
  input.Update();
  services.SetKey(key::K9, true);
  input.Update();
  EXPECT_EQ(input.GetTypedChar(), '(');
  // Shift going down in the same update already counts as held.
  EXPECT_EQ(TypeTogether({key::RShift, key::K0}), ')');
  EXPECT_EQ(TypeTogether({key::LShift, key::K1}), '1');
}

TEST_F(InputTest, LastPressedKeyIsTheHighestCode) {
  services.SetKey(key::Up, true);
  services.SetKey(key::Enter, true);
  input.Update();
  EXPECT_EQ(input.GetLastPressedKey(), 200);
  input.Update();  // still held, no longer pressed
  EXPECT_EQ(input.GetLastPressedKey(), -1);
}

TEST_F(InputTest, ASecondInitIsRefusedAndReleaseClosesTheDevice) {
  EXPECT_FALSE(input.InitKeyboard());
  EXPECT_EQ(services.OpenKeyboardCount(), 1);
  input.Release();
  EXPECT_EQ(services.OpenKeyboardCount(), 0);
}

TEST(InputWithoutKeyboard, EveryQueryAnswersNothing) {
  plat::HeadlessServices services;
  services.SetKeyboardAvailable(false);
  services.SetKey(key::A, true);
  Input input(services.keyboards(), services.clock());
  EXPECT_FALSE(input.InitKeyboard());
  input.Update();
  EXPECT_FALSE(input.KeyPressed(key::A));
  EXPECT_EQ(input.GetTypedChar(), Input::kNoChar);
  EXPECT_EQ(input.GetLastPressedKey(), -1);
  EXPECT_EQ(services.KeyboardsOpened(), 0);
}

TEST(InputControllers, AtMostFiveNamesAreKept) {
  plat::HeadlessServices services;
  services.SetControllers({"a", "b", "c", "d", "e", "f"});
  Input input(services.keyboards(), services.clock());
  ASSERT_EQ(input.ControllerNames().size(), 5u);
  EXPECT_EQ(input.ControllerNames()[4], "e");
}

}  // namespace
