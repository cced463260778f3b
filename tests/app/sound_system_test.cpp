// The sound system on recording audio: slots and their channels, the listener, the music; and the
// sounds the engine's states and level make.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/game_state.h"
#include "app/sound_system.h"
#include "game/player.h"
#include "graphics/level_event.h"
#include "graphics/model.h"
#include "harness/engine_harness.h"
#include "harness/play_support.h"
#include "platform/keyboard.h"

namespace {

using plat::headless::SoundCall;
using Lines = std::vector<std::string>;

const std::initializer_list<SoundCall> kMusicCalls = {SoundCall::Open, SoundCall::PlayStream,
                                                      SoundCall::StopStream, SoundCall::CloseStream};
const std::initializer_list<SoundCall> kPlayAndMusicCalls = {SoundCall::Play,       SoundCall::Play3D,
                                                             SoundCall::Open,       SoundCall::PlayStream,
                                                             SoundCall::StopStream, SoundCall::CloseStream};

class SoundSystemTest : public ::testing::Test {
 protected:
  SoundSystemTest() : services(EngineHarness::GameFolder()) {
    Timer::ResetForTests();
    Timer::SetClock(&services.clock());
    services.SetTick(1000);
    Timer timer;
  }
  ~SoundSystemTest() override { Timer::ResetForTests(); }

  // One frame of `ms` on the clock the frame time and the sound lengths follow.
  void Frame(uint32_t ms) {
    services.AdvanceTicks(ms);
    Timer().Tick();
  }
  plat::headless::RecordingAudio& audio() { return services.Sounds(); }

  plat::HeadlessServices services;
};

TEST_F(SoundSystemTest, ASlotAddressesItsLatestPlay) {
  SoundSystem sound(audio());
  SoundSlot* cursor = sound.GetSlot(kSoundCursor);
  // Two plays in one frame: two channels, and the slot keeps the second.
  sound.Play(cursor);
  const plat::Voice first = cursor->channel;
  sound.Play(cursor);
  EXPECT_NE(first, cursor->channel);
  sound.Stop(cursor);
  EXPECT_FALSE(sound.IsPlaying(cursor));
  EXPECT_TRUE(audio().IsPlaying(first));
}

TEST_F(SoundSystemTest, TheListenersVelocityIsItsDisplacementTimesTheFrameSeconds) {
  SoundSystem sound(audio());
  audio().ClearRecords();
  const struct {
    uint32_t frameMs;
    math::Vec3 position, velocity;
  } frames[] = {
      {20, {10, 0, 0}, {0.2f, 0, 0}},      // the first call measures from the origin
      {20, {10, 5, 0}, {0, 0.1f, 0}},      //
      {0, {20, 5, 0}, {0, 0, 0}},          // two frames in one millisecond
      {250, {20, 5, -30}, {0, 0, -3.0f}},  // the frame time is clamped to 100 ms
  };
  for (const auto& f : frames) {
    Frame(f.frameMs);
    sound.SetListener(f.position.x, f.position.y, f.position.z);
    const plat::headless::SoundRecord& r = audio().Records().back();
    ASSERT_EQ(r.call, SoundCall::Listener);
    EXPECT_EQ(r.position.x, f.position.x);
    EXPECT_EQ(r.position.z, f.position.z);
    EXPECT_NEAR(r.velocity.x, f.velocity.x, 1e-5f) << f.frameMs;
    EXPECT_NEAR(r.velocity.y, f.velocity.y, 1e-5f) << f.frameMs;
    EXPECT_NEAR(r.velocity.z, f.velocity.z, 1e-5f) << f.frameMs;
  }
}

TEST_F(SoundSystemTest, MusicIsReplacedStoppedAndClosedOnlyWhenOpen) {
  SoundSystem sound(audio());
  audio().ClearRecords();
  sound.StopMusic();  // nothing open: nothing to stop
  sound.PlayMusic(kIntroMusic, true);
  sound.PlayMusic("Assets/Sounds/Missing.mp3", true);  // the old track goes first; the new one fails
  sound.StopMusic();
  sound.StopMusic();
  sound.PlayMusic(kBossMusic, false);
  sound.PlayMusic(kLevelMusic, true);
  EXPECT_EQ(audio().Lines(kMusicCalls),
            (Lines{"open Assets/Sounds/Intro.mp3", "playstream Assets/Sounds/Intro.mp3 loop 150",
                   "stopstream Assets/Sounds/Intro.mp3", "closestream Assets/Sounds/Intro.mp3",
                   "open Assets/Sounds/Missing.mp3 failed", "open Assets/Sounds/Boss.mp3",
                   "playstream Assets/Sounds/Boss.mp3 once 150", "stopstream Assets/Sounds/Boss.mp3",
                   "closestream Assets/Sounds/Boss.mp3", "open Assets/Sounds/Level1.mp3",
                   "playstream Assets/Sounds/Level1.mp3 loop 150"}));
}

TEST(SoundSystemFiles, WithoutTheSoundFilesNothingPlaysAndNothingFails) {
  Timer::ResetForTests();
  plat::HeadlessServices services(std::filesystem::temp_directory_path() / "kv_no_sounds");
  {
    SoundSystem sound(services.Sounds());
    for (int i = 0; i < SoundSystem::kSlotCount; ++i) EXPECT_FALSE(sound.GetSlot(i)->sample) << i;
    SoundSlot* enter = sound.GetSlot(kSoundEnter);
    sound.Play(enter);
    EXPECT_FALSE(sound.IsPlaying(enter));
    sound.SetVolume(enter, 100);
    sound.Stop(enter);
    sound.PlayMusic(kIntroMusic, true);
    EXPECT_FALSE(sound.music);
    sound.StopMusic();
  }
  EXPECT_EQ(
      services.Sounds().Lines({SoundCall::Play, SoundCall::Volume, SoundCall::Stop, SoundCall::Open,
                               SoundCall::StopStream, SoundCall::CloseStream, SoundCall::Free}),
      (Lines{"play none 150", "volume stale 100", "stop stale", "open Assets/Sounds/Intro.mp3 failed"}));
}

// The engine's states and level.

TEST(EngineSounds, TheSplashesEndInTheIntroMusicWhichStartStopsForTheLevelMusic) {
  const struct {
    const char* name;
    bool byKeys;
  } cases[] = {{"splashes timed out", false}, {"splashes skipped by Enter", true}};
  for (const auto& c : cases) {
    EngineHarness h;
    if (c.byKeys) {
      h.Tap(plat::key::Enter);
      h.Tap(plat::key::Enter);
    } else {
      h.Frames(499);
      EXPECT_TRUE(h.services.Sounds().Lines(kMusicCalls).empty()) << c.name;
      h.Step();
    }
    ASSERT_EQ(h.state(), kMainMenu) << c.name;
    h.Tap(plat::key::Down);
    h.Tap(plat::key::Up);
    h.Tap(plat::key::Enter);  // Start again
    ASSERT_EQ(h.state(), kTopView) << c.name;
    EXPECT_EQ(h.services.Sounds().Lines(kPlayAndMusicCalls),
              (Lines{"open Assets/Sounds/Intro.mp3", "playstream Assets/Sounds/Intro.mp3 loop 150",
                     "play Assets/Sounds/Cursor.wav 150", "play Assets/Sounds/Cursor.wav 150",
                     "play Assets/Sounds/Enter.wav 150", "stopstream Assets/Sounds/Intro.mp3",
                     "closestream Assets/Sounds/Intro.mp3", "open Assets/Sounds/Level1.mp3",
                     "playstream Assets/Sounds/Level1.mp3 loop 150"}))
        << c.name;

    // Escape back to the menu: the level's music plays on until the next Start replaces it.
    h.services.Sounds().ClearRecords();
    h.Tap(plat::key::Escape);
    ASSERT_EQ(h.state(), kMainMenu);
    h.Tap(plat::key::Enter);
    EXPECT_EQ(h.services.Sounds().Lines(kPlayAndMusicCalls),
              (Lines{"play Assets/Sounds/Enter.wav 150", "stopstream Assets/Sounds/Level1.mp3",
                     "closestream Assets/Sounds/Level1.mp3", "open Assets/Sounds/Level1.mp3",
                     "playstream Assets/Sounds/Level1.mp3 loop 150"}));
  }
}

TEST(EngineSounds, TheListenerFollowsTheShipInPlayOnly) {
  EngineHarness h;
  h.Tap(plat::key::Enter);
  h.Tap(plat::key::Enter);
  EXPECT_TRUE(h.services.Sounds().Lines({SoundCall::Listener}).empty());
  h.Tap(plat::key::Enter);
  ASSERT_EQ(h.state(), kTopView);

  h.services.SetKey(plat::key::Left, true);
  for (int frame = 0; frame < 6; ++frame) {
    if (frame == 3) h.engine().SetState(kLevelStart);  // the level-start glide places it too
    h.services.Sounds().ClearRecords();
    h.Step();
    const Lines lines = h.services.Sounds().Lines({SoundCall::Listener});
    ASSERT_EQ(lines.size(), 1u) << frame;
    const plat::headless::SoundRecord& r = h.services.Sounds().Records().back();
    const math::Vec3 ship = h.engine().GetPlayer()->GetModel()->position;
    EXPECT_EQ(r.position.x, ship.x) << frame;
    EXPECT_EQ(r.position.y, ship.y) << frame;
    EXPECT_EQ(r.position.z, ship.z) << frame;
  }
  // Paused: no listener.
  h.engine().SetState(kPaused);
  h.services.Sounds().ClearRecords();
  h.Step();
  EXPECT_TRUE(h.services.Sounds().Lines({SoundCall::Listener}).empty());
}

TEST(EngineSounds, SlotsAScriptStepTheWeaponsHumAndTheEnginesEnd) {
  EngineHarness h;
  EXPECT_EQ(h.engine().GetSound(-1), nullptr);
  EXPECT_EQ(h.engine().GetSound(12), nullptr);
  EXPECT_EQ(h.engine().GetSound(kSoundAlert), &h.engine().sound->slots[kSoundAlert]);
  h.services.Sounds().ClearRecords();
  h.engine().PlaySound(h.engine().GetSound(kSoundExplode), 5, 6, 7, 0, 0, 0, true);
  h.engine().PlaySound(h.engine().GetSound(kSoundAlert), 5, 6, 7, 0, 0, 0, false);
  h.engine().PlaySound(nullptr, 0, 0, 0, 0, 0, 0, true);
  EXPECT_EQ(
      h.services.Sounds().Lines(kPlayAndMusicCalls),
      (Lines{"play3d Assets/Sounds/Explode.wav 150 (5,6,7) (0,0,0)", "play Assets/Sounds/Alert.wav 150"}));

  EnterPlay(h);
  h.graphics().levelEvents = {LevelEvent(kScriptStep, 0, 0, h.engine().GetPlayer()->railSegment, 0, 0, 0, 0)};
  h.graphics().lastEvent = -1;
  h.services.Sounds().ClearRecords();
  h.Step();
  EXPECT_EQ(h.services.Sounds().Lines({SoundCall::Play}), (Lines{"play Assets/Sounds/Cursor.wav 150"}));

  // Releasing the weapon stops its hum.
  SoundSlot* hum = h.engine().GetSound(kSoundBigLaser);
  h.engine().PlaySound(hum, 0, 0, 0, 0, 0, 0, false);
  ASSERT_TRUE(h.engine().sound->IsPlaying(hum));
  h.services.Sounds().ClearRecords();
  h.Tap(plat::key::S);
  EXPECT_EQ(h.services.Sounds().Lines({SoundCall::Stop}), (Lines{"stop Assets/Sounds/BigLaser.wav"}));
  EXPECT_FALSE(h.engine().sound->IsPlaying(hum));

  // The engine's end releases the sound system: the level's music closed, samples freed.
  h.services.Sounds().ClearRecords();
  h.DestroyEngine();
  const Lines lines = h.services.Sounds().Lines({SoundCall::CloseStream, SoundCall::Free});
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[0], "closestream Assets/Sounds/Level1.mp3");
}

}  // namespace
