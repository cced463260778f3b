// Sound files: decoding and mix-down, damaged input, looping reads, the voice pool, and the generated sounds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/files.h"
#include "platform/sound_file.h"
#include "platform/voice_pool.h"

namespace {

using plat::sound::DecodedSound;

void Put(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A canonical RIFF/WAVE file: format 1 (integer PCM) or 3 (float).
std::vector<uint8_t> Wav(int format, int channels, int rate, int bits, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
  Put(out, static_cast<uint32_t>(36 + data.size()), 4);
  for (char c : std::string("WAVEfmt ")) out.push_back(static_cast<uint8_t>(c));
  Put(out, 16, 4);
  Put(out, static_cast<uint32_t>(format), 2);
  Put(out, static_cast<uint32_t>(channels), 2);
  Put(out, static_cast<uint32_t>(rate), 4);
  Put(out, static_cast<uint32_t>(rate * channels * bits / 8), 4);
  Put(out, static_cast<uint32_t>(channels * bits / 8), 2);
  Put(out, static_cast<uint32_t>(bits), 2);
  for (char c : std::string("data")) out.push_back(static_cast<uint8_t>(c));
  Put(out, static_cast<uint32_t>(data.size()), 4);
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

// Samples as their little-endian bytes: int16_t for 16-bit PCM, float for format 3.
template <typename T>
std::vector<uint8_t> Samples(const std::vector<T>& samples) {
  std::vector<uint8_t> out;
  for (T v : samples) {
    std::conditional_t<sizeof(T) == 2, uint16_t, uint32_t> bits;
    std::memcpy(&bits, &v, sizeof v);
    Put(out, bits, static_cast<int>(sizeof v));
  }
  return out;
}

std::vector<uint8_t> GameFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(plat::FileSystem(".").ReadAll(path, bytes, plat::sound::kMaxSampleFileBytes)) << path;
  return bytes;
}

TEST(SoundDecode, ChannelsMixDownToMonoAndFloatsClip) {
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    int rate;
    std::vector<int16_t> expected;
  };
  const Case cases[] = {
      {"mono 16-bit",
       Wav(1, 1, 22050, 16, Samples<int16_t>({0, 1000, -1000, 32767})),
       22050,
       {0, 1000, -1000, 32767}},
      {"stereo averages",
       Wav(1, 2, 44100, 16, Samples<int16_t>({1000, 3000, -2000, 0, 32767, 32767})),
       44100,
       {2000, -1000, 32767}},
      {"float beyond full scale clips",
       Wav(3, 1, 8000, 32, Samples<float>({0.5f, 4.0f, -4.0f})),
       8000,
       {16384, 32767, -32768}},
      {"float NaN is silence",
       Wav(3, 1, 8000, 32, Samples<float>({NAN, INFINITY, -INFINITY, -0.25f})),
       8000,
       {0, 32767, -32768, -8192}},
  };
  for (const Case& c : cases) {
    DecodedSound out;
    std::string error;
    ASSERT_TRUE(plat::sound::Decode(c.file, out, &error)) << c.name << ": " << error;
    EXPECT_EQ(out.sampleRate, c.rate) << c.name;
    ASSERT_EQ(out.samples.size(), c.expected.size()) << c.name;
    for (size_t i = 0; i < c.expected.size(); ++i)
      EXPECT_NEAR(out.samples[i], c.expected[i], 1) << c.name << " " << i;
  }
}

TEST(SoundDecode, DamagedFilesAreReportedNeverDecodedIntoNonsense) {
  const std::vector<uint8_t> wav = GameFile("Assets/Sounds/Enter.wav");
  const std::vector<uint8_t> mp3 = GameFile("Assets/Sounds/Exit.mp3");
  ASSERT_GT(wav.size(), 1000u);
  ASSERT_GT(mp3.size(), 1000u);
  auto truncated = [](std::vector<uint8_t> v, size_t n) {
    v.resize(std::min(n, v.size()));
    return v;
  };
  auto patched = [](std::vector<uint8_t> v, size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) v[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
    return v;
  };
  std::vector<uint8_t> noise(4096);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
  std::vector<uint8_t> id3Noise = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  id3Noise.insert(id3Noise.end(), noise.begin(), noise.end());

  DecodedSound wholeWav, wholeMp3;
  ASSERT_TRUE(plat::sound::Decode(wav, wholeWav, nullptr));
  ASSERT_TRUE(plat::sound::Decode(mp3, wholeMp3, nullptr));
  // Refused (at most 0 frames), or decoded as far as the damage allows, never longer than the whole file.
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    size_t atMost;
  } cases[] = {
      {"empty", {}, 0},
      {"RIFF only", {'R', 'I', 'F', 'F'}, 0},
      {"header without data", truncated(wav, 44), 0},
      {"no channels", patched(wav, 22, 0, 2), 0},
      {"too many channels", patched(wav, 22, 300, 2), 0},
      {"sample rate 0", patched(wav, 24, 0, 4), 0},
      {"sample rate 4 GHz", patched(wav, 24, 0xFFFFFFFFu, 4), 0},
      {"noise", noise, 0},
      {"noise behind an ID3 tag", id3Noise, 0},
      {"MP3 cut inside its first frame", truncated(mp3, 300), 0},
      {"data size 4 GB", patched(wav, 40, 0xFFFFFFF0u, 4), wholeWav.samples.size()},
      {"WAV cut in half", truncated(wav, wav.size() / 2), wholeWav.samples.size() / 2},
      {"MP3 cut in half", truncated(mp3, mp3.size() / 2), wholeMp3.samples.size()},
  };
  for (const auto& c : cases) {
    DecodedSound out;
    std::string error;
    EXPECT_EQ(plat::sound::Decode(c.bytes, out, &error), c.atMost > 0) << c.name << ": " << error;
    EXPECT_EQ(error.empty(), c.atMost > 0) << c.name;
    EXPECT_EQ(out.samples.empty(), c.atMost == 0) << c.name;
    EXPECT_LE(out.samples.size(), c.atMost) << c.name;
  }
}

TEST(SoundDecode, SamplesPastTheLengthOrFileSizeLimitAreRefused) {
  // Eight-bit PCM at the lowest rate: the smallest file that decodes past the length limit.
  DecodedSound out;
  std::string error;
  EXPECT_FALSE(plat::sound::Decode(
      Wav(1, 1, 8000, 8, std::vector<uint8_t>(plat::sound::kMaxSampleFrames + 4096, 128)), out, &error));
  EXPECT_NE(error.find("longer"), std::string::npos) << error;

  // A file past the size limit is refused before it is read (sparse: it takes no disk space).
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() / ("kv_big_sound_" + std::to_string(getpid()));
  std::filesystem::create_directories(root / "Assets" / "Sounds");
  { std::ofstream(root / "Assets" / "Sounds" / "Big.wav", std::ios::binary) << "RIFF"; }
  std::filesystem::resize_file(root / "Assets" / "Sounds" / "Big.wav", plat::sound::kMaxSampleFileBytes + 1);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(plat::sound::LoadSound(plat::FileSystem(root), "Assets/Sounds/Big.wav", out));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("Assets/Sounds/Big.wav: cannot load the sound: larger than"), std::string::npos)
      << said;
  std::filesystem::remove_all(root);
}

TEST(SoundReader, ReadsInChunksLoopsBackWhenAskedAndEndsOnAFileThatYieldsNothing) {
  std::vector<int16_t> ramp(1000);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<int16_t>(i);
  const std::vector<uint8_t> file = Wav(1, 1, 44100, 16, Samples(ramp)), empty = Wav(1, 1, 44100, 16, {});
  std::vector<int16_t> out(2500, -1);
  std::unique_ptr<plat::sound::Reader> reader = plat::sound::Reader::OpenMemory(file, nullptr);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->Read(out.data(), out.size(), false), 1000u);
  EXPECT_EQ(reader->Read(out.data(), 10, false), 0u);
  reader = plat::sound::Reader::OpenMemory(file, nullptr);
  ASSERT_EQ(reader->Read(out.data(), out.size(), true), 2500u);
  for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], static_cast<int16_t>(i % 1000)) << i;
  reader = plat::sound::Reader::OpenMemory(empty, nullptr);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->Read(out.data(), 64, true), 0u);  // looping over nothing must not spin forever
}

TEST(VoicePool, FreeVoicesFirstThenTheOldestAndEveryEarlierHandleGoesStale) {
  plat::VoicePool pool(4);
  std::set<int> busy;
  auto acquire = [&] {
    plat::Voice v = pool.Acquire([&](int i) { return busy.count(i) > 0; });
    busy.insert(pool.IndexOf(v));
    return v;
  };
  std::vector<plat::Voice> first;
  for (int i = 0; i < 4; ++i) first.push_back(acquire());
  EXPECT_EQ(busy, (std::set<int>{0, 1, 2, 3}));

  // All busy: the oldest (the first play) is taken; only its handle goes stale.
  const int oldest = pool.IndexOf(first[0]);
  const plat::Voice stolen = acquire();
  EXPECT_EQ(pool.IndexOf(stolen), oldest);
  EXPECT_EQ(pool.IndexOf(first[0]), -1);
  for (int i = 1; i < 4; ++i) EXPECT_GE(pool.IndexOf(first[i]), 0);

  // A free voice wins over an older busy one.
  busy.erase(pool.IndexOf(first[3]));
  EXPECT_EQ(pool.IndexOf(acquire()), 3);
  EXPECT_EQ(pool.IndexOf(first[3]), -1);
  EXPECT_GE(pool.IndexOf(first[1]), 0);

  // Handles that never came from the pool name nothing.
  for (uint32_t id : {0u, 1u, 2u, 0x105u, 0xFFFFFFFFu}) EXPECT_EQ(pool.IndexOf(plat::Voice{id}), -1) << id;
}

TEST(GeneratedSounds, EachHasItsLengthLevelAndCleanEnds) {
  const struct {
    const char* file;
    double minSeconds, maxSeconds;
  } cases[] = {
      {"Explode.wav", 0.7, 1.1},     {"BeamGun.wav", 0.05, 0.15}, {"RayCannon.wav", 0.6, 1.0},
      {"SpreadShot.wav", 0.15, 0.3}, {"Missile.wav", 0.4, 0.6},   {"MissileBomb.wav", 0.5, 0.7},
      {"RailGun.wav", 0.4, 0.6},     {"Enter.wav", 0.15, 0.3},    {"Exit.mp3", 0.3, 0.7},
      {"Cursor.wav", 0.01, 0.06},    {"Alert.wav", 1.2, 1.8},     {"BigLaser.wav", 3.0, 4.0},
      {"Intro.mp3", 20.0, 30.0},     {"Level1.mp3", 30.0, 34.0},  {"Boss.mp3", 22.0, 26.0},
  };
  for (const auto& c : cases) {
    const std::string path = std::string("Assets/Sounds/") + c.file;
    DecodedSound s;
    std::string error;
    ASSERT_TRUE(plat::sound::Decode(GameFile(path), s, &error)) << path << ": " << error;
    EXPECT_EQ(s.sampleRate, 44100) << path;
    const double seconds = static_cast<double>(s.samples.size()) / s.sampleRate;
    EXPECT_GE(seconds, c.minSeconds) << path;
    EXPECT_LE(seconds, c.maxSeconds) << path;
    int peak = 0;
    std::vector<int> steps;
    for (size_t i = 0; i < s.samples.size(); ++i) {
      peak = std::max(peak, std::abs(static_cast<int>(s.samples[i])));
      if (i > 0) steps.push_back(std::abs(s.samples[i] - s.samples[i - 1]));
    }
    EXPECT_GT(peak, 16000) << path << " is too quiet";
    EXPECT_LT(peak, 32000) << path << " clips";
    const int join = std::abs(s.samples.front() - s.samples.back());
    if (c.minSeconds > 10) {
      // The music loops: its last sample runs into the first as smoothly as neighbouring samples usually do.
      std::nth_element(steps.begin(), steps.begin() + static_cast<long>(steps.size() * 99 / 100),
                       steps.end());
      EXPECT_LE(join, steps[steps.size() * 99 / 100]) << path;
    } else {
      EXPECT_LE(std::abs(static_cast<int>(s.samples.front())), 64) << path;
      EXPECT_LE(std::abs(static_cast<int>(s.samples.back())), 64) << path;
    }
  }
}

}  // namespace
