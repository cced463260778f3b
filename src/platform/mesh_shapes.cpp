// Box and sphere meshes (position and normal, clockwise front faces seen from outside, one subset) and the
// bounding sphere of a mesh's positions.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "platform/mesh.h"

namespace plat::mesh {
namespace {

MeshData Begin() {
  MeshData data;
  data.fvf = gpu::fvf::XYZ | gpu::fvf::Normal;
  data.stride = 24;
  return data;
}

void AddVertex(MeshData& data, math::Vec3 p, math::Vec3 n) {
  const float v[6] = {p.x, p.y, p.z, n.x, n.y, n.z};
  const size_t at = data.vertices.size();
  data.vertices.resize(at + sizeof v);
  std::memcpy(data.vertices.data() + at, v, sizeof v);
}

void AddFace(MeshData& data, uint32_t a, uint32_t b, uint32_t c) {
  data.indices.insert(data.indices.end(), {a, b, c});
  data.faceAttribute.push_back(0);
}

}  // namespace

MeshData MakeBox(float width, float height, float depth) {
  MeshData data = Begin();
  const math::Vec3 h{width / 2, height / 2, depth / 2};
  // Each face: its outward normal and two in-plane axes u, v with u x v = normal, so the corners
  // -u-v, +u-v, +u+v, -u+v run clockwise when seen from outside in a left-handed frame.
  struct Side {
    math::Vec3 normal, u, v;
  };
  const Side sides[6] = {
      {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
      {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
      {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
  };
  auto scale = [&](math::Vec3 a) { return math::Vec3{a.x * h.x, a.y * h.y, a.z * h.z}; };
  for (const Side& s : sides) {
    const uint32_t base = static_cast<uint32_t>(data.vertices.size() / data.stride);
    const math::Vec3 centre = scale(s.normal), u = scale(s.u), v = scale(s.v);
    AddVertex(data, centre - u - v, s.normal);
    AddVertex(data, centre + u - v, s.normal);
    AddVertex(data, centre + u + v, s.normal);
    AddVertex(data, centre - u + v, s.normal);
    AddFace(data, base, base + 1, base + 2);
    AddFace(data, base, base + 2, base + 3);
  }
  return data;
}

MeshData MakeSphere(float radius, int slices, int stacks) {
  MeshData data = Begin();
  if (slices < 2 || stacks < 2) return data;
  // Poles on the z axis: vertex 0 at +z, then (stacks - 1) rings of `slices`, then the -z pole.
  const float pi = std::numbers::pi_v<float>;
  AddVertex(data, {0, 0, radius}, {0, 0, 1});
  for (int i = 1; i < stacks; ++i) {
    const float theta = pi * static_cast<float>(i) / static_cast<float>(stacks);
    for (int j = 0; j < slices; ++j) {
      const float phi = 2 * pi * static_cast<float>(j) / static_cast<float>(slices);
      const math::Vec3 n{std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi), std::cos(theta)};
      AddVertex(data, n * radius, n);
    }
  }
  AddVertex(data, {0, 0, -radius}, {0, 0, -1});
  const uint32_t s = static_cast<uint32_t>(slices);
  const uint32_t rings = static_cast<uint32_t>(stacks - 1);
  const uint32_t bottom = 1 + rings * s;
  auto ring = [&](uint32_t r, uint32_t j) { return 1 + r * s + j % s; };
  // With "down" toward -z and "along" toward increasing phi, (down x along) points outward, so the corners
  // (p, p down, p along) run clockwise seen from outside.
  for (uint32_t j = 0; j < s; ++j) AddFace(data, 0, ring(0, j), ring(0, j + 1));
  for (uint32_t r = 0; r + 1 < rings; ++r) {
    for (uint32_t j = 0; j < s; ++j) {
      AddFace(data, ring(r, j), ring(r + 1, j), ring(r, j + 1));
      AddFace(data, ring(r, j + 1), ring(r + 1, j), ring(r + 1, j + 1));
    }
  }
  for (uint32_t j = 0; j < s; ++j) AddFace(data, ring(rings - 1, j), bottom, ring(rings - 1, j + 1));
  return data;
}

bool ComputeBoundingSphere(const MeshData& mesh, math::Vec3* centre, float* radius) {
  if (mesh.stride < 12) return false;
  const size_t count = mesh.vertices.size() / mesh.stride;
  if (count == 0) return false;
  auto position = [&](size_t i) {
    float p[3];
    std::memcpy(p, mesh.vertices.data() + i * mesh.stride, sizeof p);
    return math::Vec3{p[0], p[1], p[2]};
  };
  double sx = 0, sy = 0, sz = 0;
  for (size_t i = 0; i < count; ++i) {
    const math::Vec3 p = position(i);
    sx += p.x, sy += p.y, sz += p.z;
  }
  const double n = static_cast<double>(count);
  const math::Vec3 c{static_cast<float>(sx / n), static_cast<float>(sy / n), static_cast<float>(sz / n)};
  float farthest = 0;
  for (size_t i = 0; i < count; ++i) farthest = std::max(farthest, math::Vec3LengthSq(position(i) - c));
  if (centre) *centre = c;
  if (radius) *radius = std::sqrt(farthest);
  return true;
}

}  // namespace plat::mesh
