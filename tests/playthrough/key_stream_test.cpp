// The key-stream file: what is written reads back the same, and an unsound line is refused with its file
// and line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "harness/key_stream.h"

namespace {

namespace key = plat::key;
using keystream::KeyStream;

class KeyStreamFile : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = std::filesystem::temp_directory_path() / ("kv_keys_" + std::to_string(::getpid()) + ".keys");
  }
  void TearDown() override { std::filesystem::remove(file_); }
  bool Read(const std::string& text, KeyStream& s, std::string& error) {
    std::ofstream(file_) << text;
    return keystream::Read(file_.string(), s, error);
  }
  std::filesystem::path file_;
};

TEST_F(KeyStreamFile, WhatIsWrittenReadsBackAndPlaysTheKeysHeldOnEachFrame) {
  KeyStream s{40, 77, true, 25000, 0, {}};
  s.Append(0, {});
  s.Append(1, {key::Enter});
  s.Append(2, {key::Enter});  // unchanged: no new line
  s.Append(3, {key::Left, key::Space, key::K7});
  s.Append(4, {});
  KeyStream unnamed{20, 0, false, 0, 0, {}};
  unnamed.Append(0, {key::Up, 255});
  std::ostringstream unnamedText;
  keystream::Write(unnamedText, unnamed);
  EXPECT_NE(unnamedText.str().find("\n0 Up unnamed-255\n"), std::string::npos) << unnamedText.str();
  std::ostringstream text;
  keystream::Write(text, s);
  EXPECT_EQ(text.str(),
            "frame-ms 40\nseed 77\ngod-mode on\nboss-time-limit-ms 25000\nframes 5\n0\n1 Enter\n3 Left Space "
            "7\n4\n");
  KeyStream back;
  std::string error;
  ASSERT_TRUE(Read("# comment\n\n" + text.str(), back, error)) << error;
  EXPECT_EQ(back.frameMs, 40u);
  EXPECT_EQ(back.seed, 77u);
  EXPECT_TRUE(back.godMode);
  EXPECT_EQ(back.bossTimeLimitMs, 25000);
  EXPECT_EQ(back.frames, 5);
  keystream::Player player(back);
  const std::vector<std::vector<int>> held{
      {}, {key::Enter}, {key::Enter}, {key::Left, key::Space, key::K7}, {}};
  for (int frame = 0; frame < 5; ++frame) EXPECT_EQ(player.KeysAt(frame), held[frame]) << frame;
}

TEST_F(KeyStreamFile, AnUnsoundLineIsRefusedWithItsFileAndLine) {
  const std::string head = "frame-ms 20\nframes 10\n";
  const struct {
    std::string text;
    int line;
    const char* what;
  } cases[] = {
      {"0 Enter\n", 1, "a frame before the frames line"},
      {head + "0\n10 Enter\n", 4, "not in the run"},
      {head + "-1\n", 3, "one value"},
      {head + "3\n3 Up\n", 4, "frames must rise"},
      {head + "5 Enter Jump\n", 3, "unknown key Jump"},
      {head + "5x Enter\n", 3, "not in the run"},
      {head + "99999999999999999999 Up\n", 3, "not in the run"},
      {"frame-ms 0\n", 1, "bad value"},
      {"frame-ms\n", 1, "one value"},
      {"god-mode maybe\n", 1, "bad value"},
      {"seed 4294967296\n", 1, "bad value"},
      {head + "frames 12\n", 3, "bad value"},
      {"speed 3\n", 1, "unknown setting"},
      {"seed 3\n\n", 2, "no frames line"},
  };
  for (const auto& c : cases) {
    KeyStream s;
    std::string error;
    EXPECT_FALSE(Read(c.text, s, error)) << c.text;
    EXPECT_NE(error.find(file_.string() + ":" + std::to_string(c.line) + ": "), std::string::npos) << error;
    EXPECT_NE(error.find(c.what), std::string::npos) << error;
  }
  KeyStream s;
  std::string error;
  EXPECT_FALSE(keystream::Read((file_.parent_path() / "kv_no_such_stream.keys").string(), s, error));
  EXPECT_NE(error.find("cannot be read"), std::string::npos);
}

}  // namespace
