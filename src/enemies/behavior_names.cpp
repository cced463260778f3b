// The behaviours by the names the formation table gives them.
#include <cstring>

#include "enemies/behaviors.h"

Behavior FindBehavior(const char* name) {
  static constexpr struct {
    const char* name;
    Behavior behavior;
  } kNames[] = {{"SimpleLine", SimpleLine},
                {"TripleShot", TripleShot},
                {"RotateCannon", RotateCannon},
                {"LaserFollow", LaserFollow},
                {"LoopUpLeft", LoopUpLeft},
                {"LoopDownRight", LoopDownRight},
                {"HookUpLeft", HookUpLeft},
                {"HookDownRight", HookDownRight},
                {"Follow", Follow},
                {"Rotate", Rotate},
                {"WaveUpLeft", WaveUpLeft},
                {"WaveDownRight", WaveDownRight},
                {"RailBasicLeft", RailBasicLeft},
                {"RailBasicRight", RailBasicRight},
                {"Asteroid", Asteroid}};
  if (name == nullptr) return nullptr;
  for (const auto& entry : kNames) {
    if (std::strcmp(entry.name, name) == 0) return entry.behavior;
  }
  return nullptr;
}
