// The SDL scancode table: worked mappings and one code per physical key.
#include <SDL_scancode.h>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>

#include "platform/keyboard.h"
#include "platform/native/scancode_table.h"

namespace {

using plat::ScancodeToKey;

TEST(ScancodeTable, MapsPhysicalKeysToGameCodesAndTheRestToMinusOne) {
  const std::pair<int, int> mapped[] = {
      {SDL_SCANCODE_ESCAPE, 1},   {SDL_SCANCODE_1, 2},          {SDL_SCANCODE_9, 10},
      {SDL_SCANCODE_0, 11},       {SDL_SCANCODE_BACKSPACE, 14}, {SDL_SCANCODE_Q, 16},
      {SDL_SCANCODE_RETURN, 28},  {SDL_SCANCODE_A, 30},         {SDL_SCANCODE_S, 31},
      {SDL_SCANCODE_D, 32},       {SDL_SCANCODE_GRAVE, 41},     {SDL_SCANCODE_LSHIFT, 42},
      {SDL_SCANCODE_B, 48},       {SDL_SCANCODE_RSHIFT, 54},    {SDL_SCANCODE_SPACE, 57},
      {SDL_SCANCODE_KP_PLUS, 78}, {SDL_SCANCODE_F11, 87},       {SDL_SCANCODE_KP_ENTER, 156},
      {SDL_SCANCODE_PAUSE, 197},  {SDL_SCANCODE_UP, 200},       {SDL_SCANCODE_LEFT, 203},
      {SDL_SCANCODE_RIGHT, 205},  {SDL_SCANCODE_DOWN, 208},     {SDL_SCANCODE_DELETE, 211}};
  for (auto [scancode, code] : mapped) EXPECT_EQ(ScancodeToKey(scancode), code) << "scancode " << scancode;
  for (int unmapped : {int(SDL_SCANCODE_UNKNOWN), int(SDL_SCANCODE_NONUSHASH), int(SDL_SCANCODE_F13), -1,
                       int(SDL_NUM_SCANCODES), 100000})
    EXPECT_EQ(ScancodeToKey(unmapped), -1) << unmapped;
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
