// What both GPU backends share: the state values they start with and the vertex count of a draw. Platform
// internal; the game never sees it.
#pragma once

#include <array>
#include <cstdint>

#include "platform/gpu.h"

namespace plat::gpu {

struct StartStates {
  std::array<uint32_t, static_cast<size_t>(RenderState::Count)> renderStates{};  // floats as their bits
  std::array<uint32_t, static_cast<size_t>(SamplerState::Count)> samplerStates{};
  std::array<uint32_t, static_cast<size_t>(StageState::Count)> stageStates{};
};

// The states the game uses at their starting values; every other state starts at 0.
StartStates DefaultStartStates();

// The vertices `primitives` primitives of the type use.
uint64_t VertexCount(Primitive p, uint32_t primitives);

}  // namespace plat::gpu
