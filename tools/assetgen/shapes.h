// The shape kit the mesh generators share: faces turned outward, flat quads, slabs and square beams, bodies
// lofted around Z, latitude-longitude balls, closed solids from point lists, rocks, merging one mesh into
// another, and the textured material. Left-handed, clockwise front faces seen from outside, v growing down.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "geometry.h"

namespace assetgen {

// Appends a vertex with its normal and texture coordinate and returns its index.
uint32_t Vertex(xfile::Mesh& mesh, xfile::V3 p, xfile::V3 n, xfile::V2 uv);

// Appends the triangle turned so that its front faces along `outward`.
void AddFacing(xfile::Mesh& mesh, uint32_t a, uint32_t b, uint32_t c, xfile::V3 outward);

// A flat quad of a convex solid, corners in cyclic order, its front away from `inside`; the texture spans
// it once, normals per face.
void AddFlatQuad(xfile::Mesh& mesh, const std::array<xfile::V3, 4>& corners, xfile::V3 inside);

// A flat quad, corners in cyclic order, wound so that its front faces along `facing`; its texture covers
// the rectangle u0..u1, v0..v1.
void AddFacingQuad(xfile::Mesh& mesh, std::array<xfile::V3, 4> c, xfile::V3 facing, float u0, float v0,
                   float u1, float v1);

// Eight corners of a convex slab: 0-3 one face, 4-7 the opposite face, each in cyclic order. Flat faces,
// each textured over v0..v1.
void AddSlab(xfile::Mesh& mesh, const std::array<xfile::V3, 8>& c, float v0, float v1);

// An axis-aligned box from `low` to `high` as a slab.
void AddBox(xfile::Mesh& mesh, xfile::V3 low, xfile::V3 high, float v0 = 0, float v1 = 1);

// A square beam of half-width w from a to b: 12 triangles with flat normals.
void AddBeam(xfile::Mesh& mesh, xfile::V3 a, xfile::V3 b, float w);

// A closed body around the Z axis. Ring k (0 the tail) lies at ringZ[k]; its point at angle a (from +X
// toward +Y) is shape(k, a) in x and y. The body ends in a point at noseZ when noseZ lies ahead of the last
// ring, else in a flat cap; the tail is a flat cap. Texture u runs around, v from v0 (tail) to v1 (front).
// Smooth normals on the sides, flat ones on the caps.
void AddLoft(xfile::Mesh& mesh, int segments, const std::vector<float>& ringZ,
             const std::function<xfile::V2(int, float)>& shape, float noseZ, float v0, float v1);

// A latitude-longitude ball with radius shape(theta, phi, atPole) in each direction (theta from +Y, phi
// from +X toward +Z); 2 * slices * (bands - 1) triangles, smooth normals.
xfile::Mesh Ball(const char* name, int bands, int slices, float uRepeat,
                 const std::function<float(float, float, bool)>& shape);

// A closed solid from a point list and triangles; each turned away from `centre`, planar texture
// coordinates over x and y within +-half, flat normals.
xfile::Mesh Solid(const char* name, const std::vector<xfile::V3>& points,
                  const std::vector<std::array<uint32_t, 3>>& tris, xfile::V3 centre, float half);

// A rock: a flattened ball with lumps that differ by seed, textured tex_rock.bmp.
xfile::Frame MakeRock(const char* name, float radius, int bands, int slices, float seed);

// Appends every vertex and face of `part`, scaled by `scale` about its origin and then moved by `offset`;
// the faces keep their material index (the caller supplies matching materials).
void Append(xfile::Mesh& into, const xfile::Mesh& part, xfile::V3 offset, float scale = 1);

// Faces from `firstFace` on take material `material`; earlier faces without one take material 0.
void Paint(xfile::Mesh& mesh, size_t firstFace, uint32_t material);

// A convex polygon `outline` (x along `u`, y along `v`) extruded along `w` from w0 to w1; the cap at w1 is
// scaled by `topScale` about the outline's centre, so a scale below 1 bevels the sides. Flat normals.
void AddPrism(xfile::Mesh& mesh, const std::vector<xfile::V2>& outline, xfile::V3 u, xfile::V3 v, xfile::V3 w,
              float w0, float w1, float topScale = 1);

// A closed cylinder of `radius` from a to b with `segments` sides, smooth along its side, flat caps.
void AddCylinder(xfile::Mesh& mesh, xfile::V3 a, xfile::V3 b, float radius, int segments);

// A torus around `centre` in the plane of the unit vectors u and v: ring radius R, tube radius r.
void AddTorus(xfile::Mesh& mesh, xfile::V3 centre, xfile::V3 u, xfile::V3 v, float R, float r, int major,
              int minor);

// A lit material tinting `texture` by (r, g, b), glowing by `glow` times that colour.
xfile::Material Textured(float r, float g, float b, const char* texture, float glow = 0);

// A frame holding one mesh, named after it.
inline xfile::Frame OneMeshFrame(xfile::Mesh mesh) {
  std::string name = mesh.name + "Frame";
  return {std::move(name), xfile::Identity(), {std::move(mesh)}, {}};
}

}  // namespace assetgen
