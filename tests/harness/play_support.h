// Taking the headless engine from its first splash screen into play, for the tests that start there.
#pragma once

#include <gtest/gtest.h>

#include "app/game_state.h"
#include "harness/engine_harness.h"
#include "platform/keyboard.h"

// Enters a play view from the main menu: Enter through both splashes, then Start.
inline void EnterPlay(EngineHarness& h) {
  h.Tap(plat::key::Enter);
  h.Tap(plat::key::Enter);
  ASSERT_EQ(h.state(), kMainMenu);
  h.Tap(plat::key::Enter);
  ASSERT_EQ(h.state(), kTopView);
}
