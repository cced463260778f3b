// The player's ship (hull and engine nacelle), its aiming reticle and the helper drone, with the ship's
// texture. Left-handed, +Z the nose, +Y up, clockwise front faces seen from outside, texture v downward.
#include "ship_meshes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "geometry.h"
#include "images.h"
#include "shapes.h"

namespace assetgen {
namespace {

namespace fs = std::filesystem;
using xfile::V2;
using xfile::V3;

constexpr float kPi = std::numbers::pi_v<float>;

// Regions of KV01.bmp, as texture v ranges (the rows are v x 128).
constexpr float kHullV0 = 0.0f, kHullV1 = 0.78f;      // fuselage panels and the canopy
constexpr float kWingV0 = 0.80f, kWingV1 = 0.87f;     // plain wing panels with a red band
constexpr float kEngineV0 = 0.88f, kEngineV1 = 1.0f;  // dark nacelle, glowing nozzle at the bottom

// The hull: a lofted fuselage with a canopy hump (z -11 to the nose at +12), swept wings spanning 20 and a
// tail fin; 24 long, 5 tall. One material, so the whole hull fades with the ship's alpha.
xfile::Frame MakeHull() {
  xfile::Mesh mesh;
  mesh.name = "KV01_Hull";
  constexpr int kSegments = 16, kBands = 12;
  constexpr float kTail = -11, kFront = 8, kNose = 12;
  std::vector<float> ringZ;
  for (int k = 0; k <= kBands; ++k)
    ringZ.push_back(kTail + (kFront - kTail) * static_cast<float>(k) / kBands);
  auto shape = [](int k, float angle) {
    const float s = static_cast<float>(k) / kBands;
    const float girth = 0.55f + 0.45f * std::sin(kPi * (0.1f + 0.8f * s));
    const float halfWidth = 2.6f * girth * (1.0f - 0.3f * s);
    const float halfHeight = 1.5f * girth;
    // The canopy: a hump on the upper side of the front half.
    const float hump = 0.9f * std::max(0.0f, std::sin(kPi * (s - 0.45f) / 0.45f));
    const float up = std::sin(angle);
    const float y = halfHeight * up + (up > 0 ? hump * up * up * up : 0.0f);
    return V2{halfWidth * std::cos(angle), y};
  };
  AddLoft(mesh, kSegments, ringZ, shape, kNose, kHullV0, kHullV1);

  // Wings: root chord z -7..+3 at x 2 (0.5 thick), tip chord z -9.5..-6.5 at x 10 (0.2 thick).
  for (float side : {1.0f, -1.0f}) {
    const std::array<V3, 8> wing = {{{2 * side, -0.25f, -7},
                                     {2 * side, -0.25f, 3},
                                     {10 * side, -0.1f, -6.5f},
                                     {10 * side, -0.1f, -9.5f},
                                     {2 * side, 0.25f, -7},
                                     {2 * side, 0.25f, 3},
                                     {10 * side, 0.1f, -6.5f},
                                     {10 * side, 0.1f, -9.5f}}};
    AddSlab(mesh, wing, kWingV0, kWingV1);
  }
  // Tail fin: root z -10..-4 on the spine, tip z -11.5..-9 at y 3.4.
  const std::array<V3, 8> fin = {{{-0.15f, 1.0f, -10},
                                  {-0.15f, 1.0f, -4},
                                  {-0.08f, 3.4f, -9},
                                  {-0.08f, 3.4f, -11.5f},
                                  {0.15f, 1.0f, -10},
                                  {0.15f, 1.0f, -4},
                                  {0.08f, 3.4f, -9},
                                  {0.08f, 3.4f, -11.5f}}};
  AddSlab(mesh, fin, kWingV0, kWingV1);

  mesh.materials.push_back({{0.92f, 0.93f, 0.96f, 1}, 24, {0.6f, 0.6f, 0.6f}, {0, 0, 0}, "KV01.bmp"});
  return {"KV01_HullFrame", xfile::Identity(), {mesh}, {}};
}

// An engine nacelle, radius 1.5 and 6 long, centred on its origin; the nozzle end (-Z) glows.
xfile::Frame MakeEngine() {
  xfile::Mesh mesh;
  mesh.name = "KV01_Engine";
  const std::vector<float> ringZ = {-3, -2.4f, 1.5f, 3};
  auto shape = [](int k, float angle) {
    static constexpr float kRadius[] = {1.35f, 1.5f, 1.5f, 1.1f};
    const float r = kRadius[k];
    return V2{r * std::cos(angle), r * std::sin(angle)};
  };
  // v runs from the glowing bottom rows at the nozzle up into the dark band at the intake.
  AddLoft(mesh, 12, ringZ, shape, 3, kEngineV1 - 0.01f, kEngineV0);
  mesh.materials.push_back({{0.85f, 0.85f, 0.9f, 1}, 16, {0.4f, 0.4f, 0.4f}, {0.1f, 0.05f, 0}, "KV01.bmp"});
  return {"KV01_EngineFrame", xfile::Identity(), {mesh}, {}};
}

// The reticle: a flat ring (radii 3.3 to 4) with four ticks, in the Y-Z plane. The game gives it a mirrored
// frame, so every face is written in both windings.
xfile::Frame MakeReticle() {
  xfile::Mesh mesh;
  mesh.name = "Ret";
  constexpr int kSegments = 32;
  constexpr float kInner = 3.3f, kOuter = 4.0f;
  auto at = [](float r, float angle) { return V3{0, r * std::cos(angle), r * std::sin(angle)}; };
  for (float facing : {1.0f, -1.0f}) {
    const V3 n{facing, 0, 0};
    for (int j = 0; j < kSegments; ++j) {
      const float a0 = 2 * kPi * static_cast<float>(j) / kSegments;
      const float a1 = 2 * kPi * static_cast<float>(j + 1) / kSegments;
      AddFacingQuad(mesh, {at(kInner, a0), at(kOuter, a0), at(kOuter, a1), at(kInner, a1)}, n, 0, 0, 1, 1);
    }
    // Ticks from 4.4 to 5.6 at the four quarter turns, 0.3 wide.
    for (int q = 0; q < 4; ++q) {
      const float a = kPi * 0.5f * static_cast<float>(q);
      const V3 radial{0, std::cos(a), std::sin(a)};
      const V3 across{0, -std::sin(a), std::cos(a)};
      const V3 inner = Scale(radial, 4.4f), outer = Scale(radial, 5.6f), w = Scale(across, 0.15f);
      AddFacingQuad(mesh, {Sub(inner, w), Sub(outer, w), Add(outer, w), Add(inner, w)}, n, 0, 0, 1, 1);
    }
  }
  mesh.materials.push_back({{0.3f, 1.0f, 0.4f, 1}, 0, {0, 0, 0}, {0.3f, 1.0f, 0.4f}, "Ret.bmp"});
  return {"RetFrame", xfile::Identity(), {mesh}, {}};
}

// The helper drone: an 8-long orange dart (tail z -4, nose +4) with short wings.
xfile::Frame MakeHelper() {
  xfile::Mesh mesh;
  mesh.name = "Helper";
  const std::vector<float> ringZ = {-4, -2, 0, 2};
  auto shape = [](int k, float angle) {
    static constexpr float kGirth[] = {0.6f, 1.0f, 0.9f, 0.55f};
    return V2{1.1f * kGirth[k] * std::cos(angle), 0.8f * kGirth[k] * std::sin(angle)};
  };
  AddLoft(mesh, 8, ringZ, shape, 4, kWingV0, kWingV1);
  for (float side : {1.0f, -1.0f}) {
    const std::array<V3, 8> wing = {{{0.8f * side, -0.12f, -3},
                                     {0.8f * side, -0.12f, 0.5f},
                                     {3.6f * side, -0.06f, -2.2f},
                                     {3.6f * side, -0.06f, -3.6f},
                                     {0.8f * side, 0.12f, -3},
                                     {0.8f * side, 0.12f, 0.5f},
                                     {3.6f * side, 0.06f, -2.2f},
                                     {3.6f * side, 0.06f, -3.6f}}};
    AddSlab(mesh, wing, kWingV0, kWingV1);
  }
  mesh.materials.push_back({{1.0f, 0.55f, 0.15f, 1}, 16, {0.4f, 0.4f, 0.4f}, {0.1f, 0.04f, 0}, "KV01.bmp"});
  return {"HelperFrame", xfile::Identity(), {mesh}, {}};
}

uint32_t Grey(int shade) {
  const uint32_t v = static_cast<uint32_t>(std::clamp(shade, 0, 255));
  return 0xFF000000u | v << 16 | v << 8 | std::min(255u, v + 8);
}

// KV01.bmp, 128x128. Rows 0-99: fuselage panels (u 0 and 0.5 are the ship's flanks, u 0.25 its spine) with
// red flank stripes and a blue canopy; rows 102-111: wing panels with a red band; rows 112-127: the dark
// nacelle, its last rows glowing orange.
Picture Kv01Picture() {
  Picture p(128, 128, 0xFF000000);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const int grain =
          static_cast<int>(PixelHash(static_cast<uint32_t>(x), static_cast<uint32_t>(y)) % 9) - 4;
      uint32_t colour;
      if (y < 102) {
        int shade = 206 + grain;
        if (x % 16 == 0 || y % 20 == 0) shade = 120;
        colour = Grey(shade);
        if (x < 3 || x > 124 || (x > 61 && x < 67)) colour = 0xFFC02020;  // flank stripes
        const float cx = (static_cast<float>(x) - 32.0f) / 11.0f,
                    cy = (static_cast<float>(y) - 68.0f) / 16.0f;
        const float d = cx * cx + cy * cy;
        if (d <= 1.0f) {  // canopy, lighter toward its front edge
          const int glow = static_cast<int>(60.0f * (1.0f - d));
          colour = 0xFF000000u | static_cast<uint32_t>(20 + glow / 2) << 16 |
                   static_cast<uint32_t>(50 + glow) << 8 | static_cast<uint32_t>(110 + glow);
        }
      } else if (y < 112) {
        colour = (y == 107 || y == 108) ? 0xFFC02020 : Grey((x % 32 == 0 ? 110 : 176) + grain);
      } else if (y < 124) {
        colour = Grey((x % 8 == 0 ? 40 : 72) + grain);
      } else {
        colour = 0xFFFF9030;
      }
      p.At(x, y) = colour;
    }
  return p;
}

}  // namespace

bool WriteShipMeshes(const fs::path& assetsRoot) {
  const fs::path art = assetsRoot / "Art";
  bool ok = SavePicture(assetsRoot, "Art/KV01.bmp", Kv01Picture(), ImageFormat::Bmp24);
  ok = SavePicture(assetsRoot, "Art/Ret.bmp", Picture(8, 8, 0xFFFFFFFF), ImageFormat::Bmp24) && ok;
  ok = SaveMesh(art / "KV01_Hull.X", MakeHull()) && ok;
  ok = SaveMesh(art / "KV01_Engine.X", MakeEngine()) && ok;
  ok = SaveMesh(art / "Ret.X", MakeReticle()) && ok;
  ok = SaveMesh(art / "Helper.X", MakeHelper()) && ok;
  return ok;
}

}  // namespace assetgen
