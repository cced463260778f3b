// The shape kit the mesh generators share. Left-handed, clockwise front faces seen from outside.
#include "shapes.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace assetgen {
namespace {

using xfile::V2;
using xfile::V3;

constexpr float kPi = std::numbers::pi_v<float>;

}  // namespace

uint32_t Vertex(xfile::Mesh& mesh, V3 p, V3 n, V2 uv) {
  mesh.positions.push_back(p);
  mesh.normals.push_back(n);
  mesh.uvs.push_back(uv);
  return static_cast<uint32_t>(mesh.positions.size() - 1);
}

void AddFacing(xfile::Mesh& mesh, uint32_t a, uint32_t b, uint32_t c, V3 outward) {
  std::array<uint32_t, 3> face{a, b, c};
  if (Dot(FaceNormal(mesh, face), outward) < 0) std::swap(face[1], face[2]);
  mesh.faces.push_back(face);
}

void AddFlatQuad(xfile::Mesh& mesh, const std::array<V3, 4>& corners, V3 inside) {
  static constexpr V2 kUv[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  const V3 centre = Scale(Add(Add(corners[0], corners[1]), Add(corners[2], corners[3])), 0.25f);
  const V3 outward = Sub(centre, inside);
  const V3 n = Normalize(Cross(Sub(corners[1], corners[0]), Sub(corners[2], corners[0])));
  const V3 facing = Dot(n, outward) < 0 ? Scale(n, -1) : n;
  uint32_t base = 0;
  for (int i = 0; i < 4; ++i) {
    const uint32_t k = AddVertex(mesh, corners[size_t(i)], kUv[i]);
    mesh.normals.push_back(facing);
    if (i == 0) base = k;
  }
  AddFacing(mesh, base, base + 1, base + 2, outward);
  AddFacing(mesh, base, base + 2, base + 3, outward);
}

void AddFacingQuad(xfile::Mesh& mesh, std::array<V3, 4> c, V3 facing, float u0, float v0, float u1,
                   float v1) {
  if (Dot(Cross(Sub(c[1], c[0]), Sub(c[2], c[0])), facing) < 0) std::swap(c[1], c[3]);
  const V3 n = Normalize(facing);
  const std::array<V2, 4> uv = {{{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}}};
  std::array<uint32_t, 4> index{};
  for (size_t i = 0; i < 4; ++i) index[i] = Vertex(mesh, c[i], n, uv[i]);
  mesh.faces.push_back({index[0], index[1], index[2]});
  mesh.faces.push_back({index[0], index[2], index[3]});
}

void AddSlab(xfile::Mesh& mesh, const std::array<V3, 8>& c, float v0, float v1) {
  V3 inside{};
  for (const V3& p : c) inside = Add(inside, Scale(p, 1.0f / 8));
  auto quad = [&](V3 a, V3 b, V3 d, V3 e) {
    const V3 centre = Scale(Add(Add(a, b), Add(d, e)), 0.25f);
    V3 n = Cross(Sub(b, a), Sub(d, a));
    if (Dot(n, Sub(centre, inside)) < 0) n = Scale(n, -1);
    AddFacingQuad(mesh, {a, b, d, e}, n, 0, v0, 1, v1);
  };
  quad(c[0], c[1], c[2], c[3]);
  quad(c[4], c[5], c[6], c[7]);
  for (size_t i = 0; i < 4; ++i) {
    const size_t j = (i + 1) % 4;
    quad(c[i], c[j], c[j + 4], c[i + 4]);
  }
}

void AddBox(xfile::Mesh& mesh, V3 low, V3 high, float v0, float v1) {
  AddSlab(mesh,
          {{{low.x, low.y, low.z},
            {high.x, low.y, low.z},
            {high.x, low.y, high.z},
            {low.x, low.y, high.z},
            {low.x, high.y, low.z},
            {high.x, high.y, low.z},
            {high.x, high.y, high.z},
            {low.x, high.y, high.z}}},
          v0, v1);
}

void AddBeam(xfile::Mesh& mesh, V3 a, V3 b, float w) {
  const V3 axis = Normalize(Sub(b, a));
  const V3 helper = std::fabs(axis.y) < 0.9f ? V3{0, 1, 0} : V3{1, 0, 0};
  const V3 u = Scale(Normalize(Cross(axis, helper)), w);
  const V3 v = Scale(Normalize(Cross(axis, u)), w);
  std::array<V3, 8> c;
  const std::array<std::pair<float, float>, 4> ring = {{{1, 1}, {-1, 1}, {-1, -1}, {1, -1}}};
  for (size_t i = 0; i < 4; ++i) {
    const V3 offset = Add(Scale(u, ring[i].first), Scale(v, ring[i].second));
    c[i] = Add(a, offset);
    c[i + 4] = Add(b, offset);
  }
  const V3 inside = Scale(Add(a, b), 0.5f);
  AddFlatQuad(mesh, {c[0], c[1], c[2], c[3]}, inside);
  AddFlatQuad(mesh, {c[4], c[5], c[6], c[7]}, inside);
  for (size_t i = 0; i < 4; ++i) {
    const size_t j = (i + 1) % 4;
    AddFlatQuad(mesh, {c[i], c[j], c[j + 4], c[i + 4]}, inside);
  }
}

void AddLoft(xfile::Mesh& mesh, int segments, const std::vector<float>& ringZ,
             const std::function<V2(int, float)>& shape, float noseZ, float v0, float v1) {
  const int bands = static_cast<int>(ringZ.size()) - 1;
  const uint32_t base = static_cast<uint32_t>(mesh.positions.size());
  const size_t firstFace = mesh.faces.size();
  auto ring = [&](int k, int j) { return base + static_cast<uint32_t>(k * (segments + 1) + j); };
  for (int k = 0; k <= bands; ++k) {
    const float v = v0 + (v1 - v0) * static_cast<float>(k) / static_cast<float>(bands);
    for (int j = 0; j <= segments; ++j) {
      const float angle = 2 * kPi * static_cast<float>(j % segments) / static_cast<float>(segments);
      const V2 xy = shape(k, angle);
      Vertex(mesh, {xy.u, xy.v, ringZ[static_cast<size_t>(k)]}, {},
             {static_cast<float>(j) / static_cast<float>(segments), v});
    }
  }
  // Going around a ring (toward +Y) and along the body (toward +Z) from p, (p, p around, p along) is
  // clockwise seen from outside.
  for (int k = 0; k < bands; ++k) {
    for (int j = 0; j < segments; ++j) {
      mesh.faces.push_back({ring(k, j), ring(k, j + 1), ring(k + 1, j)});
      mesh.faces.push_back({ring(k, j + 1), ring(k + 1, j + 1), ring(k + 1, j)});
    }
  }
  const bool pointed = noseZ > ringZ.back();
  if (pointed) {
    for (int j = 0; j < segments; ++j) {
      const float u = (static_cast<float>(j) + 0.5f) / static_cast<float>(segments);
      const uint32_t tip = Vertex(mesh, {0, 0, noseZ}, {}, {u, v1});
      mesh.faces.push_back({ring(bands, j), ring(bands, j + 1), tip});
    }
  }

  // Side normals smoothed over the body's own faces, so the seam and the nose tip stay smooth.
  SmoothNormals(mesh, firstFace, base);

  // Flat caps with their own rim vertices; the cap texture is a single texel row at its ring's v.
  auto cap = [&](int k, float facingZ) {
    const float z = ringZ[static_cast<size_t>(k)];
    const float v = v0 + (v1 - v0) * static_cast<float>(k) / static_cast<float>(bands);
    const V3 n{0, 0, facingZ};
    const uint32_t centre = Vertex(mesh, {0, 0, z}, n, {0.5f, v});
    const uint32_t rim = static_cast<uint32_t>(mesh.positions.size());
    for (int j = 0; j <= segments; ++j) {
      Vertex(mesh, mesh.positions[ring(k, j)], n, {static_cast<float>(j) / static_cast<float>(segments), v});
    }
    for (uint32_t j = 0; j < static_cast<uint32_t>(segments); ++j) {
      // The rim runs from +X toward +Y: seen from -Z that is clockwise, seen from +Z anticlockwise.
      if (facingZ < 0) {
        mesh.faces.push_back({rim + j, centre, rim + j + 1});
      } else {
        mesh.faces.push_back({rim + j, rim + j + 1, centre});
      }
    }
  };
  cap(0, -1);
  if (!pointed) cap(bands, 1);
}

xfile::Mesh Ball(const char* name, int bands, int slices, float uRepeat,
                 const std::function<float(float, float, bool)>& shape) {
  xfile::Mesh mesh;
  mesh.name = name;
  auto at = [slices](int i, int j) { return uint32_t(i * (slices + 1) + j); };
  for (int i = 0; i <= bands; ++i) {
    const float theta = kPi * float(i) / float(bands);
    for (int j = 0; j <= slices; ++j) {
      const float phi = 2 * kPi * float(j % slices) / float(slices);
      const V3 dir{std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
      AddVertex(mesh, Scale(dir, shape(theta, phi, i == 0 || i == bands)),
                {uRepeat * float(j) / float(slices), float(i) / float(bands)});
    }
  }
  for (int i = 0; i < bands; ++i) {
    for (int j = 0; j < slices; ++j) {
      // The outward hint is the middle of the cell on the unit sphere.
      const float theta = kPi * (float(i) + 0.5f) / float(bands);
      const float phi = 2 * kPi * (float(j) + 0.5f) / float(slices);
      const V3 out{std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
      if (i > 0) AddFacing(mesh, at(i, j), at(i, j + 1), at(i + 1, j), out);
      if (i + 1 < bands) AddFacing(mesh, at(i, j + 1), at(i + 1, j + 1), at(i + 1, j), out);
    }
  }
  SmoothNormals(mesh);
  return mesh;
}

xfile::Mesh Solid(const char* name, const std::vector<V3>& points,
                  const std::vector<std::array<uint32_t, 3>>& tris, V3 centre, float half) {
  xfile::Mesh mesh;
  mesh.name = name;
  for (const auto& t : tris) {
    const V3 mid = Scale(Add(Add(points[t[0]], points[t[1]]), points[t[2]]), 1.0f / 3);
    const V3 n = Normalize(Cross(Sub(points[t[1]], points[t[0]]), Sub(points[t[2]], points[t[0]])));
    const V3 outward = Sub(mid, centre);
    const V3 facing = Dot(n, outward) < 0 ? Scale(n, -1) : n;
    uint32_t first = 0;
    for (size_t k = 0; k < 3; ++k) {
      const V3 p = points[t[k]];
      const uint32_t i = AddVertex(mesh, p, {0.5f + 0.5f * p.x / half, 0.5f - 0.5f * p.y / half});
      mesh.normals.push_back(facing);
      if (k == 0) first = i;
    }
    AddFacing(mesh, first, first + 1, first + 2, outward);
  }
  return mesh;
}

xfile::Frame MakeRock(const char* name, float radius, int bands, int slices, float seed) {
  xfile::Mesh mesh = Ball(name, bands, slices, 2, [=](float theta, float phi, bool pole) {
    if (pole) return radius * 0.8f;
    const float lumps = 1 + 0.16f * std::sin(3 * theta + seed) * std::cos(2 * phi + 1.7f * seed) +
                        0.1f * std::sin(5 * phi + theta * seed) + 0.06f * std::cos(7 * theta - 3 * phi);
    return radius * lumps;
  });
  for (V3& p : mesh.positions) p.y *= 0.8f;  // rocks lie a little flat
  SmoothNormals(mesh);
  mesh.materials.push_back(Textured(0.85f, 0.8f, 0.75f, "tex_rock.bmp"));
  return {std::string(name) + "Frame", xfile::Identity(), {mesh}, {}};
}

void Append(xfile::Mesh& into, const xfile::Mesh& part, V3 offset, float scale) {
  const uint32_t base = static_cast<uint32_t>(into.positions.size());
  const bool ownMaterials = !into.faceMaterials.empty() || !part.faceMaterials.empty();
  if (ownMaterials) into.faceMaterials.resize(into.faces.size(), 0);
  for (size_t i = 0; i < part.positions.size(); ++i) {
    into.positions.push_back(Add(Scale(part.positions[i], scale), offset));
    into.normals.push_back(i < part.normals.size() ? part.normals[i] : V3{});
    into.uvs.push_back(i < part.uvs.size() ? part.uvs[i] : V2{});
  }
  for (size_t f = 0; f < part.faces.size(); ++f) {
    const auto& face = part.faces[f];
    into.faces.push_back({base + face[0], base + face[1], base + face[2]});
    if (ownMaterials) into.faceMaterials.push_back(f < part.faceMaterials.size() ? part.faceMaterials[f] : 0);
  }
}

void Paint(xfile::Mesh& mesh, size_t firstFace, uint32_t material) {
  mesh.faceMaterials.resize(firstFace, 0);
  mesh.faceMaterials.resize(mesh.faces.size(), material);
}

void AddPrism(xfile::Mesh& mesh, const std::vector<V2>& outline, V3 u, V3 v, V3 w, float w0, float w1,
              float topScale) {
  V2 mid{};
  for (const V2& p : outline)
    mid = {mid.u + p.u / float(outline.size()), mid.v + p.v / float(outline.size())};
  const auto at = [&](V2 p, float depth, float scale) {
    return Add(Add(Scale(u, mid.u + (p.u - mid.u) * scale), Scale(v, mid.v + (p.v - mid.v) * scale)),
               Scale(w, depth));
  };
  const V3 inside = at(mid, (w0 + w1) / 2, 1);
  for (const auto& [depth, scale] : {std::pair{w0, 1.0f}, std::pair{w1, topScale}}) {
    const V3 outward = Scale(w, depth < (w0 + w1) / 2 ? -1.0f : 1.0f);
    const uint32_t first = static_cast<uint32_t>(mesh.positions.size());
    for (const V2& p : outline) Vertex(mesh, at(p, depth, scale), Normalize(outward), {p.u / 64, p.v / 64});
    for (uint32_t k = 1; k + 1 < outline.size(); ++k)
      AddFacing(mesh, first, first + k, first + k + 1, outward);
  }
  for (size_t k = 0; k < outline.size(); ++k) {
    const V2 p = outline[k], q = outline[(k + 1) % outline.size()];
    AddFlatQuad(mesh, {at(p, w0, 1), at(q, w0, 1), at(q, w1, topScale), at(p, w1, topScale)}, inside);
  }
}

void AddCylinder(xfile::Mesh& mesh, V3 a, V3 b, float radius, int segments) {
  const V3 axis = Normalize(Sub(b, a));
  const V3 helper = std::fabs(axis.y) < 0.9f ? V3{0, 1, 0} : V3{1, 0, 0};
  const V3 x = Normalize(Cross(helper, axis)), y = Cross(axis, x);
  const auto radial = [&](int j) {
    const float angle = 2 * kPi * float(j) / float(segments);
    return Add(Scale(x, std::cos(angle)), Scale(y, std::sin(angle)));
  };
  const uint32_t base = static_cast<uint32_t>(mesh.positions.size());
  for (int j = 0; j <= segments; ++j) {
    const V3 n = radial(j % segments);
    Vertex(mesh, Add(a, Scale(n, radius)), n, {float(j) / float(segments), 1});
    Vertex(mesh, Add(b, Scale(n, radius)), n, {float(j) / float(segments), 0});
  }
  for (uint32_t j = 0; j < uint32_t(segments); ++j) {
    const V3 out = radial(int(j));
    AddFacing(mesh, base + 2 * j, base + 2 * j + 1, base + 2 * j + 2, out);
    AddFacing(mesh, base + 2 * j + 1, base + 2 * j + 3, base + 2 * j + 2, out);
  }
  for (const auto& [end, facing] : {std::pair{a, Scale(axis, -1)}, std::pair{b, axis}}) {
    const uint32_t centre = Vertex(mesh, end, facing, {0.5f, 0.5f});
    for (int j = 0; j <= segments; ++j) {
      const V3 n = radial(j % segments);
      const float angle = 2 * kPi * float(j) / float(segments);
      Vertex(mesh, Add(end, Scale(n, radius)), facing,
             {0.5f + 0.5f * std::cos(angle), 0.5f + 0.5f * std::sin(angle)});
    }
    for (uint32_t j = 0; j < uint32_t(segments); ++j)
      AddFacing(mesh, centre, centre + 1 + j, centre + 2 + j, facing);
  }
}

void AddTorus(xfile::Mesh& mesh, V3 centre, V3 u, V3 v, float R, float r, int major, int minor) {
  const V3 n = Normalize(Cross(u, v));
  const uint32_t base = static_cast<uint32_t>(mesh.positions.size());
  const size_t firstFace = mesh.faces.size();
  const auto spoke = [&](float a) { return Add(Scale(u, std::cos(a)), Scale(v, std::sin(a))); };
  for (int i = 0; i <= major; ++i) {
    const float a = 2 * kPi * float(i % major) / float(major);
    for (int j = 0; j <= minor; ++j) {
      const float b = 2 * kPi * float(j % minor) / float(minor);
      const V3 p = Add(centre, Add(Scale(spoke(a), R + r * std::cos(b)), Scale(n, r * std::sin(b))));
      Vertex(mesh, p, {}, {4 * float(i) / float(major), float(j) / float(minor)});
    }
  }
  const auto at = [&](int i, int j) { return base + uint32_t(i * (minor + 1) + j); };
  for (int i = 0; i < major; ++i) {
    for (int j = 0; j < minor; ++j) {
      const float a = 2 * kPi * (float(i) + 0.5f) / float(major),
                  b = 2 * kPi * (float(j) + 0.5f) / float(minor);
      const V3 out = Add(Scale(spoke(a), std::cos(b)), Scale(n, std::sin(b)));
      AddFacing(mesh, at(i, j), at(i + 1, j), at(i, j + 1), out);
      AddFacing(mesh, at(i, j + 1), at(i + 1, j), at(i + 1, j + 1), out);
    }
  }
  SmoothNormals(mesh, firstFace, base);
}

xfile::Material Textured(float r, float g, float b, const char* texture, float glow) {
  xfile::Material m;
  m.diffuse = {r, g, b, 1};
  m.power = 8;
  m.specular = {0.2f, 0.2f, 0.2f};
  m.emissive = {r * glow, g * glow, b * glow};
  m.texture = texture;
  return m;
}

}  // namespace assetgen
