// Key changes as they arrive between two reads of the keyboard, given out as one snapshot a read so that
// no tap is lost however slowly frames come. Both backends' keyboards read through it.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "platform/keyboard.h"

namespace plat {

class KeyEventQueue {
 public:
  // A key went down or up. A change that leaves the key as it was (a key repeat) is dropped, and so is a
  // code outside 0 to 255.
  void Push(int key, bool down);
  // Whether the key is down once every pending change has been read.
  bool Latest(int key) const { return key >= 0 && key < 256 && latest_[static_cast<size_t>(key)]; }
  // Applies the pending changes in the order they came and fills out with the snapshot. A read stops before
  // a key's second change, leaving it and every later change to the next read: a key that went down and up
  // reads down now and up in the next read, a key tapped twice gives two presses two reads apart, and
  // keys keep their order.
  void Read(KeyState& out);
  // The keys that went down in the latest read, in the order they went down.
  const std::vector<int>& Presses() const { return presses_; }

 private:
  struct Change {
    uint8_t key;
    bool down;
  };
  KeyState state_{};                // as the latest read left it
  std::array<bool, 256> latest_{};  // with every pending change applied
  std::deque<Change> pending_;
  std::vector<int> presses_;
};

}  // namespace plat
