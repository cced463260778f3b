// The fighters' and meteors' generated art. Enemies face the player along their +Z, so every nose and
// muzzle is on +Z. Left-handed, +Y up, clockwise front faces seen from outside, v growing down.
#include "enemy_meshes.h"

#include <algorithm>
#include <array>
#include <cmath>
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
constexpr const char* kEnemyTexture = "tex_enemy.bmp";

// An elliptic section of half-width w and half-height h; `square` > 0 flattens it toward a rectangle.
V2 Section(float w, float h, float angle, float square = 0) {
  const float c = std::cos(angle), s = std::sin(angle);
  const float e = 1 - 0.5f * square;  // exponent of the superellipse
  return {w * std::copysign(std::pow(std::fabs(c), e), c), h * std::copysign(std::pow(std::fabs(s), e), s)};
}

// A wing or fin between a root chord and a tip chord, each given by its back and front z and its
// thickness; the root lies at `root` and the tip at `tip` (x, y), the thickness across the span.
void AddWing(xfile::Mesh& mesh, V2 root, float rootBack, float rootFront, float rootThick, V2 tip,
             float tipBack, float tipFront, float tipThick) {
  const float du = tip.u - root.u, dv = tip.v - root.v, length = std::hypot(du, dv);
  const V2 across{-dv / length, du / length};
  auto at = [&](V2 p, float side, float z) { return V3{p.u + side * across.u, p.v + side * across.v, z}; };
  const float r = rootThick / 2, t = tipThick / 2;
  AddSlab(mesh,
          {{at(root, -r, rootBack), at(root, -r, rootFront), at(tip, -t, tipFront), at(tip, -t, tipBack),
            at(root, r, rootBack), at(root, r, rootFront), at(tip, t, tipFront), at(tip, t, tipBack)}},
          0.0f, 0.5f);
}

// The engine glow the fighters share.
xfile::Material EngineGlow() {
  return Textured(1.0f, 0.55f, 0.2f, kEnemyTexture, 1.0f);
}

// A purple gunship 26 long (tail z -13, nose +13), wings spanning 24, twin cannons under the wings.
xfile::Frame MakePsycho() {
  xfile::Mesh mesh;
  mesh.name = "Psycho";
  const std::vector<float> ringZ = {-11, -8, -3, 2, 6, 9};
  AddLoft(
      mesh, 12, ringZ,
      [](int k, float a) {
        static constexpr float kW[] = {2.5f, 4, 4.5f, 4, 3, 2}, kH[] = {2, 3, 3.2f, 2.8f, 2, 1.3f};
        return Section(kW[k], kH[k], a);
      },
      13, 0.5f, 1.0f);
  for (float side : {1.0f, -1.0f}) {
    AddWing(mesh, {3.5f * side, 0}, -8, 2, 0.8f, {12 * side, -0.8f}, -10, -5, 0.3f);
    AddBeam(mesh, {6 * side, -1.2f, -5}, {6 * side, -1.2f, 11}, 0.8f);  // cannon
  }
  AddWing(mesh, {0, 2.5f}, -10, -3, 0.6f, {0, 6}, -12, -9, 0.3f);  // tail fin
  const size_t glow = mesh.faces.size();
  for (float side : {1.0f, -1.0f}) AddBox(mesh, {1.5f * side - 1, -1, -13}, {1.5f * side + 1, 1, -10.5f});
  Paint(mesh, glow, 1);
  mesh.materials = {Textured(0.62f, 0.3f, 0.9f, kEnemyTexture), EngineGlow()};
  return OneMeshFrame(mesh);
}

// A dark red cruiser 34 long (stern z -17, prow +17), 20 wide: a boxy hull, a bridge tower, side sponsons,
// two forward guns and two engine blocks.
xfile::Frame MakeDread() {
  xfile::Mesh mesh;
  mesh.name = "Dread";
  const std::vector<float> ringZ = {-15, -10, 0, 8, 13};
  AddLoft(
      mesh, 16, ringZ,
      [](int k, float a) {
        static constexpr float kW[] = {6, 7, 7, 5.5f, 3.5f}, kH[] = {3.5f, 4, 4, 3, 2};
        return Section(kW[k], kH[k], a, 0.8f);
      },
      17, 0.5f, 1.0f);
  // The bridge: wider at its base, its front sloping back.
  AddSlab(mesh,
          {{{-3, 3.5f, -11},
            {3, 3.5f, -11},
            {3, 3.5f, -2},
            {-3, 3.5f, -2},
            {-2, 7.5f, -10},
            {2, 7.5f, -10},
            {2, 7.5f, -5},
            {-2, 7.5f, -5}}},
          0, 0.5f);
  for (float side : {1.0f, -1.0f}) {
    AddWing(mesh, {6.5f * side, 0}, -9, 6, 2.5f, {10 * side, -0.5f}, -7, 1, 1.5f);  // sponson
    AddBeam(mesh, {3 * side, -2.8f, 6}, {3 * side, -2.8f, 16}, 0.7f);               // forward gun
    AddBox(mesh, {5 * side - 2, -1.5f, -16}, {5 * side + 2, 2, -10});               // engine block
  }
  const size_t glow = mesh.faces.size();
  for (float side : {1.0f, -1.0f}) AddBox(mesh, {5 * side - 1.5f, -1, -17}, {5 * side + 1.5f, 1.5f, -16});
  Paint(mesh, glow, 1);
  mesh.materials = {Textured(0.6f, 0.12f, 0.1f, kEnemyTexture), EngineGlow()};
  return OneMeshFrame(mesh);
}

// A brown drone 12 across: a squat ball with three swept arms and a red eye on its nose (z +6).
xfile::Frame MakeDirt() {
  xfile::Mesh mesh = Ball("Dirt", 8, 12, 1, [](float, float, bool) { return 3.8f; });
  for (V3& p : mesh.positions) p.z *= 0.85f;
  SmoothNormals(mesh);
  for (int k = 0; k < 3; ++k) {
    const float a = kPi / 2 + 2 * kPi * float(k) / 3;
    const V3 out{std::cos(a), std::sin(a), 0};
    AddBeam(mesh, Scale(out, 3), Add(Scale(out, 5.6f), {0, 0, -2}), 0.7f);
  }
  const size_t eye = mesh.faces.size();
  Append(mesh, Ball("Eye", 5, 8, 1, [](float, float, bool) { return 1.6f; }), {0, 0, 4.4f});
  Paint(mesh, eye, 1);
  mesh.materials = {Textured(0.6f, 0.42f, 0.22f, kEnemyTexture),
                    Textured(1.0f, 0.2f, 0.1f, kEnemyTexture, 1)};
  return OneMeshFrame(mesh);
}

// A meteor of mean radius `radius`: a ball raised by a few broad lumps and pressed in by a few craters
// placed by `seed`, staying within 20% of the radius.
xfile::Frame MakeMeteor(const char* name, float radius, int bands, int slices, uint32_t seed) {
  struct Dent {
    V3 direction;
    float depth;  // + lump, - crater
    float width;  // cosine of its angular radius
  };
  std::vector<Dent> dents;
  for (uint32_t i = 0; i < 14; ++i) {
    auto unit = [&](uint32_t salt) { return float(PixelHash(i, salt, seed) & 0xFFFF) / 65535.0f; };
    const float z = 2 * unit(1) - 1, phi = 2 * kPi * unit(2), s = std::sqrt(1 - z * z);
    dents.push_back({{s * std::cos(phi), z, s * std::sin(phi)},
                     i % 3 == 2 ? -0.14f : 0.08f + 0.12f * unit(3),
                     0.6f + 0.35f * unit(4)});
  }
  xfile::Mesh mesh = Ball(name, bands, slices, 3, [&](float theta, float phi, bool pole) {
    const V3 dir{std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
    float r = pole ? 1 : 1 + 0.04f * std::sin(5 * phi + 3 * theta) * std::cos(4 * theta + float(seed));
    for (const Dent& d : dents) {
      const float t = (Dot(dir, d.direction) - d.width) / (1 - d.width);
      if (t > 0) r += d.depth * t * t * (3 - 2 * t);
    }
    return radius * std::clamp(r, 0.8f, 1.2f);
  });
  mesh.materials.push_back(Textured(0.72f, 0.64f, 0.56f, "tex_rock.bmp"));
  return OneMeshFrame(mesh);
}

// tex_enemy.bmp, 128x128: grey metal panels with dark seams and vents, and a red stripe across rows 88-99,
// which the lofted bodies (v 0.5 to 1) wear as a band.
Picture EnemyPicture() {
  Picture p(128, 128, 0);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const int grain = int(PixelHash(uint32_t(x), uint32_t(y), 17) % 15) - 7;
      int shade = 176 + grain + (((x / 32) + (y / 32)) % 2) * 14;
      if (x % 32 == 0 || y % 32 == 0) shade = 90;
      if ((x % 32) > 20 && (x % 32) < 28 && (y % 32) > 6 && (y % 32) < 24 && (y % 4) < 2) shade = 60;  // vent
      uint32_t r = uint32_t(std::clamp(shade, 0, 255)), g = r, b = uint32_t(std::clamp(shade + 6, 0, 255));
      if (y >= 88 && y < 100) r = 200, g = 40, b = 36;
      p.At(x, y) = 0xFF000000u | r << 16 | g << 8 | b;
    }
  return p;
}

}  // namespace

bool WriteEnemyMeshes(const fs::path& assetsRoot) {
  const fs::path art = assetsRoot / "Art";
  bool ok = SavePicture(assetsRoot, "Art/tex_enemy.bmp", EnemyPicture(), ImageFormat::Bmp24);
  ok = SaveMesh(art / "Psycho.X", MakePsycho()) && ok;
  ok = SaveMesh(art / "Dread.X", MakeDread()) && ok;
  ok = SaveMesh(art / "Dirt.X", MakeDirt()) && ok;
  ok = SaveMesh(art / "MeteorM_A.X", MakeMeteor("MeteorM_A", 10, 10, 16, 3)) && ok;
  ok = SaveMesh(art / "MeteorM_B.X", MakeMeteor("MeteorM_B", 10, 10, 16, 8)) && ok;
  ok = SaveMesh(art / "MeteorL_A.X", MakeMeteor("MeteorL_A", 22, 14, 22, 21)) && ok;
  ok = SaveMesh(art / "MeteorL_B.X", MakeMeteor("MeteorL_B", 22, 14, 22, 34)) && ok;
  return ok;
}

}  // namespace assetgen
