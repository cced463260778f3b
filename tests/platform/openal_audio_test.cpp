// The OpenAL audio service rendered through OpenAL Soft's loopback device (what a listener would hear), and
// on its null output as the game opens it when there is no sound card.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/native/openal_audio.h"

namespace {

using Vec3 = math::Vec3;

// Root-mean-square level of one channel (0 left, 1 right) of interleaved stereo, 0 to 1.
double Level(const std::vector<int16_t>& stereo, int channel) {
  double sum = 0.0;
  const size_t frames = stereo.size() / 2;
  for (size_t f = 0; f < frames; ++f) {
    const double v = stereo[2 * f + static_cast<size_t>(channel)] / 32768.0;
    sum += v * v;
  }
  return frames == 0 ? 0.0 : std::sqrt(sum / static_cast<double>(frames));
}

class LoopbackAudioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    audio = plat::CreateLoopbackAudio(plat::FileSystem("."), &error);
    ASSERT_NE(audio, nullptr) << error;
    enter = audio->LoadSample("Assets/Sounds/Enter.wav");
    hum = audio->LoadSample("Assets/Sounds/BigLaser.wav");
    ASSERT_TRUE(enter && hum);
  }

  std::vector<int16_t> Render(double seconds) {
    std::vector<int16_t> out(2 * static_cast<size_t>(seconds * plat::LoopbackAudio::kRate));
    audio->Render(out.data(), static_cast<int>(out.size() / 2));
    return out;
  }

  // The level after a stop, past the few samples over which OpenAL fades a stopped voice out.
  double LevelAfterStop() {
    Render(0.01);
    return Level(Render(0.05), 0);
  }

  std::unique_ptr<plat::LoopbackAudio> audio;
  plat::SampleId enter, hum;
};

TEST_F(LoopbackAudioTest, AFlatPlayIsHeardInTheMiddleAtItsVolumeUntilItsLengthHasPassed) {
  audio->Play(enter, 255);
  const double full = Level(Render(0.1), 0);
  ASSERT_GT(full, 0.05);
  Render(0.2);  // Enter.wav lasts 0.2 s

  const struct {
    int volume;
    double ratio;
  } cases[] = {{150, 150.0 / 255.0}, {0, 0.0}, {400, 1.0}, {-20, 0.0}};
  for (const auto& c : cases) {
    const plat::Voice v = audio->Play(enter, c.volume);
    EXPECT_TRUE(audio->IsPlaying(v)) << c.volume;
    const std::vector<int16_t> out = Render(0.1);
    EXPECT_NEAR(Level(out, 0) / full, c.ratio, 0.05) << c.volume;
    EXPECT_NEAR(Level(out, 1), Level(out, 0), 0.01) << c.volume << ": a flat play has no side";
    EXPECT_TRUE(audio->IsPlaying(v)) << c.volume;
    Render(0.15);
    EXPECT_FALSE(audio->IsPlaying(v)) << c.volume;
  }
}

TEST_F(LoopbackAudioTest, APositionedSoundComesFromItsSideOfTheLeftHandedWorldAndFadesWithDistance) {
  const struct {
    const char* name;
    Vec3 forward, at;
    bool rightLouder;
  } cases[] = {
      {"facing +Z, source at +X", {0, 0, 1}, {100, 0, 0}, true},
      {"facing +Z, source at -X", {0, 0, 1}, {-100, 0, 0}, false},
      // Facing +X with +Y up, the right hand points to -Z in a left-handed world.
      {"facing +X, source at -Z", {1, 0, 0}, {0, 0, -100}, true},
      {"facing +X, source at +Z", {1, 0, 0}, {0, 0, 100}, false},
  };
  for (const auto& c : cases) {
    audio->SetListener({0, 0, 0}, {0, 0, 0}, c.forward, {0, 1, 0});
    const plat::Voice v = audio->Play3D(hum, 255, c.at, {0, 0, 0});
    const std::vector<int16_t> out = Render(0.1);
    audio->Stop(v);
    const double left = Level(out, 0), right = Level(out, 1);
    ASSERT_GT(left + right, 0.01) << c.name;
    EXPECT_EQ(right > 1.5 * left, c.rightLouder) << c.name << ": left " << left << " right " << right;
    EXPECT_EQ(left > 1.5 * right, !c.rightLouder) << c.name << ": left " << left << " right " << right;
  }

  // Full volume up to 200 units away, then inversely with distance: a quarter at 800.
  audio->SetListener({0, 0, 0}, {0, 0, 0}, {0, 0, 1}, {0, 1, 0});
  double levels[3];
  const float distances[3] = {100.0f, 200.0f, 800.0f};
  for (int i = 0; i < 3; ++i) {
    const plat::Voice v = audio->Play3D(hum, 255, {0, 0, distances[i]}, {0, 0, 0});
    const std::vector<int16_t> out = Render(0.1);
    audio->Stop(v);
    levels[i] = Level(out, 0) + Level(out, 1);
  }
  EXPECT_NEAR(levels[1] / levels[0], 1.0, 0.05);
  EXPECT_NEAR(levels[2] / levels[0], 0.25, 0.05);
}

TEST_F(LoopbackAudioTest, AHandleWhoseVoiceWasTakenByAnotherSoundDoesNothing) {
  std::vector<plat::Voice> voices;
  for (int i = 0; i < plat::Audio::kVoices; ++i) voices.push_back(audio->Play(hum, 100));
  // Every voice is busy: the next play takes the oldest one.
  const plat::Voice newest = audio->Play(hum, 100);
  EXPECT_FALSE(audio->IsPlaying(voices[0]));
  for (size_t i = 1; i < voices.size(); ++i) audio->Stop(voices[i]);
  const double alone = Level(Render(0.05), 0);
  ASSERT_GT(alone, 0.01);

  audio->SetVolume(voices[0], 0);
  audio->Stop(voices[0]);
  EXPECT_TRUE(audio->IsPlaying(newest));
  EXPECT_NEAR(Level(Render(0.05), 0) / alone, 1.0, 0.2);

  audio->Stop(newest);
  EXPECT_FALSE(audio->IsPlaying(newest));
  EXPECT_LT(LevelAfterStop(), 0.001);
}

TEST_F(LoopbackAudioTest, MusicIsFedThroughItsBuffersLoopingOrOnce) {
  // Exit.mp3 lasts half a second; 1.6 s of it runs through the four queued buffers twice and loops thrice.
  for (bool loop : {true, false}) {
    const plat::StreamId music = audio->OpenStream("Assets/Sounds/Exit.mp3");
    ASSERT_TRUE(music);
    audio->PlayStream(music, loop, 255);
    std::vector<double> windows;
    for (int i = 0; i < 16; ++i) windows.push_back(Level(Render(0.1), 0));
    for (int i = 0; i < 16; ++i) {
      const bool heard = windows[static_cast<size_t>(i)] > 0.01;
      EXPECT_EQ(heard, loop || i < 5) << (loop ? "looping" : "once") << ", window " << i;
    }
    audio->StopStream(music);
    EXPECT_LT(LevelAfterStop(), 0.001);
    audio->CloseStream(music);
    audio->PlayStream(music, true, 255);  // a closed stream plays nothing
    EXPECT_LT(LevelAfterStop(), 0.001);
  }
}

TEST_F(LoopbackAudioTest, MissingFilesAndFreedSamplesPlayNothing) {
  EXPECT_FALSE(audio->LoadSample("Assets/Sounds/Missing.wav"));
  EXPECT_FALSE(audio->OpenStream("Assets/Sounds/Missing.mp3"));
  EXPECT_FALSE(audio->Play(plat::SampleId{}, 255));
  EXPECT_FALSE(audio->Play3D(plat::SampleId{999}, 255, {0, 0, 0}, {0, 0, 0}));
  audio->StopStream(plat::StreamId{});
  audio->CloseStream(plat::StreamId{});
  EXPECT_LT(LevelAfterStop(), 0.001);

  // Freeing a sample stops its plays.
  const plat::Voice v = audio->Play(hum, 255);
  audio->FreeSample(hum);
  EXPECT_FALSE(audio->IsPlaying(v));
  EXPECT_LT(LevelAfterStop(), 0.001);
}

// The game's own device: on a machine without a sound card, OpenAL's null output (ALSOFT_DRIVERS=null).
TEST(OpenAlNullOutput, PlaysAGeneratedSoundInTimeAndSaysOnceThatTheGameIsSilent) {
  setenv("ALSOFT_DRIVERS", "null", 0);
  const char* drivers = std::getenv("ALSOFT_DRIVERS");
  if (drivers == nullptr || std::string(drivers) != "null") GTEST_SKIP() << "a sound device is configured";
  testing::internal::CaptureStderr();
  std::unique_ptr<plat::Audio> audio = plat::CreateOpenAlAudio(plat::FileSystem("."));
  const plat::SampleId enter = audio->LoadSample("Assets/Sounds/Enter.wav");
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("null output"), std::string::npos) << said;
  EXPECT_EQ(said.find("runs silent"), said.rfind("runs silent")) << said;
  ASSERT_TRUE(enter);

  const plat::Voice v = audio->Play(enter, 150);
  EXPECT_TRUE(audio->IsPlaying(v));
  // Enter.wav lasts 0.2 s; the null output mixes in real time.
  const auto start = std::chrono::steady_clock::now();
  while (audio->IsPlaying(v) && std::chrono::steady_clock::now() - start < std::chrono::seconds(3))
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  EXPECT_FALSE(audio->IsPlaying(v));
  EXPECT_GE(ms, 150.0);

  // Music keeps being fed by the feeder thread while nothing else happens.
  const plat::StreamId music = audio->OpenStream("Assets/Sounds/Intro.mp3");
  ASSERT_TRUE(music);
  audio->PlayStream(music, true, 150);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  audio->CloseStream(music);
}

}  // namespace
