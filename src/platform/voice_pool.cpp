// Voice choice and generation-tagged handles.
#include "platform/voice_pool.h"

namespace plat {

namespace {

// A handle holds the voice number plus one in its low byte and the voice's generation above it.
constexpr uint32_t kIndexBits = 8;
constexpr uint32_t kIndexMask = (1u << kIndexBits) - 1;
constexpr uint32_t kGenerationMask = 0xFFFFFFFFu >> kIndexBits;

}  // namespace

VoicePool::VoicePool(int count) : voices_(static_cast<size_t>(count < 1 ? 1 : count > 255 ? 255 : count)) {}

Voice VoicePool::Acquire(const std::function<bool(int)>& busy) {
  int chosen = -1;
  bool chosenFree = false;
  for (int i = 0; i < Count(); ++i) {
    const bool free = !busy(i);
    if (chosen < 0 || (free && !chosenFree) ||
        (free == chosenFree && voices_[i].startOrder < voices_[chosen].startOrder)) {
      chosen = i;
      chosenFree = free;
    }
  }
  Slot& slot = voices_[static_cast<size_t>(chosen)];
  // Generation 0 belongs to voices never used, so no handle ever names one.
  slot.generation = (slot.generation + 1) & kGenerationMask;
  if (slot.generation == 0) slot.generation = 1;
  slot.startOrder = ++plays_;
  return Voice{(slot.generation << kIndexBits) | static_cast<uint32_t>(chosen + 1)};
}

int VoicePool::IndexOf(Voice voice) const {
  const int index = static_cast<int>(voice.id & kIndexMask) - 1;
  if (index < 0 || index >= Count()) return -1;
  const uint32_t generation = voices_[static_cast<size_t>(index)].generation;
  return generation != 0 && generation == voice.id >> kIndexBits ? index : -1;
}

}  // namespace plat
