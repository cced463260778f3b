// The voices both audio backends share out: which voice a new play takes, and which handles are current.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/audio.h"

namespace plat {

class VoicePool {
 public:
  explicit VoicePool(int count = Audio::kVoices);

  // Takes a voice for a new sound: the free one (busy false) that started longest ago, else the busy one that
  // started longest ago. Every handle given out for that voice before goes stale.
  Voice Acquire(const std::function<bool(int index)>& busy);
  // The voice a handle names while it is current; -1 for an empty, stale or foreign handle.
  int IndexOf(Voice voice) const;
  int Count() const { return static_cast<int>(voices_.size()); }

 private:
  struct Slot {
    uint32_t generation = 0;
    uint64_t startOrder = 0;  // 0: never used
  };
  std::vector<Slot> voices_;
  uint64_t plays_ = 0;
};

}  // namespace plat
