// Key changes between two keyboard reads, read out one snapshot at a time.
#include "platform/key_event_queue.h"

namespace plat {

void KeyEventQueue::Push(int key, bool down) {
  if (key < 0 || key >= 256 || latest_[static_cast<size_t>(key)] == down) return;
  latest_[static_cast<size_t>(key)] = down;
  pending_.push_back(Change{static_cast<uint8_t>(key), down});
}

void KeyEventQueue::Read(KeyState& out) {
  presses_.clear();
  std::array<bool, 256> changed{};
  while (!pending_.empty() && !changed[pending_.front().key]) {
    const Change change = pending_.front();
    pending_.pop_front();
    changed[change.key] = true;
    state_[change.key] = change.down ? 0x80 : 0;
    if (change.down) presses_.push_back(change.key);
  }
  out = state_;
}

}  // namespace plat
