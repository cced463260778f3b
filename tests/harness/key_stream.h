// Key streams: the keys held on each frame of a run at a fixed frame time, kept as a text file of the
// frames on which they change, with the run's settings in a header. Read and written here.
//
//   # a comment             blank lines and comments are skipped
//   frame-ms 20             game time a frame (1 to 1000)
//   seed 3                  the random generator's seed: the clock's seconds when the engine is made
//   god-mode on             player 0 cannot be hurt (on or off)
//   boss-time-limit-ms 0    a boss standing this long is brought down (0: never)
//   frames 1200             the run's length
//   0                       frame 0: no key held
//   12 Enter                from frame 12 on: Enter held
//   13 Left Space           from frame 13 on: Left and Space held
#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/keyboard.h"

namespace keystream {

struct KeyName {
  const char* name;
  int code;
};

namespace k = plat::key;
// clang-format off
inline constexpr KeyName kKeyNames[] = {
    {"Escape", k::Escape}, {"1", k::K1}, {"2", k::K2}, {"3", k::K3}, {"4", k::K4}, {"5", k::K5},
    {"6", k::K6}, {"7", k::K7}, {"8", k::K8}, {"9", k::K9}, {"0", k::K0}, {"Minus", k::Minus},
    {"Equals", k::Equals}, {"Backspace", k::Backspace}, {"Tab", k::Tab}, {"Q", k::Q}, {"W", k::W},
    {"E", k::E}, {"R", k::R}, {"T", k::T}, {"Y", k::Y}, {"U", k::U}, {"I", k::I}, {"O", k::O}, {"P", k::P},
    {"LBracket", k::LBracket}, {"RBracket", k::RBracket}, {"Enter", k::Enter}, {"LControl", k::LControl},
    {"A", k::A}, {"S", k::S}, {"D", k::D}, {"F", k::F}, {"G", k::G}, {"H", k::H}, {"J", k::J}, {"K", k::K},
    {"L", k::L}, {"Semicolon", k::Semicolon}, {"Apostrophe", k::Apostrophe}, {"Grave", k::Grave},
    {"LShift", k::LShift}, {"Backslash", k::Backslash}, {"Z", k::Z}, {"X", k::X}, {"C", k::C}, {"V", k::V},
    {"B", k::B}, {"N", k::N}, {"M", k::M}, {"Comma", k::Comma}, {"Period", k::Period}, {"Slash", k::Slash},
    {"RShift", k::RShift}, {"LAlt", k::LAlt}, {"Space", k::Space}, {"F1", k::F1}, {"F2", k::F2},
    {"F3", k::F3}, {"F4", k::F4}, {"F5", k::F5}, {"F6", k::F6}, {"F7", k::F7}, {"F8", k::F8}, {"F9", k::F9},
    {"F10", k::F10}, {"F11", k::F11}, {"F12", k::F12}, {"NumpadEnter", k::NumpadEnter},
    {"RControl", k::RControl}, {"RAlt", k::RAlt}, {"Pause", k::Pause}, {"Home", k::Home}, {"Up", k::Up},
    {"PageUp", k::PageUp}, {"Left", k::Left}, {"Right", k::Right}, {"End", k::End}, {"Down", k::Down},
    {"PageDown", k::PageDown}, {"Insert", k::Insert}, {"Delete", k::Delete},
};
// clang-format on

// The key's name, or null for a code without one.
inline const char* NameOf(int code) {
  for (const KeyName& key : kKeyNames) {
    if (key.code == code) return key.name;
  }
  return nullptr;
}
// The named key's code, or -1.
inline int CodeOf(std::string_view name) {
  for (const KeyName& key : kKeyNames) {
    if (name == key.name) return key.code;
  }
  return -1;
}

struct KeyStream {
  uint32_t frameMs = 20;
  uint32_t seed = 0;
  bool godMode = false;
  int bossTimeLimitMs = 0;
  int frames = 0;
  // From each change's frame on, its keys are held (in the order written); frames rise.
  std::vector<std::pair<int, std::vector<int>>> changes;

  // Adds frame f's keys, the frame after the last one added, as a change when they differ from the last.
  void Append(int frame, const std::vector<int>& keys) {
    if (changes.empty() || changes.back().second != keys) changes.emplace_back(frame, keys);
    frames = frame + 1;
  }
};

inline void Write(std::ostream& out, const KeyStream& s) {
  out << "frame-ms " << s.frameMs << "\nseed " << s.seed << "\ngod-mode " << (s.godMode ? "on" : "off")
      << "\nboss-time-limit-ms " << s.bossTimeLimitMs << "\nframes " << s.frames << '\n';
  for (const auto& [frame, keys] : s.changes) {
    out << frame;
    for (int key : keys) {
      const char* name = NameOf(key);
      out << ' ' << (name != nullptr ? name : "unnamed-" + std::to_string(key));  // refused when read
    }
    out << '\n';
  }
}

// Splits a line at blanks.
inline std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t at = 0;
  while ((at = line.find_first_not_of(" \t\r", at)) != std::string_view::npos) {
    const size_t end = std::min(line.find_first_of(" \t\r", at), line.size());
    words.push_back(line.substr(at, end - at));
    at = end;
  }
  return words;
}

// A whole word as a number from low to high.
inline bool Number(std::string_view word, int64_t low, int64_t high, int64_t& out) {
  const char* end = word.data() + word.size();
  const auto [stop, error] = std::from_chars(word.data(), end, out);
  return error == std::errc() && stop == end && out >= low && out <= high;
}

// Reads a stream; false with "file:line: what is wrong" in error on the first unsound line.
inline bool Read(const std::string& file, KeyStream& s, std::string& error) {
  std::ifstream in(file);
  if (!in) return error = file + ": cannot be read", false;
  s = KeyStream{};
  bool haveFrames = false;
  std::string line;
  int lineNo = 0;
  auto fail = [&](const std::string& what) {
    error = file + ":" + std::to_string(lineNo) + ": " + what;
    return false;
  };
  while (std::getline(in, line)) {
    ++lineNo;
    const std::vector<std::string_view> w = Words(line);
    if (w.empty() || w[0][0] == '#') continue;
    int64_t n = 0;
    if (w[0][0] >= '0' && w[0][0] <= '9') {
      if (!haveFrames) return fail("a frame before the frames line");
      if (!Number(w[0], 0, s.frames - 1, n)) return fail("frame " + std::string(w[0]) + " is not in the run");
      if (!s.changes.empty() && n <= s.changes.back().first) return fail("frames must rise");
      std::vector<int> keys;
      for (size_t i = 1; i < w.size(); ++i) {
        const int code = CodeOf(w[i]);
        if (code < 0) return fail("unknown key " + std::string(w[i]));
        keys.push_back(code);
      }
      s.changes.emplace_back(static_cast<int>(n), std::move(keys));
      continue;
    }
    if (w.size() != 2) return fail("a setting takes one value");
    if (w[0] == "god-mode" && (w[1] == "on" || w[1] == "off")) {
      s.godMode = w[1] == "on";
    } else if (w[0] == "frame-ms" && Number(w[1], 1, 1000, n)) {
      s.frameMs = static_cast<uint32_t>(n);
    } else if (w[0] == "seed" && Number(w[1], 0, UINT32_MAX, n)) {
      s.seed = static_cast<uint32_t>(n);
    } else if (w[0] == "boss-time-limit-ms" && Number(w[1], 0, INT32_MAX, n)) {
      s.bossTimeLimitMs = static_cast<int>(n);
    } else if (w[0] == "frames" && !haveFrames && Number(w[1], 1, INT32_MAX, n)) {
      s.frames = static_cast<int>(n), haveFrames = true;
    } else {
      return fail("unknown setting or bad value: " + line);
    }
  }
  if (!haveFrames) return fail("no frames line");
  return true;
}

// Plays a stream frame by frame: the keys held on each frame.
class Player {
 public:
  explicit Player(const KeyStream& s) : s_(s) {}
  const std::vector<int>& KeysAt(int frame) {
    while (next_ < s_.changes.size() && s_.changes[next_].first <= frame) held_ = &s_.changes[next_++].second;
    return held_ != nullptr ? *held_ : none_;
  }

 private:
  const KeyStream& s_;
  size_t next_ = 0;
  const std::vector<int>* held_ = nullptr;
  const std::vector<int> none_;
};

}  // namespace keystream
