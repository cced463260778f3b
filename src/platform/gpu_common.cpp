// Device-independent helpers of the GPU interface: the size of a flexible vertex format, the states a
// device starts with and the vertex count of a draw.
#include <bit>

#include "platform/gpu.h"
#include "platform/gpu_backend.h"

namespace plat::gpu {

uint32_t FvfVertexSize(uint32_t format) {
  uint32_t size = 0;
  if (format & fvf::XYZ) size += 12;
  if (format & fvf::XYZRHW) size += 16;
  if (format & fvf::Normal) size += 12;
  if (format & fvf::Diffuse) size += 4;
  if (format & fvf::Tex1) size += 8;
  return size;
}

StartStates DefaultStartStates() {
  StartStates s;
  auto set = [&s](RenderState r, uint32_t v) { s.renderStates[static_cast<size_t>(r)] = v; };
  set(RenderState::ZEnable, 1);
  set(RenderState::ZWriteEnable, 1);
  set(RenderState::AlphaBlendEnable, 0);
  set(RenderState::SrcBlend, static_cast<uint32_t>(Blend::One));
  set(RenderState::DestBlend, static_cast<uint32_t>(Blend::Zero));
  set(RenderState::CullMode, static_cast<uint32_t>(Cull::CCW));
  set(RenderState::FillMode, static_cast<uint32_t>(Fill::Solid));
  set(RenderState::Lighting, 1);
  set(RenderState::PointSize, std::bit_cast<uint32_t>(1.0f));
  set(RenderState::PointSizeMin, std::bit_cast<uint32_t>(1.0f));
  set(RenderState::PointScaleA, std::bit_cast<uint32_t>(1.0f));
  set(RenderState::StencilFunc, static_cast<uint32_t>(Compare::Always));
  set(RenderState::StencilPass, static_cast<uint32_t>(StencilOp::Keep));
  auto sampler = [&s](SamplerState state, uint32_t v) { s.samplerStates[static_cast<size_t>(state)] = v; };
  sampler(SamplerState::MagFilter, static_cast<uint32_t>(Filter::Point));
  sampler(SamplerState::MinFilter, static_cast<uint32_t>(Filter::Point));
  sampler(SamplerState::MipFilter, static_cast<uint32_t>(Filter::None));
  sampler(SamplerState::AddressU, static_cast<uint32_t>(Address::Wrap));
  sampler(SamplerState::AddressV, static_cast<uint32_t>(Address::Wrap));
  s.stageStates[static_cast<size_t>(StageState::AlphaOp)] = static_cast<uint32_t>(TexOp::SelectArg1);
  s.stageStates[static_cast<size_t>(StageState::AlphaArg1)] = static_cast<uint32_t>(TexArg::Texture);
  s.stageStates[static_cast<size_t>(StageState::AlphaArg2)] = static_cast<uint32_t>(TexArg::Current);
  return s;
}

uint64_t VertexCount(Primitive p, uint32_t primitives) {
  switch (p) {
    case Primitive::PointList:
      return primitives;
    case Primitive::LineList:
      return 2ull * primitives;
    case Primitive::TriangleList:
      return 3ull * primitives;
    case Primitive::TriangleStrip:
      return primitives == 0 ? 0 : primitives + 2ull;
  }
  return 0;
}

}  // namespace plat::gpu
