// One cached .X mesh: the drawable mesh, its materials with their textures, and its bounding sphere.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/gpu.h"
#include "platform/mesh.h"

struct Mesh {
  std::unique_ptr<plat::mesh::Mesh> mesh;
  // One per material of the file, in file order, with the ambient colour replaced by the diffuse colour.
  std::vector<plat::gpu::Material> materials;
  // Parallel to materials; null where a material names no texture. Owned by the scene-texture cache.
  std::vector<plat::gpu::Texture*> textures;
  std::string fileName;
  float boundingRadius = 0.0f;
  float boundingCentre[3] = {0.0f, 0.0f, 0.0f};
};
