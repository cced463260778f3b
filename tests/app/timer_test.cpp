// The frame clock: clamping, wrap of the tick counter, shared state.
#include <gtest/gtest.h>

#include "app/timer.h"
#include "platform/headless/headless_services.h"

namespace {

class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Timer::ResetForTests();
    Timer::SetClock(&services.clock());
  }
  void TearDown() override { Timer::ResetForTests(); }
  plat::HeadlessServices services;
};

TEST_F(TimerTest, ZeroUntilTheFirstTickThenLongFramesAreClampedTo100Ms) {
  services.SetTick(5000);
  Timer t;
  services.SetTick(5040);
  EXPECT_EQ(t.GetFrameMs(), 0);
  EXPECT_EQ(t.GetFrameSeconds(), 0.0f);
  EXPECT_EQ(t.GetTimeMs(), 0);
  t.Tick();
  EXPECT_EQ(t.GetFrameMs(), 40);
  EXPECT_FLOAT_EQ(t.GetFrameSeconds(), 0.04f);
  EXPECT_EQ(t.GetTimeMs(), 40);

  services.AdvanceTicks(250);
  t.Tick();
  EXPECT_EQ(t.GetFrameMs(), 100);
  EXPECT_FLOAT_EQ(t.GetFrameSeconds(), 0.1f);
  EXPECT_EQ(t.GetTimeMs(), 140);

  t.Tick();  // a second tick in the same millisecond
  EXPECT_EQ(t.GetFrameMs(), 0);
  EXPECT_EQ(t.GetFrameSeconds(), 0.0f);
  EXPECT_EQ(t.GetTimeMs(), 140);
}

TEST_F(TimerTest, TheWrapOfTheTickCounterGivesTheTrueDifferenceAndLaterTimersShareTheClock) {
  services.SetTick(0xFFFFFFF0u);
  Timer first;
  services.SetTick(0x00000008u);
  Timer second;                   // must not restart the clock here
  services.SetTick(0x00000010u);  // 32 ms after the first, past the wrap
  second.Tick();
  EXPECT_EQ(first.GetFrameMs(), 32);
  EXPECT_EQ(first.GetTimeMs(), 32);
}

}  // namespace
