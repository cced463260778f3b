// The level's generated art: scenery meshes and their textures, the ground plates, and the meshes of the
// models the level loader preloads. Left-handed, +Z forward, +Y up, clockwise front faces seen from outside,
// v growing down.
#include "level_meshes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <utility>
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

// Smooth value noise in [0, 1] over an integer lattice of `cell` units, from the pixel hash.
float Lattice(int x, int y, uint32_t seed, int period) {
  const auto wrap = [period](int v) { return uint32_t(((v % period) + period) % period); };
  return float(PixelHash(wrap(x), wrap(y), seed) & 0xFFFF) / 65535.0f;
}

// Tiles seamlessly over `period` cells.
float ValueNoise(float x, float y, uint32_t seed, int period) {
  const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
  const float fx = x - float(x0), fy = y - float(y0);
  const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const float top = Lattice(x0, y0, seed, period) * (1 - sx) + Lattice(x0 + 1, y0, seed, period) * sx;
  const float bottom =
      Lattice(x0, y0 + 1, seed, period) * (1 - sx) + Lattice(x0 + 1, y0 + 1, seed, period) * sx;
  return top * (1 - sy) + bottom * sy;
}

// Three octaves of tiling value noise over a 128-pixel picture.
float Fractal(int px, int py, uint32_t seed) {
  float sum = 0, weight = 0, amplitude = 1;
  for (int octave = 0, period = 4; octave < 3; ++octave, period *= 2) {
    const float scale = float(period) / 128.0f;
    sum += amplitude * ValueNoise(float(px) * scale, float(py) * scale, seed + uint32_t(octave), period);
    weight += amplitude;
    amplitude *= 0.5f;
  }
  return sum / weight;
}

uint32_t Rgb(float r, float g, float b) {
  const auto channel = [](float c) { return uint32_t(std::clamp(c, 0.0f, 1.0f) * 255.0f + 0.5f); };
  return 0xFF000000u | channel(r) << 16 | channel(g) << 8 | channel(b);
}

// Grey-brown stone with dark cracks where the noise runs through its middle.
Picture RockPicture() {
  Picture p(128, 128, 0);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const float base = Fractal(x, y, 11);
      const float crack = std::fabs(Fractal(x, y, 37) - 0.5f) < 0.015f ? 0.55f : 1.0f;
      const float grain = float(PixelHash(uint32_t(x), uint32_t(y), 5) % 13) / 255.0f;
      const float v = (0.35f + 0.5f * base) * crack + grain;
      p.At(x, y) = Rgb(v * 1.0f, v * 0.92f, v * 0.82f);
    }
  return p;
}

// Ochre dust with darker basalt patches and a few shallow craters with bright rims.
Picture GroundPicture() {
  Picture p(128, 128, 0);
  struct Crater {
    float x, y, r;
  };
  constexpr Crater kCraters[] = {{30, 40, 14}, {90, 24, 9}, {70, 96, 18}, {112, 80, 7}, {18, 104, 8}};
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const float dust = Fractal(x, y, 71);
      const float patch = Fractal(x, y, 93) > 0.6f ? 0.7f : 1.0f;
      float light = 0.55f + 0.45f * dust;
      for (const Crater& c : kCraters) {
        const float d = std::hypot(float(x) - c.x, float(y) - c.y) / c.r;
        if (d < 0.85f)
          light *= 0.78f;
        else if (d < 1.0f)
          light *= 1.2f;
      }
      light *= patch;
      p.At(x, y) = Rgb(0.78f * light, 0.55f * light, 0.34f * light);
    }
  return p;
}

// A lattice pylon 200 tall: four tapering legs, four rings of braces and a platform on top.
xfile::Frame MakePylon() {
  xfile::Mesh mesh;
  mesh.name = "Pylon01";
  constexpr float kHeight = 200, kBase = 15, kTop = 5;
  const auto corner = [&](int k, float h) {
    const float half = kBase + (kTop - kBase) * h / kHeight;
    const float sx = (k == 0 || k == 3) ? 1.0f : -1.0f, sz = (k < 2) ? 1.0f : -1.0f;
    return V3{sx * half, h, sz * half};
  };
  for (int k = 0; k < 4; ++k) AddBeam(mesh, corner(k, 0), corner(k, kHeight), 1.2f);
  for (float h = 40; h < kHeight; h += 40) {
    for (int k = 0; k < 4; ++k) AddBeam(mesh, corner(k, h), corner((k + 1) % 4, h), 0.7f);
  }
  AddBeam(mesh, {0, kHeight - 2, 0}, {0, kHeight + 2, 0}, kTop + 2);
  mesh.materials.push_back(Textured(0.75f, 0.78f, 0.85f, "TestHull.bmp"));
  return {"Pylon01Frame", xfile::Identity(), {mesh}, {}};
}

xfile::Frame MakeBeacon() {
  xfile::Mesh mesh = Ball("Beacon01", 6, 8, 1, [](float, float, bool) { return 4.0f; });
  mesh.materials.push_back(Textured(1.0f, 0.3f, 0.2f, "TestGlow.bmp", 0.8f));
  return {"Beacon01Frame", xfile::Identity(), {mesh}, {}};
}

// Rolling hills that repeat every plate (1024 units) both ways, so unturned plates side by side join
// without a step or a crease; the gradient gives the normals, which then match across the joins too. No
// wave is shorter than half a plate, so a plate's coarse grid still carries it.
struct Hills {
  static constexpr float kWave = 2 * kPi / 1024;
  static float Height(float x, float z) {
    return 22 * std::sin(2 * kWave * x + 0.4f) * std::cos(kWave * z) +
           10 * std::sin(kWave * (x + 2 * z) + 1.3f);
  }
  static float SlopeX(float x, float z) {
    return 44 * kWave * std::cos(2 * kWave * x + 0.4f) * std::cos(kWave * z) +
           10 * kWave * std::cos(kWave * (x + 2 * z) + 1.3f);
  }
  static float SlopeZ(float x, float z) {
    return -22 * kWave * std::sin(2 * kWave * x + 0.4f) * std::sin(kWave * z) +
           20 * kWave * std::cos(kWave * (x + 2 * z) + 1.3f);
  }
};

// A 1024 x 1024 plate of rolling ground facing +Y, 8 x 8 cells (few large triangles are cheap to draw), its
// texture repeated four times. Its base climbs by `rise` from the -Z edge to the +Z edge along a smooth step
// that is level at both edges, so a plate joins the level plates `rise` apart on either side of it smoothly.
xfile::Frame MakeGround(const std::string& name, float rise) {
  xfile::Mesh mesh;
  mesh.name = name;
  constexpr int kCells = 8;
  constexpr float kSize = 1024, kCell = kSize / kCells;
  auto at = [](int i, int j) { return uint32_t(i * (kCells + 1) + j); };
  for (int i = 0; i <= kCells; ++i) {
    const float t = float(i) / kCells;
    const float base = rise * t * t * (3 - 2 * t), baseSlope = rise * 6 * t * (1 - t) / kSize;
    for (int j = 0; j <= kCells; ++j) {
      const float x = -kSize / 2 + kCell * float(j), z = -kSize / 2 + kCell * float(i);
      AddVertex(mesh, {x, base + Hills::Height(x, z), z}, {4 * float(j) / kCells, 4 * t});
      mesh.normals.push_back(Normalize({-Hills::SlopeX(x, z), 1, -(baseSlope + Hills::SlopeZ(x, z))}));
    }
  }
  for (int i = 0; i < kCells; ++i) {
    for (int j = 0; j < kCells; ++j) {
      AddFacing(mesh, at(i, j), at(i + 1, j), at(i, j + 1), {0, 1, 0});
      AddFacing(mesh, at(i, j + 1), at(i + 1, j), at(i + 1, j + 1), {0, 1, 0});
    }
  }
  mesh.materials.push_back(Textured(0.9f, 0.85f, 0.8f, "tex_ground.bmp"));
  return {name + "Frame", xfile::Identity(), {mesh}, {}};
}

// A station ring standing across +Z: a torus of radius 120 around the Z axis, tube radius 8 of six faces
// around (the smooth normals hide their corners).
xfile::Frame MakeRing() {
  xfile::Mesh mesh;
  mesh.name = "Ring01";
  constexpr int kMajor = 32, kMinor = 6;
  constexpr float kRadius = 120, kTube = 8;
  auto at = [](int i, int j) { return uint32_t(i * (kMinor + 1) + j); };
  for (int i = 0; i <= kMajor; ++i) {
    const float a = 2 * kPi * float(i % kMajor) / kMajor;
    for (int j = 0; j <= kMinor; ++j) {
      const float b = 2 * kPi * float(j % kMinor) / kMinor;
      const float r = kRadius + kTube * std::cos(b);
      AddVertex(mesh, {r * std::cos(a), r * std::sin(a), kTube * std::sin(b)},
                {4 * float(i) / kMajor, float(j) / kMinor});
    }
  }
  for (int i = 0; i < kMajor; ++i) {
    for (int j = 0; j < kMinor; ++j) {
      const float a = 2 * kPi * (float(i) + 0.5f) / kMajor, b = 2 * kPi * (float(j) + 0.5f) / kMinor;
      const V3 out{std::cos(b) * std::cos(a), std::cos(b) * std::sin(a), std::sin(b)};
      AddFacing(mesh, at(i, j), at(i + 1, j), at(i, j + 1), out);
      AddFacing(mesh, at(i, j + 1), at(i + 1, j), at(i + 1, j + 1), out);
    }
  }
  SmoothNormals(mesh);
  mesh.materials.push_back(Textured(0.7f, 0.75f, 0.8f, "TestHull.bmp"));
  return {"Ring01Frame", xfile::Identity(), {mesh}, {}};
}

// A shot: an octahedron of radius 1.
xfile::Frame MakeBullet() {
  const std::vector<V3> p = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  std::vector<std::array<uint32_t, 3>> t;
  for (uint32_t x : {0u, 1u})
    for (uint32_t y : {2u, 3u})
      for (uint32_t z : {4u, 5u}) t.push_back({x, y, z});
  xfile::Mesh mesh = Solid("Bullet", p, t, {}, 1);
  mesh.materials.push_back(Textured(1.0f, 0.9f, 0.5f, "TestGlow.bmp", 1.0f));
  return {"BulletFrame", xfile::Identity(), {mesh}, {}};
}

// A green blob of radius about 6 with spikes.
xfile::Frame MakePoison() {
  xfile::Mesh mesh = Ball("Poison", 8, 12, 1, [](float theta, float phi, bool pole) {
    if (pole) return 6.0f;
    return 6.0f * (1 + 0.35f * std::max(0.0f, std::sin(4 * theta) * std::cos(4 * phi)));
  });
  mesh.materials.push_back(Textured(0.4f, 1.0f, 0.3f, "TestGlow.bmp", 0.4f));
  return {"PoisonFrame", xfile::Identity(), {mesh}, {}};
}

// A small glowing yellow ball (radius 0.15): the bomb, scaled up by its blast.
xfile::Frame MakeBomb() {
  xfile::Mesh mesh = Ball("Bomb", 6, 8, 1, [](float, float, bool) { return 0.15f; });
  mesh.materials.push_back(Textured(1.0f, 0.9f, 0.3f, "TestGlow.bmp", 1.0f));
  return {"BombFrame", xfile::Identity(), {mesh}, {}};
}

// A missile 6 long, nose on +Z: a long double cone over a square section.
xfile::Frame MakeMissile() {
  const std::vector<V3> p = {{0.6f, 0, 0}, {-0.6f, 0, 0}, {0, 0.6f, 0}, {0, -0.6f, 0}, {0, 0, 3}, {0, 0, -3}};
  std::vector<std::array<uint32_t, 3>> t;
  for (uint32_t x : {0u, 1u})
    for (uint32_t y : {2u, 3u})
      for (uint32_t z : {4u, 5u}) t.push_back({x, y, z});
  xfile::Mesh mesh = Solid("Missile", p, t, {}, 3);
  mesh.materials.push_back(Textured(0.8f, 0.8f, 0.85f, "TestHull.bmp", 0.2f));
  return {"MissileFrame", xfile::Identity(), {mesh}, {}};
}

// A white six-point star 16 across in the x-y plane, 4 thick, facing +Z, crossed by the same star lying in
// the x-z plane, so that it reads in the top view as in the others.
xfile::Frame MakePolaris() {
  xfile::Mesh mesh;
  mesh.name = "Polaris";
  for (bool lying : {false, true}) {
    const auto place = [lying](float x, float y, float z) { return lying ? V3{x, z, y} : V3{x, y, z}; };
    std::vector<V3> p;
    for (int k = 0; k < 12; ++k) {
      const float a = 2 * kPi * float(k) / 12, r = k % 2 == 0 ? 8.0f : 3.5f;
      p.push_back(place(r * std::sin(a), r * std::cos(a), 0));
    }
    p.push_back(place(0, 0, 2));
    p.push_back(place(0, 0, -2));
    // The star is not convex: each face is turned away from the axis point beyond the star's plane.
    for (uint32_t k = 0; k < 12; ++k)
      for (uint32_t apex : {12u, 13u})
        Append(mesh, Solid("Polaris", p, {{k, (k + 1) % 12, apex}}, Scale(p[apex], -1), 8), {});
  }
  mesh.materials.push_back(Textured(0.95f, 0.95f, 1.0f, "TestHull.bmp"));
  return {"PolarisFrame", xfile::Identity(), {mesh}, {}};
}

// A teal dart 18 long, nose on +Z.
xfile::Frame MakeMagic() {
  const std::vector<V3> p = {{0, 0, 9}, {7, 0, -7}, {-7, 0, -7}, {0, 2.5f, -4}, {0, -2.5f, -4}, {0, 0, -9}};
  const std::vector<std::array<uint32_t, 3>> t = {{0, 3, 1}, {0, 1, 4}, {0, 4, 2}, {0, 2, 3},
                                                  {5, 1, 3}, {5, 4, 1}, {5, 2, 4}, {5, 3, 2}};
  xfile::Mesh mesh = Solid("Magic", p, t, {0, 0, -3}, 9);
  mesh.materials.push_back(Textured(0.2f, 0.85f, 0.8f, "TestHull.bmp"));
  return {"MagicFrame", xfile::Identity(), {mesh}, {}};
}

// A pick-up gem 8 across: a hexagonal table facing +Z, the girdle and a point behind.
xfile::Frame MakeGem(const char* name, float r, float g, float b) {
  std::vector<V3> p;
  for (int k = 0; k < 6; ++k) {
    const float a = 2 * kPi * float(k) / 6;
    p.push_back({2.5f * std::cos(a), 2.5f * std::sin(a), 2});
  }
  for (int k = 0; k < 6; ++k) {
    const float a = 2 * kPi * float(k) / 6;
    p.push_back({4 * std::cos(a), 4 * std::sin(a), 0});
  }
  p.push_back({0, 0, 2});
  p.push_back({0, 0, -3});
  std::vector<std::array<uint32_t, 3>> t;
  for (uint32_t k = 0; k < 6; ++k) {
    const uint32_t n = (k + 1) % 6;
    t.push_back({k, n, 12});
    t.push_back({k, n, 6 + k});
    t.push_back({n, 6 + n, 6 + k});
    t.push_back({6 + k, 6 + n, 13});
  }
  xfile::Mesh mesh = Solid(name, p, t, {0, 0, 0}, 4);
  mesh.materials.push_back(Textured(r, g, b, "TestGlow.bmp", 0.5f));
  return {std::string(name) + "Frame", xfile::Identity(), {mesh}, {}};
}

}  // namespace

bool WriteLevelMeshes(const fs::path& assetsRoot) {
  const fs::path art = assetsRoot / "Art";
  bool ok = SavePicture(assetsRoot, "Art/tex_rock.bmp", RockPicture(), ImageFormat::Bmp24);
  ok = SavePicture(assetsRoot, "Art/tex_ground.bmp", GroundPicture(), ImageFormat::Bmp24) && ok;
  ok = SaveMesh(art / "Rock01.X", MakeRock("Rock01", 20, 9, 15, 1.3f)) && ok;
  ok = SaveMesh(art / "Rock02.X", MakeRock("Rock02", 30, 11, 16, 2.1f)) && ok;
  ok = SaveMesh(art / "Rock03.X", MakeRock("Rock03", 45, 13, 18, 3.7f)) && ok;
  ok = SaveMesh(art / "Pylon01.X", MakePylon()) && ok;
  ok = SaveMesh(art / "Beacon01.X", MakeBeacon()) && ok;
  // The level plate and the slopes between the first level's ground heights.
  static constexpr std::pair<const char*, float> kGrounds[] = {
      {"Ground01", 0}, {"GroundUp130", 130}, {"GroundUp57", 57}, {"GroundDown142", -142}};
  for (const auto& [name, rise] : kGrounds)
    ok = SaveMesh(art / (std::string(name) + ".X"), MakeGround(name, rise)) && ok;
  ok = SaveMesh(art / "Ring01.X", MakeRing()) && ok;
  ok = SaveMesh(art / "Bullet.X", MakeBullet()) && ok;
  ok = SaveMesh(art / "Poison.X", MakePoison()) && ok;
  ok = SaveMesh(art / "Bomb.X", MakeBomb()) && ok;
  ok = SaveMesh(art / "Missile.X", MakeMissile()) && ok;
  ok = SaveMesh(art / "Polaris.X", MakePolaris()) && ok;
  ok = SaveMesh(art / "Magic.X", MakeMagic()) && ok;
  // One gem per power-up, told apart by colour.
  static constexpr struct {
    const char* name;
    float r, g, b;
  } kGems[] = {{"Powerup_Health", 1.0f, 0.2f, 0.2f},       {"Powerup_Bomb", 1.0f, 0.9f, 0.2f},
               {"Powerup_Missile", 1.0f, 0.55f, 0.15f},    {"Powerup_Beam", 0.3f, 1.0f, 1.0f},
               {"Powerup_Spread", 0.3f, 0.45f, 1.0f},      {"Powerup_Rail", 0.7f, 0.3f, 1.0f},
               {"Powerup_Flamethrower", 0.3f, 1.0f, 0.35f}};
  for (const auto& gem : kGems)
    ok = SaveMesh(art / (std::string(gem.name) + ".X"), MakeGem(gem.name, gem.r, gem.g, gem.b)) && ok;
  return ok;
}

}  // namespace assetgen
