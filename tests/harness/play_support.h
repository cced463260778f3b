// Taking the headless engine from its first splash screen into play, for the tests that start there.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/game_state.h"
#include "frontend/hud.h"
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

// Enters play as a new game does, then loads the named zone in place of the first.
inline void EnterZone(EngineHarness& h, const std::string& level) {
  EnterPlay(h);
  if (level != "l1z1.kvl") {
    ASSERT_TRUE(h.engine().LoadLevel(level.c_str()));
    if (g_hud != nullptr && level == "l1z2.kvl") g_hud->zone = 2;
  }
}
