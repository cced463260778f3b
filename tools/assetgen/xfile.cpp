// DirectX text .X writer: "xof 0303txt 0032", Frame, FrameTransformMatrix, Mesh, MeshNormals,
// MeshTextureCoords, MeshMaterialList, Material and TextureFilename.
#include "xfile.h"

#include <cstdio>
#include <stdexcept>

namespace assetgen::xfile {
namespace {

// Fixed six decimals with trailing zeros trimmed (one kept), so the output is stable and short.
void Num(std::string& out, float value) {
  if (value == 0.0f) value = 0.0f;  // no "-0.0"
  char buf[48];
  int n = std::snprintf(buf, sizeof buf, "%.6f", static_cast<double>(value));
  while (n > 2 && buf[n - 1] == '0' && buf[n - 2] != '.') --n;
  out.append(buf, static_cast<size_t>(n));
}

void Indent(std::string& out, int depth) {
  out.append(static_cast<size_t>(depth), ' ');
}

void WriteMaterial(std::string& out, const Material& m, int index, int depth) {
  Indent(out, depth);
  out += "Material Mat" + std::to_string(index) + " {\n";
  Indent(out, depth + 1);
  for (float c : m.diffuse) Num(out, c), out += ';';
  out += ";\n";
  Indent(out, depth + 1);
  Num(out, m.power);
  out += ";\n";
  Indent(out, depth + 1);
  for (float c : m.specular) Num(out, c), out += ';';
  out += ";\n";
  Indent(out, depth + 1);
  for (float c : m.emissive) Num(out, c), out += ';';
  out += ";\n";
  if (!m.texture.empty()) {
    Indent(out, depth + 1);
    out += "TextureFilename {\n";
    Indent(out, depth + 2);
    out += "\"" + m.texture + "\";\n";
    Indent(out, depth + 1);
    out += "}\n";
  }
  Indent(out, depth);
  out += "}\n";
}

// "n;" then the items separated by ",\n" and closed by ";\n".
template <typename Item>
void WriteList(std::string& out, const std::vector<Item>& items, int depth,
               void (*one)(std::string&, const Item&)) {
  Indent(out, depth);
  out += std::to_string(items.size()) + ";\n";
  for (size_t i = 0; i < items.size(); ++i) {
    Indent(out, depth);
    one(out, items[i]);
    out += i + 1 < items.size() ? ",\n" : ";\n";
  }
}

void OneV3(std::string& out, const V3& p) {
  Num(out, p.x), out += ';';
  Num(out, p.y), out += ';';
  Num(out, p.z), out += ';';
}
void OneV2(std::string& out, const V2& t) {
  Num(out, t.u), out += ';';
  Num(out, t.v), out += ';';
}
void OneFace(std::string& out, const std::array<uint32_t, 3>& f) {
  out += "3;" + std::to_string(f[0]) + ',' + std::to_string(f[1]) + ',' + std::to_string(f[2]) + ';';
}

void CheckMesh(const Mesh& mesh) {
  const size_t n = mesh.positions.size();
  for (const auto& f : mesh.faces)
    for (uint32_t i : f)
      if (i >= n) throw std::invalid_argument(mesh.name + ": face index out of range");
  if (!mesh.normals.empty() && mesh.normals.size() != n)
    throw std::invalid_argument(mesh.name + ": normal count differs from position count");
  if (!mesh.uvs.empty() && mesh.uvs.size() != n)
    throw std::invalid_argument(mesh.name + ": texture coordinate count differs from position count");
  if (mesh.materials.empty()) throw std::invalid_argument(mesh.name + ": no material");
  if (!mesh.faceMaterials.empty() && mesh.faceMaterials.size() != mesh.faces.size())
    throw std::invalid_argument(mesh.name + ": face material count differs from face count");
  for (uint32_t m : mesh.faceMaterials)
    if (m >= mesh.materials.size()) throw std::invalid_argument(mesh.name + ": material index out of range");
}

void WriteMesh(std::string& out, const Mesh& mesh, int depth) {
  CheckMesh(mesh);
  Indent(out, depth);
  out += "Mesh " + mesh.name + " {\n";
  WriteList(out, mesh.positions, depth + 1, OneV3);
  WriteList(out, mesh.faces, depth + 1, OneFace);
  if (!mesh.normals.empty()) {
    // One normal per vertex, so the normal faces repeat the position faces.
    Indent(out, depth + 1);
    out += "MeshNormals {\n";
    WriteList(out, mesh.normals, depth + 2, OneV3);
    WriteList(out, mesh.faces, depth + 2, OneFace);
    Indent(out, depth + 1);
    out += "}\n";
  }
  if (!mesh.uvs.empty()) {
    Indent(out, depth + 1);
    out += "MeshTextureCoords {\n";
    WriteList(out, mesh.uvs, depth + 2, OneV2);
    Indent(out, depth + 1);
    out += "}\n";
  }
  Indent(out, depth + 1);
  out += "MeshMaterialList {\n";
  Indent(out, depth + 2);
  out += std::to_string(mesh.materials.size()) + ";\n";
  Indent(out, depth + 2);
  out += std::to_string(mesh.faces.size()) + ";\n";
  for (size_t i = 0; i < mesh.faces.size(); ++i) {
    Indent(out, depth + 2);
    out += std::to_string(mesh.faceMaterials.empty() ? 0u : mesh.faceMaterials[i]);
    out += i + 1 < mesh.faces.size() ? ",\n" : ";\n";
  }
  for (size_t i = 0; i < mesh.materials.size(); ++i)
    WriteMaterial(out, mesh.materials[i], static_cast<int>(i), depth + 2);
  Indent(out, depth + 1);
  out += "}\n";
  Indent(out, depth);
  out += "}\n";
}

void WriteFrame(std::string& out, const Frame& frame, int depth) {
  Indent(out, depth);
  out += "Frame " + frame.name + " {\n";
  Indent(out, depth + 1);
  out += "FrameTransformMatrix {\n";
  for (int row = 0; row < 4; ++row) {
    Indent(out, depth + 2);
    for (int col = 0; col < 4; ++col) {
      Num(out, frame.transform[static_cast<size_t>(row * 4 + col)]);
      out += (row == 3 && col == 3) ? ";;\n" : ",";
    }
    if (row < 3) out += '\n';
  }
  Indent(out, depth + 1);
  out += "}\n";
  for (const Mesh& mesh : frame.meshes) WriteMesh(out, mesh, depth + 1);
  for (const Frame& child : frame.children) WriteFrame(out, child, depth + 1);
  Indent(out, depth);
  out += "}\n";
}

}  // namespace

Matrix Identity() {
  return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

Matrix Translation(float x, float y, float z) {
  Matrix m = Identity();
  m[12] = x;
  m[13] = y;
  m[14] = z;
  return m;
}

std::string Write(const std::vector<Frame>& frames) {
  std::string out = "xof 0303txt 0032\n";
  for (const Frame& frame : frames) {
    out += '\n';
    WriteFrame(out, frame, 0);
  }
  return out;
}

}  // namespace assetgen::xfile
