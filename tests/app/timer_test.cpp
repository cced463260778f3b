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

TEST_F(TimerTest, GettersAreZeroUntilTheFirstTick) {
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
}

TEST_F(TimerTest, LongFrameIsClampedTo100Ms) {
  services.SetTick(0);
  Timer t;
  services.AdvanceTicks(30);
  t.Tick();
  services.AdvanceTicks(250);
  t.Tick();
  EXPECT_EQ(t.GetFrameMs(), 100);
  EXPECT_FLOAT_EQ(t.GetFrameSeconds(), 0.1f);
  EXPECT_EQ(t.GetTimeMs(), 130);
}

TEST_F(TimerTest, TwoTicksInOneMillisecondGiveZero) {
  Timer t;
  services.AdvanceTicks(16);
  t.Tick();
  t.Tick();
  EXPECT_EQ(t.GetFrameMs(), 0);
  EXPECT_EQ(t.GetFrameSeconds(), 0.0f);
  EXPECT_EQ(t.GetTimeMs(), 16);
}

TEST_F(TimerTest, WrapOfTheTickCounterGivesTheTrueDifference) {
  services.SetTick(0xFFFFFFF0u);
  Timer t;
  services.SetTick(0x00000010u);  // 32 ms later, after the wrap
  t.Tick();
  EXPECT_EQ(t.GetFrameMs(), 32);
  EXPECT_EQ(t.GetTimeMs(), 32);
}

TEST_F(TimerTest, LaterConstructionsShareTheClockAndNeverMoveIt) {
  services.SetTick(100);
  Timer first;
  services.SetTick(150);
  Timer second;  // must not restart the clock at 150
  services.SetTick(170);
  second.Tick();
  EXPECT_EQ(first.GetFrameMs(), 70);
  EXPECT_EQ(first.GetTimeMs(), 70);
}

}  // namespace
