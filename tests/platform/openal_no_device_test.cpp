// Without any sound device the game runs silent: samples and music are still read (damaged files are still
// reported), nothing plays, and it says so once. Its own program, so OpenAL starts with a driver that fails.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/native/openal_audio.h"

namespace {

TEST(OpenAlNoDevice, TheGameRunsSilentAndSaysSoOnce) {
  // OpenAL's wave writer, given no file to write, opens no device.
  setenv("ALSOFT_DRIVERS", "wave", 1);
  testing::internal::CaptureStderr();
  std::unique_ptr<plat::Audio> audio = plat::CreateOpenAlAudio(plat::FileSystem("."));
  const plat::SampleId enter = audio->LoadSample("Assets/Sounds/Enter.wav");
  const plat::SampleId missing = audio->LoadSample("Assets/Sounds/Missing.wav");
  const plat::StreamId music = audio->OpenStream("Assets/Sounds/Intro.mp3");
  const std::string said = testing::internal::GetCapturedStderr();

  EXPECT_NE(said.find("no sound device"), std::string::npos) << said;
  EXPECT_EQ(said.find("runs silent"), said.rfind("runs silent")) << said;
  EXPECT_NE(said.find("Missing.wav"), std::string::npos) << said;
  EXPECT_TRUE(enter);
  EXPECT_FALSE(missing);
  EXPECT_TRUE(music);

  const plat::Voice v = audio->Play(enter, 150);
  EXPECT_FALSE(audio->IsPlaying(v));
  audio->Stop(v);
  audio->PlayStream(music, true, 150);
  audio->StopStream(music);
  audio->CloseStream(music);
}

}  // namespace
