// The piles of beams: which systems of a frame's particle pass make one, in what order the pass draws them,
// and the band of triangles with its pixel program that draws a pile.
#include "graphics/beam_piles.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "graphics/particle_discs.h"
#include "graphics/particle_system.h"

namespace gpu = plat::gpu;

namespace {
// A pile's beams have at most this many particles (a ray's beam has 100).
constexpr int kMostDiscs = 128;
}  // namespace

namespace beams {
namespace {

// How far a particle may lie from its place in the row, in world units: well under a pixel at any distance
// the beams are seen from.
constexpr float kRowSlack = 0.01f;

math::Vec4 Transform(const math::Vec3& v, float w, const math::Matrix& m) {
  return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + w * m.m[3][0],
          v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + w * m.m[3][1],
          v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2] + w * m.m[3][2],
          v.x * m.m[0][3] + v.y * m.m[1][3] + v.z * m.m[2][3] + w * m.m[3][3]};
}

bool Near(const math::Vec3& a, const math::Vec3& b, float slack) {
  return std::fabs(a.x - b.x) <= slack && std::fabs(a.y - b.y) <= slack && std::fabs(a.z - b.z) <= slack;
}

// Where a sprite at a point is drawn: its middle in pixels from the target's middle, its depth and half its
// size in pixels, as the device's point-sprite rule gives them; false when the point lies outside the view
// volume, where the device drops the sprite.
bool Sprite(const math::Vec3& p, float pointSize, const View& view, float* x, float* y, float* depth,
            float* half) {
  const math::Vec4 clip = Transform(p, 1.0f, view.viewProj);
  if (!(std::fabs(clip.x) <= clip.w && std::fabs(clip.y) <= clip.w && clip.z >= 0.0f && clip.z <= clip.w))
    return false;
  const math::Vec4 eye = Transform(p, 1.0f, view.view);
  const float distance = std::max(std::sqrt(eye.x * eye.x + eye.y * eye.y + eye.z * eye.z), 1e-6f);
  *x = clip.x / clip.w * view.width * 0.5f;
  *y = clip.y / clip.w * view.height * 0.5f;
  *depth = clip.z / clip.w;
  *half = std::min(pointSize * view.height / distance, gpu::kMaxPointSize) * 0.5f;
  return true;
}

// The screen box of a system's alive particles.
Box SpritesBox(const ParticleSystem& system, const View& view) {
  Box box;
  for (const Particle& p : system.particles) {
    float x, y, depth, half;
    if (p.alive && Sprite(p.position, system.pointSize, view, &x, &y, &depth, &half)) box.Add(x, y, half);
  }
  return box;
}

// A system of kind 6 whose alive particles are the first of its list, in one colour, laid in a row: its
// start, step, count and colour; false for any other.
bool Row(const ParticleSystem& system, math::Vec3* start, math::Vec3* step, int* discs, gpu::Argb* colour) {
  // Without a buffer the system draws nothing; the band draws the spark by its formula.
  if (system.kind != kBeamParticles || system.vertexBuffer == nullptr || system.texture == nullptr ||
      system.texture->Name() != kSparkPicture)
    return false;
  int n = 0;
  bool ended = false;
  math::Vec3 last;
  for (const Particle& p : system.particles) {
    if (!p.alive) {
      ended = true;
      continue;
    }
    const gpu::Argb c = ColourToArgb(p.colour);
    if (ended || n == kMostDiscs || (n > 0 && c != *colour)) return false;
    if (n == 0) *start = p.position, *colour = c;
    last = p.position;
    ++n;
  }
  if (n == 0) return false;
  *discs = n;
  *step = n > 1 ? (last - *start) / static_cast<float>(n - 1) : math::Vec3{};
  if (n > 1 && math::Vec3LengthSq(*step) < kRowSlack * kRowSlack) return false;  // not laid yet
  int k = 0;
  for (const Particle& p : system.particles) {
    if (!p.alive) break;
    if (!Near(p.position, *start + *step * static_cast<float>(k++), kRowSlack)) return false;
  }
  return true;
}

// The beam that starts at systems[i], the system alone or with the next one laid at the same places.
bool MakeBeam(const std::vector<ParticleSystem*>& systems, size_t i, const View& view, Beam* beam) {
  if (!Row(*systems[i], &beam->start, &beam->step, &beam->discs, &beam->colours[0])) return false;
  beam->layers[0] = systems[i];
  beam->layerCount = 1;
  math::Vec3 start, step;
  int discs = 0;
  if (i + 1 < systems.size() && systems[i + 1] != nullptr &&
      Row(*systems[i + 1], &start, &step, &discs, &beam->colours[1]) && discs == beam->discs &&
      Near(start, beam->start, kRowSlack) && Near(step, beam->step, kRowSlack / kMostDiscs)) {
    beam->layers[1] = systems[i + 1];
    beam->layerCount = 2;
  }
  const float size = std::max(beam->layers[0]->pointSize, beam->layers[beam->layerCount - 1]->pointSize);
  for (int k = 0; k < beam->discs; ++k) {
    float x, y, depth, half;
    if (Sprite(beam->start + beam->step * static_cast<float>(k), size, view, &x, &y, &depth, &half))
      beam->box.Add(x, y, half);
  }
  return true;
}

// Whether a beam may go on top of a pile: the same line and layers, and no longer than the pile's last.
bool Joins(const Beam& beam, const Pile& pile) {
  const Beam& top = pile.beams.back();
  if (beam.layerCount != top.layerCount || beam.discs > top.discs || !Near(beam.start, top.start, kRowSlack))
    return false;
  if (beam.discs > 1 && !Near(beam.step, top.step, kRowSlack / kMostDiscs)) return false;
  for (int l = 0; l < beam.layerCount; ++l) {
    if (beam.colours[l] != top.colours[l] || beam.layers[l]->pointSize != top.layers[l]->pointSize)
      return false;
  }
  return true;
}

}  // namespace

void Box::Add(float x, float y, float half) {
  if (Empty()) {
    left = x - half, right = x + half, bottom = y - half, top = y + half;
    return;
  }
  left = std::min(left, x - half), right = std::max(right, x + half);
  bottom = std::min(bottom, y - half), top = std::max(top, y + half);
}

void Box::Add(const Box& other) {
  if (other.Empty()) return;
  if (Empty()) {
    *this = other;
    return;
  }
  left = std::min(left, other.left), right = std::max(right, other.right);
  bottom = std::min(bottom, other.bottom), top = std::max(top, other.top);
}

bool Box::Overlaps(const Box& other) const {
  // A pixel's width of slack: a sprite reaches the pixel whose middle lies within it.
  return !Empty() && !other.Empty() && left < other.right + 1.0f && other.left < right + 1.0f &&
         bottom < other.top + 1.0f && other.bottom < top + 1.0f;
}

Plan PlanParticles(const std::vector<ParticleSystem*>& systems, const View& view) {
  Plan plan;
  std::vector<int> open;  // piles not drawn yet, in the order they were begun; no two overlap
  // Draws, before what covers `box`, every open pile it overlaps but `keep`.
  auto drawOverlapped = [&](const Box& box, int keep) {
    std::erase_if(open, [&](int pile) {
      if (pile == keep || !plan.piles[static_cast<size_t>(pile)].box.Overlaps(box)) return false;
      plan.steps.push_back({nullptr, pile});
      return true;
    });
  };
  for (size_t i = 0; i < systems.size();) {
    if (systems[i] == nullptr) {
      ++i;
      continue;
    }
    Beam beam;
    if (!MakeBeam(systems, i, view, &beam)) {
      if (!open.empty()) drawOverlapped(SpritesBox(*systems[i], view), -1);
      plan.steps.push_back({systems[i], -1});
      ++i;
      continue;
    }
    i += static_cast<size_t>(beam.layerCount);
    int joined = -1;
    for (int pile : open) {
      if (Joins(beam, plan.piles[static_cast<size_t>(pile)])) joined = pile;
    }
    drawOverlapped(beam.box, joined);
    if (joined < 0) {
      joined = static_cast<int>(plan.piles.size());
      plan.piles.emplace_back();
      open.push_back(joined);
    }
    Pile& pile = plan.piles[static_cast<size_t>(joined)];
    pile.box.Add(beam.box);
    pile.beams.push_back(beam);
  }
  for (int pile : open) plan.steps.push_back({nullptr, pile});
  return plan;
}

}  // namespace beams

namespace {

using beams::Beam;
using beams::Pile;

// A piece of band takes up to this many particles where beams end (a pile with more is drawn sprite by
// sprite).
constexpr int kMostEnds = 8;
constexpr float kNoEnd = -1.0f;
// The band's pieces are this many pixels along the screen's axis, a multiple of the rasteriser's 4-pixel
// blocks: longer ones loop over more particles, shorter ones cost more triangles.
constexpr float kSlab = 16.0f;

// A corner of a piece of band: its place on the target in normalised device coordinates with the depth, the
// beams that reach past the piece's last particle, the first and last particle whose sprites reach the
// piece, and where beams end within it (each particle index x 256 + the beams ending there, ascending).
struct BandVertex {
  float x, y, z, beyond;
  float first, last;
  float ends[kMostEnds];
};
static_assert(sizeof(BandVertex) == 56);
constexpr gpu::VertexElement kBandElements[] = {{0, gpu::DeclType::Float4, gpu::DeclUsage::Position, 0},
                                                {16, gpu::DeclType::Float2, gpu::DeclUsage::TexCoord, 0},
                                                {24, gpu::DeclType::Float4, gpu::DeclUsage::Normal, 0},
                                                {40, gpu::DeclType::Float4, gpu::DeclUsage::Color, 0}};

// The pile's values are set on the vertex stage and handed on flat (see lighting.vsh for why).
constexpr const char* kVertexSource = R"(#version 330 core
layout(location = 0) in vec4 inPosition;
layout(location = 2) in vec2 inRange;
layout(location = 1) in vec4 inEnds;
layout(location = 3) in vec4 inMoreEnds;
uniform vec4 ClipStart, ClipStep;  // clip position of the first particle, and from one to the next
uniform vec4 EyeStart, EyeStep;    // the same in the eye's space
uniform vec4 Sizes;  // 1 / (each layer's point size x the target's height), 1 / the largest sprite
uniform vec4 LowerColour, UpperColour;
uniform vec2 HalfTarget;           // half the target's size in pixels
noperspective out vec2 place;
flat out vec3 range;
flat out vec4 ends, moreEnds;
flat out vec4 clipStart, clipStep, sizes, lowerColour, upperColour;
flat out vec3 eyeStart, eyeStep;
flat out vec2 halfTarget;
void vs_main() {
  gl_Position = vec4(inPosition.xyz, 1.0);
  place = inPosition.xy;
  range = vec3(inRange, inPosition.w);
  ends = inEnds;
  moreEnds = inMoreEnds;
  clipStart = ClipStart;
  clipStep = ClipStep;
  eyeStart = EyeStart.xyz;
  eyeStep = EyeStep.xyz;
  sizes = Sizes;
  lowerColour = LowerColour;
  upperColour = UpperColour;
  halfTarget = HalfTarget;
}
)";

// Each particle is a sprite of both layers; its alpha falls from the middle as the spark's does.
// Going up the row from the piece's first particle, the beams are put together from the top one down: a beam
// that ends at a particle (the shorter ones were drawn later) goes under what is there once its layers'
// cover so far is known, then the beams that reach past the piece's last particle, all alike there, go under
// together. Colour and cover come out as one fragment blended by its alpha.
constexpr const char* kPixelSource = R"(#version 330 core
noperspective in vec2 place;
flat in vec3 range;
flat in vec4 ends, moreEnds;
flat in vec4 clipStart, clipStep, sizes, lowerColour, upperColour;
flat in vec3 eyeStart, eyeStep;
flat in vec2 halfTarget;
out vec4 fragColour;
float SparkAlpha(float r);
vec3 colour = vec3(0.0);
float through = 1.0;
// Puts `beams` alike beams under what is there, each its lower layer's cover beneath its upper layer's.
void Under(float beams, float lowerCover, float upperCover) {
  vec3 pair = upperColour.rgb * upperCover + lowerColour.rgb * (lowerCover * (1.0 - upperCover));
  float pairThrough = (1.0 - upperCover) * (1.0 - lowerCover);
  float allThrough = pairThrough, sum = 1.0;
  if (beams > 1.0) {
    allThrough = pow(pairThrough, beams);
    sum = pairThrough < 1.0 ? (1.0 - allThrough) / (1.0 - pairThrough) : beams;
  }
  colour += through * sum * pair;
  through *= allThrough;
}
void ps_main() {
  float lowerThrough = 1.0, upperThrough = 1.0;
  vec4 next = ends, after = moreEnds;
  float at = range.x;
  // From one particle where beams end to the next, then to the piece's last particle.
  for (int stretch = 0; stretch <= 8; ++stretch) {
    float end = next.x < 0.0 ? range.y : floor(next.x * (1.0 / 256.0));
    for (; at <= end; at += 1.0) {
      vec4 clip = clipStart + at * clipStep;
      vec2 offset = (clip.xy * (1.0 / clip.w) - place) * halfTarget;
      vec3 eye = eyeStart + at * eyeStep;
      vec2 r = 2.0 * sqrt(dot(offset, offset)) * max(sqrt(dot(eye, eye)) * sizes.xy, sizes.zz);
      vec2 alpha = vec2(SparkAlpha(r.x) * lowerColour.a, SparkAlpha(r.y) * upperColour.a);
      lowerThrough *= 1.0 - alpha.x;
      upperThrough *= 1.0 - alpha.y;
    }
    if (next.x < 0.0) break;
    Under(next.x - end * 256.0, 1.0 - lowerThrough, 1.0 - upperThrough);
    if (through < 0.5 / 255.0) break;
    next = vec4(next.yzw, after.x);
    after = vec4(after.yzw, -1.0);
  }
  if (range.z > 0.0) Under(range.z, 1.0 - lowerThrough, 1.0 - upperThrough);
  if (through > 1.0 - 0.5 / 255.0) discard;
  fragColour = vec4(colour / (1.0 - through), 1.0 - through);
}
)";

// A particle of the pile as the band needs it: its middle in pixels from the target's middle, its depth,
// and the half-size of its larger sprite with a pixel to spare.
struct Disc {
  float x = 0.0f, y = 0.0f, depth = 0.0f, reach = 0.0f;
};

// The first and last particle whose sprites reach a piece of band.
struct Reach {
  int first, last;
};

// The band of a pile: a run of pieces along the line on screen; seen end on, one square over all its
// sprites. False when a piece would take more beams' ends than a corner holds.
bool MakeBand(const Pile& pile, const beams::View& view, std::vector<BandVertex>& band) {
  const Beam& longest = pile.beams.front();
  const float largest =
      std::max(longest.layers[0]->pointSize, longest.layers[longest.layerCount - 1]->pointSize);
  // The particles whose sprites the device draws: a run, where the line crosses the view volume.
  std::array<Disc, kMostDiscs> discs;
  int first = -1, last = -1;
  for (int k = 0; k < longest.discs; ++k) {
    Disc& d = discs[static_cast<size_t>(k)];
    const math::Vec3 p = longest.start + longest.step * static_cast<float>(k);
    if (!beams::Sprite(p, largest, view, &d.x, &d.y, &d.depth, &d.reach)) continue;
    d.reach += 1.0f;
    if (first < 0) first = k;
    last = k;
  }
  if (first < 0) return true;

  std::array<int, kMostDiscs> ending{};  // the beams whose last particle each one is
  for (const Beam& beam : pile.beams) ++ending[static_cast<size_t>(beam.discs - 1)];
  // Two triangles of the corners (x, y, depth), in the order given, carrying what their piece reaches.
  auto piece = [&](const float(&corners)[4][3], const int(&order)[6], Reach reach) {
    BandVertex v{0.0f, 0.0f, 0.0f, 0.0f, static_cast<float>(reach.first), static_cast<float>(reach.last), {}};
    std::fill(std::begin(v.ends), std::end(v.ends), kNoEnd);
    int e = 0;
    for (int k = reach.first; k < reach.last; ++k) {
      if (ending[static_cast<size_t>(k)] == 0) continue;
      if (e == kMostEnds) return false;
      v.ends[e++] = static_cast<float>(k * 256 + ending[static_cast<size_t>(k)]);
    }
    for (const Beam& beam : pile.beams) v.beyond += beam.discs - 1 >= reach.last ? 1.0f : 0.0f;
    for (int c : order) {
      v.x = corners[c][0] / (view.width * 0.5f);
      v.y = corners[c][1] / (view.height * 0.5f);
      v.z = corners[c][2];
      band.push_back(v);
    }
    return true;
  };

  const Disc& head = discs[static_cast<size_t>(first)];
  const Disc& tail = discs[static_cast<size_t>(last)];
  const float dx = tail.x - head.x, dy = tail.y - head.y;
  const float length = std::sqrt(dx * dx + dy * dy);
  if (length < 1.0f) {
    beams::Box box;
    float depth = 1.0f;
    for (int k = first; k <= last; ++k) {
      const Disc& d = discs[static_cast<size_t>(k)];
      box.Add(d.x, d.y, d.reach);
      depth = std::min(depth, d.depth);
    }
    const float corners[4][3] = {{box.left, box.bottom, depth},
                                 {box.right, box.bottom, depth},
                                 {box.right, box.top, depth},
                                 {box.left, box.top, depth}};
    return piece(corners, {0, 1, 2, 0, 2, 3}, {first, last});
  }

  // Slabs across the line's steeper screen axis, on the grid of the rasteriser's 4-pixel blocks (for a
  // target whose half sides are multiples of 4) so that no block is shaded for two pieces; each slab's
  // piece as wide as the sprites that reach it, about the line.
  const bool steep = std::fabs(dy) >= std::fabs(dx);
  auto along = [&](const Disc& d) { return steep ? d.y : d.x; };
  auto across = [&](const Disc& d) { return steep ? d.x : d.y; };
  const float run = along(tail) - along(head);
  const float slope = (across(tail) - across(head)) / run;  // across per pixel along
  const float stretch = length / std::fabs(run);            // a perpendicular reach, across
  float low = along(head), high = along(head);
  for (int k = first; k <= last; ++k) {
    const Disc& d = discs[static_cast<size_t>(k)];
    low = std::min(low, along(d) - d.reach);
    high = std::max(high, along(d) + d.reach);
  }
  for (float from = std::floor(low / kSlab) * kSlab; from < high; from += kSlab) {
    const float to = from + kSlab;
    Reach reach{last, first};
    float widest = 0.0f;
    for (int k = first; k <= last; ++k) {
      const Disc& d = discs[static_cast<size_t>(k)];
      if (along(d) + d.reach < from || along(d) - d.reach > to) continue;
      reach = {std::min(reach.first, k), std::max(reach.last, k)};
      widest = std::max(widest, d.reach);
    }
    if (reach.first > reach.last) continue;
    // Depth is affine along the line on screen; past an end it is the end sprite's.
    auto corner = [&](float a, float side, float* out) {
      const float c = across(head) + (a - along(head)) * slope + side * widest * stretch;
      out[0] = steep ? c : a;
      out[1] = steep ? a : c;
      out[2] = head.depth + (tail.depth - head.depth) * std::clamp((a - along(head)) / run, 0.0f, 1.0f);
    };
    float corners[4][3];
    corner(from, -1.0f, corners[0]);
    corner(from, 1.0f, corners[1]);
    corner(to, -1.0f, corners[2]);
    corner(to, 1.0f, corners[3]);
    if (!piece(corners, {0, 1, 2, 1, 3, 2}, reach)) return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<BeamPiles> BeamPiles::Create(gpu::Device& device) {
  gpu::CompiledShader vertex = device.CompileShader(kVertexSource, "vs_main", "vs_3_0");
  gpu::CompiledShader pixel =
      device.CompileShader(std::string(kPixelSource) + kSparkAlphaSource, "ps_main", "ps_3_0");
  auto piles = std::make_unique<BeamPiles>();
  piles->declaration = device.CreateVertexDeclaration(kBandElements);
  if (vertex.shader == nullptr || pixel.shader == nullptr || vertex.constants == nullptr ||
      piles->declaration == nullptr) {
    std::fprintf(stderr, "Graphics: beams are drawn sprite by sprite: %s%s\n", vertex.messages.c_str(),
                 pixel.messages.c_str());
    return nullptr;
  }
  vertex.shader->SetName("beam piles vertex");
  pixel.shader->SetName("beam piles pixel");
  piles->vertexShader = std::move(vertex.shader);
  piles->pixelShader = std::move(pixel.shader);
  piles->vertexConstants = std::move(vertex.constants);
  return piles;
}

void BeamPiles::Render(gpu::Device& device, const std::vector<ParticleSystem*>& systems,
                       const beams::View& view, const std::function<void(ParticleSystem*)>& drawSprites) {
  const beams::Plan plan = beams::PlanParticles(systems, view);
  for (const beams::Step& step : plan.steps) {
    if (step.system != nullptr) {
      drawSprites(step.system);
      continue;
    }
    const Pile& pile = plan.piles[static_cast<size_t>(step.pile)];
    if (DrawPile(device, pile, view)) continue;
    for (const Beam& beam : pile.beams) {
      for (int l = 0; l < beam.layerCount; ++l) drawSprites(beam.layers[l]);
    }
  }
}

bool BeamPiles::DrawPile(gpu::Device& device, const Pile& pile, const beams::View& view) {
  // In wireframe the band would show as its triangles' edges.
  if (device.GetRenderState(gpu::RenderState::FillMode) == static_cast<uint32_t>(gpu::Fill::Wireframe))
    return false;
  std::vector<BandVertex> band;
  if (!MakeBand(pile, view, band)) return false;
  if (band.empty()) return true;

  const Beam& longest = pile.beams.front();
  const ParticleSystem& lower = *longest.layers[0];
  const ParticleSystem& upper = *longest.layers[longest.layerCount - 1];
  const ParticleColour lowerColour = ArgbToColour(longest.colours[0]);
  ParticleColour upperColour = ArgbToColour(longest.colours[longest.layerCount - 1]);
  if (longest.layerCount == 1) upperColour.a = 0.0f;  // a beam of one layer: nothing above it
  auto inverse = [](float v) { return v > 0.0f ? 1.0f / v : 1e30f; };
  vertexConstants->SetVector("ClipStart", beams::Transform(longest.start, 1.0f, view.viewProj));
  vertexConstants->SetVector("ClipStep", beams::Transform(longest.step, 0.0f, view.viewProj));
  vertexConstants->SetVector("EyeStart", beams::Transform(longest.start, 1.0f, view.view));
  vertexConstants->SetVector("EyeStep", beams::Transform(longest.step, 0.0f, view.view));
  vertexConstants->SetVector("Sizes",
                             {inverse(lower.pointSize * view.height), inverse(upper.pointSize * view.height),
                              1.0f / gpu::kMaxPointSize, 0.0f});
  vertexConstants->SetVector("LowerColour", {lowerColour.r, lowerColour.g, lowerColour.b, lowerColour.a});
  vertexConstants->SetVector("UpperColour", {upperColour.r, upperColour.g, upperColour.b, upperColour.a});
  const float halfTarget[2] = {view.width * 0.5f, view.height * 0.5f};
  vertexConstants->SetFloatArray("HalfTarget", halfTarget, 2);

  // The band's pieces face either way.
  const uint32_t cull = device.GetRenderState(gpu::RenderState::CullMode);
  device.SetRenderState(gpu::RenderState::CullMode, static_cast<uint32_t>(gpu::Cull::None));
  device.SetVertexShader(vertexShader.get());
  device.SetPixelShader(pixelShader.get());
  device.SetVertexDeclaration(declaration.get());
  device.DrawPrimitiveUP(gpu::Primitive::TriangleList, static_cast<uint32_t>(band.size() / 3), band.data(),
                         sizeof(BandVertex));
  device.SetVertexShader(nullptr);
  device.SetPixelShader(nullptr);
  device.SetRenderState(gpu::RenderState::CullMode, cull);
  return true;
}
