// The SDL scancode table: worked mappings and one code per physical key.
#include <SDL_scancode.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/keyboard.h"
#include "platform/native/scancode_table.h"

namespace {

using plat::ScancodeToKey;

TEST(ScancodeTable, MapsPhysicalKeysToGameCodes) {
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_ESCAPE), 1);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_1), 2);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_9), 10);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_0), 11);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_BACKSPACE), 14);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_Q), 16);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_RETURN), 28);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_A), 30);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_S), 31);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_D), 32);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_GRAVE), 41);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_LSHIFT), 42);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_B), 48);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_RSHIFT), 54);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_SPACE), 57);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_KP_PLUS), 78);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_F11), 87);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_KP_ENTER), 156);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_PAUSE), 197);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_UP), 200);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_LEFT), 203);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_RIGHT), 205);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_DOWN), 208);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_DELETE), 211);
}

TEST(ScancodeTable, UnmappedAndOutOfRangeGiveMinusOne) {
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_UNKNOWN), -1);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_NONUSHASH), -1);
  EXPECT_EQ(ScancodeToKey(SDL_SCANCODE_F13), -1);
  EXPECT_EQ(ScancodeToKey(-1), -1);
  EXPECT_EQ(ScancodeToKey(SDL_NUM_SCANCODES), -1);
  EXPECT_EQ(ScancodeToKey(100000), -1);
}

// Every code in the game's numbering is reached by exactly one scancode, and nothing else is.
TEST(ScancodeTable, EachGameCodeHasExactlyOneScancode) {
  std::set<int> expected;
  for (int code = 1; code <= 83; ++code) expected.insert(code);
  for (int code : {87, 88, 156, 157, 181, 184, 197, 199, 200, 201, 203, 205, 207, 208, 209, 210, 211})
    expected.insert(code);

  std::map<int, int> scancodeOf;
  for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
    int code = ScancodeToKey(scancode);
    if (code < 0) continue;
    auto [it, fresh] = scancodeOf.emplace(code, scancode);
    EXPECT_TRUE(fresh) << "code " << code << " from scancodes " << it->second << " and " << scancode;
  }
  std::set<int> produced;
  for (const auto& entry : scancodeOf) produced.insert(entry.first);
  EXPECT_EQ(produced, expected);
}

}  // namespace
