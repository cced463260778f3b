// The generated .X meshes. All are left-handed with +Z forward and +Y up, clockwise front faces seen from
// outside, and texture v growing downward.
#include "meshes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "geometry.h"
#include "images.h"

namespace assetgen {
namespace {

using xfile::V2;
using xfile::V3;

constexpr float kPi = std::numbers::pi_v<float>;

// A flat quad of a convex solid, corners in cyclic order, turned so its front faces away from `inside`.
void AddConvexQuad(xfile::Mesh& mesh, const std::array<V3, 4>& corners, V3 inside, bool withUv) {
  const V3 centre = Scale(Add(Add(corners[0], corners[1]), Add(corners[2], corners[3])), 0.25f);
  V3 n = Cross(Sub(corners[1], corners[0]), Sub(corners[2], corners[0]));
  const bool reverse = Dot(n, Sub(centre, inside)) < 0;
  if (reverse) n = Scale(n, -1);
  n = Normalize(n);
  static constexpr V2 kUv[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  const uint32_t base = static_cast<uint32_t>(mesh.positions.size());
  for (int i = 0; i < 4; ++i) {
    const int k = reverse ? (4 - i) % 4 : i;
    mesh.positions.push_back(corners[static_cast<size_t>(k)]);
    mesh.normals.push_back(n);
    if (withUv) mesh.uvs.push_back(kUv[i]);
  }
  mesh.faces.push_back({base, base + 1, base + 2});
  mesh.faces.push_back({base, base + 2, base + 3});
}

// Eight corners: 0-3 the bottom face, 4-7 the top face above them, each in cyclic order.
void AddHexahedron(xfile::Mesh& mesh, const std::array<V3, 8>& c, bool withUv) {
  V3 inside{};
  for (const V3& p : c) inside = Add(inside, Scale(p, 1.0f / 8));
  AddConvexQuad(mesh, {c[0], c[1], c[2], c[3]}, inside, withUv);
  AddConvexQuad(mesh, {c[4], c[5], c[6], c[7]}, inside, withUv);
  for (size_t i = 0; i < 4; ++i) {
    const size_t j = (i + 1) % 4;
    AddConvexQuad(mesh, {c[i], c[j], c[j + 4], c[i + 4]}, inside, withUv);
  }
}

xfile::Frame MakeHull() {
  xfile::Mesh mesh;
  mesh.name = "TestHull";
  // A lofted fuselage: rings of `kSegments` around +Z from the tail (z -6) to the last ring (z +6), a nose
  // tip at z +8 and a flat tail cap.
  constexpr int kSegments = 16, kBands = 10;
  constexpr float kTail = -6, kFront = 6, kNose = 8;
  auto ring = [](int k, int j) { return static_cast<uint32_t>(k * (kSegments + 1) + j); };
  for (int k = 0; k <= kBands; ++k) {
    const float s = static_cast<float>(k) / kBands;
    const float shape = 0.55f + 0.45f * std::sin(kPi * (0.15f + 0.7f * s));
    const float z = kTail + (kFront - kTail) * s;
    for (int j = 0; j <= kSegments; ++j) {
      const float t = 2 * kPi * static_cast<float>(j % kSegments) / kSegments;
      AddVertex(mesh, {2.0f * shape * std::cos(t), 1.2f * shape * std::sin(t), z},
                {static_cast<float>(j) / kSegments, s});
    }
  }
  // Around the ring t runs from +X toward +Y and k runs toward +Z: (p, p along t, p toward +Z) is clockwise
  // seen from outside.
  for (int k = 0; k < kBands; ++k) {
    for (int j = 0; j < kSegments; ++j) {
      mesh.faces.push_back({ring(k, j), ring(k, j + 1), ring(k + 1, j)});
      mesh.faces.push_back({ring(k, j + 1), ring(k + 1, j + 1), ring(k + 1, j)});
      // The canopy: the upper quarter of the front half takes the second material.
      const float angle = 2 * kPi * (static_cast<float>(j) + 0.5f) / kSegments;
      const bool canopy = k >= kBands / 2 && k < kBands - 1 && std::sin(angle) > 0.7f;
      mesh.faceMaterials.insert(mesh.faceMaterials.end(), 2, canopy ? 1u : 0u);
    }
  }
  for (int j = 0; j < kSegments; ++j) {
    const float u = (static_cast<float>(j) + 0.5f) / kSegments;
    const uint32_t tip = AddVertex(mesh, {0, 0, kNose}, {u, 1});
    mesh.faces.push_back({ring(kBands, j), ring(kBands, j + 1), tip});
    const uint32_t centre = AddVertex(mesh, {0, 0, kTail}, {u, 0});
    mesh.faces.push_back({ring(0, j), centre, ring(0, j + 1)});
    mesh.faceMaterials.insert(mesh.faceMaterials.end(), 2, 0u);
  }
  SmoothNormals(mesh);
  mesh.materials.push_back({{0.9f, 0.9f, 0.95f, 1}, 20, {0.5f, 0.5f, 0.5f}, {0, 0, 0}, "TestHull.bmp"});
  mesh.materials.push_back({{0.3f, 0.6f, 1.0f, 1}, 40, {0.8f, 0.8f, 0.8f}, {0, 0, 0}, "TestHull.bmp"});
  return {"TestHullFrame", xfile::Identity(), {mesh}, {}};
}

xfile::Frame MakeWing() {
  xfile::Mesh mesh;
  mesh.name = "TestWing";
  // A swept, tapered slab: the root chord (x 0) runs z -2..+2, 0.4 thick; the tip (x 8) z -2.5..-0.5, 0.2
  // thick.
  const std::array<V3, 8> corners = {{{0, -0.2f, -2},
                                      {0, -0.2f, 2},
                                      {8, -0.1f, -0.5f},
                                      {8, -0.1f, -2.5f},
                                      {0, 0.2f, -2},
                                      {0, 0.2f, 2},
                                      {8, 0.1f, -0.5f},
                                      {8, 0.1f, -2.5f}}};
  AddHexahedron(mesh, corners, true);
  mesh.materials.push_back({{1, 1, 1, 1}, 10, {0.3f, 0.3f, 0.3f}, {0.2f, 0.2f, 0.2f}, "TestGlow.bmp"});
  return {"TestWingFrame", xfile::Identity(), {mesh}, {}};
}

xfile::Frame MakeCube() {
  xfile::Mesh mesh;
  mesh.name = "TestCube";
  std::array<V3, 8> corners;
  for (size_t i = 0; i < 8; ++i) {
    const float y = i < 4 ? -0.5f : 0.5f;
    const size_t k = i % 4;  // cyclic around the vertical axis
    corners[i] = {(k == 1 || k == 2) ? 0.5f : -0.5f, y, (k >= 2) ? 0.5f : -0.5f};
  }
  AddHexahedron(mesh, corners, false);
  mesh.materials.push_back({{0.8f, 0.8f, 0.8f, 1}, 0, {0, 0, 0}, {0, 0, 0}, ""});
  return {"TestCubeFrame", xfile::Identity(), {mesh}, {}};
}

}  // namespace

xfile::Frame MakeBenchRock(int triangles, float radius) {
  xfile::Mesh mesh;
  mesh.name = "BenchRock";
  // A latitude-longitude grid: `bands` rows from the +Y pole to the -Y pole, `slices` columns (a seam column
  // repeated for u). The pole rows give one triangle per column, the others two: 2 * slices * (bands - 1).
  const int inner = std::max(2, static_cast<int>(std::lround(std::sqrt(std::max(triangles, 12) / 2.5))));
  const int bands = inner + 1;
  const int slices = std::max(3, static_cast<int>(std::lround(std::max(triangles, 12) / (2.0 * inner))));
  auto at = [slices](int i, int j) { return static_cast<uint32_t>(i * (slices + 1) + j); };
  for (int i = 0; i <= bands; ++i) {
    const float theta = kPi * static_cast<float>(i) / bands;
    for (int j = 0; j <= slices; ++j) {
      const float phi = 2 * kPi * static_cast<float>(j % slices) / slices;
      // Smooth lumps, the same at the seam's two copies.
      const float lump =
          1 + 0.12f * std::sin(3 * theta) * std::cos(2 * phi) + 0.08f * std::sin(5 * phi + theta);
      const float r = radius * (i == 0 || i == bands ? 1.0f : lump);
      AddVertex(
          mesh,
          {r * std::sin(theta) * std::cos(phi), r * std::cos(theta), r * std::sin(theta) * std::sin(phi)},
          {static_cast<float>(j) / slices, static_cast<float>(i) / bands});
    }
  }
  // Going along a row (phi) and down a column (theta) from p, (p, p along, p down) is clockwise from outside.
  for (int i = 0; i < bands; ++i) {
    for (int j = 0; j < slices; ++j) {
      if (i > 0) mesh.faces.push_back({at(i, j), at(i, j + 1), at(i + 1, j)});
      if (i + 1 < bands) mesh.faces.push_back({at(i, j + 1), at(i + 1, j + 1), at(i + 1, j)});
    }
  }
  SmoothNormals(mesh);
  mesh.materials.push_back({{0.75f, 0.7f, 0.65f, 1}, 8, {0.2f, 0.2f, 0.2f}, {0, 0, 0}, "TestHull.bmp"});
  return {"BenchRockFrame", xfile::Identity(), {mesh}, {}};
}

bool WriteBenchRock(const std::filesystem::path& file, int triangles, float radius) {
  return SaveMesh(file, MakeBenchRock(triangles, radius));
}

bool WriteMeshes(const std::filesystem::path& assetsRoot) {
  const std::filesystem::path art = assetsRoot / "Art";
  bool ok = SaveMesh(art / "TestHull.X", MakeHull());
  ok = SaveMesh(art / "TestWing.X", MakeWing()) && ok;
  ok = SaveMesh(art / "TestCube.X", MakeCube()) && ok;
  ok = WriteBenchRock(art / "BenchRock.X", 1000, 10) && ok;
  return ok;
}

}  // namespace assetgen
