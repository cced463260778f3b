// The texture caches (screen art and scene textures) and the mesh cache, keyed by the exact path, and the
// release of scene models.
#include <algorithm>
#include <cstdio>
#include <string>

#include "graphics/graphics.h"
#include "graphics/mesh.h"
#include "graphics/model.h"
#include "graphics/particle_system.h"
#include "platform/image.h"
#include "platform/mesh.h"
#include "platform/services.h"

namespace gpu = plat::gpu;

namespace {

int FindEntry(const std::vector<TextureEntry>& cache, const char* file) {
  if (file == nullptr) return -1;
  for (size_t i = 0; i < cache.size(); ++i) {
    if (cache[i].fileName == file) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

void Graphics::ReportLoadFailure(const std::string& path, const char* text, const char* caption,
                                 const std::string& reason) {
  // Art that fails to load is asked for again by every user; one report per file is enough.
  const std::string key = path + '\n' + text;
  if (std::find(reportedFailures.begin(), reportedFailures.end(), key) != reportedFailures.end()) return;
  reportedFailures.push_back(key);
  std::fprintf(stderr, "Graphics: %s: %s\n", path.c_str(), reason.c_str());
  if (services != nullptr) services->dialogs().ShowMessage(text, caption);
}

int Graphics::FindMesh(const char* file) const {
  if (file == nullptr) return -1;
  for (size_t i = 0; i < meshes.size(); ++i) {
    if (meshes[i]->fileName == file) return static_cast<int>(i);
  }
  return -1;
}

int Graphics::FindSpriteTexture(const char* file) const {
  return FindEntry(spriteTextures, file);
}

int Graphics::FindTexture(const char* file) const {
  return FindEntry(sceneTextures, file);
}

int Graphics::LoadSpriteTexture(const char* file, const gpu::Argb* colourKey) {
  // Screen art is checked now and uploaded on its first draw: much of it (other screens, end-of-game
  // pictures) is never shown in a session.
  return LoadTextureInto(spriteTextures, file, colourKey, true);
}

int Graphics::LoadTexture(const char* file, const gpu::Argb* colourKey) {
  return LoadTextureInto(sceneTextures, file, colourKey, false);
}

int Graphics::LoadTextureInto(std::vector<TextureEntry>& cache, const char* file, const gpu::Argb* colourKey,
                              bool onFirstUse) {
  const std::string path = file != nullptr ? file : "";
  std::string error = "no graphics device";
  std::unique_ptr<gpu::Texture> texture;
  if (device != nullptr && services != nullptr) {
    if (onFirstUse) {
      texture = plat::image::OpenTextureFile(*device, services->files(), path, colourKey, &error);
    } else {
      texture = plat::image::CreateTextureFromFile(*device, services->files(), path, colourKey, &error);
    }
  }
  if (texture == nullptr) {
    ReportLoadFailure(path, kTextureFailed, "Sprite", error);
    return -1;
  }
  cache.push_back(TextureEntry{std::move(texture), path});
  return static_cast<int>(cache.size()) - 1;
}

int Graphics::LoadMesh(const char* file) {
  const std::string path = file != nullptr ? file : "";
  if (device == nullptr || services == nullptr) {
    ReportLoadFailure(path, "D3DXLoadMeshFromX() - FAILED", "", "no graphics device");
    return -1;
  }
  auto record = std::make_unique<Mesh>();
  record->fileName = path;

  plat::mesh::MeshData data;
  std::string error;
  if (!plat::mesh::LoadX(services->files(), path, data, &error)) {
    ReportLoadFailure(path, "D3DXLoadMeshFromX() - FAILED", "", error);
    return -1;
  }

  for (const plat::mesh::XMaterial& x : data.materials) {
    gpu::Material material;
    material.diffuse = x.diffuse;
    material.ambient = x.diffuse;
    material.specular = x.specular;
    material.emissive = x.emissive;
    material.power = x.power;
    record->materials.push_back(material);
    gpu::Texture* texture = nullptr;
    if (!x.textureFile.empty()) {
      // Textures named inside a mesh file live in the art folder, wherever the mesh came from.
      const std::string texturePath = "Assets\\Art\\" + x.textureFile;
      int index = FindTexture(texturePath.c_str());
      if (index < 0) index = LoadTexture(texturePath.c_str(), nullptr);
      if (index < 0) {
        ReportLoadFailure(path, kTextureFailed, "", "its texture " + texturePath + " cannot be loaded");
        return -1;
      }
      texture = sceneTextures[static_cast<size_t>(index)].texture.get();
    }
    record->textures.push_back(texture);
  }

  record->mesh = plat::mesh::CreateMesh(*device, data);
  if (record->mesh == nullptr) {
    ReportLoadFailure(path, "D3DXLoadMeshFromX() - FAILED", "", "the device cannot hold the mesh");
    return -1;
  }

  math::Vec3 centre;
  float radius = 0.0f;
  if (!plat::mesh::ComputeBoundingSphere(data, &centre, &radius)) {
    ReportLoadFailure(path, "D3DXComputeBoundingSphere() - FAILED", "", "the mesh has no vertices");
    return -1;
  }
  record->boundingCentre[0] = centre.x;
  record->boundingCentre[1] = centre.y;
  record->boundingCentre[2] = centre.z;
  record->boundingRadius = radius;

  meshes.push_back(record.release());
  return static_cast<int>(meshes.size()) - 1;
}

bool Graphics::ClearScene() {
  DeleteSceneModels();
  for (Mesh* mesh : meshes) delete mesh;
  meshes.clear();
  for (ParticleSystem* system : freeParticleSystems) delete system;
  freeParticleSystems.clear();
  waypoints.clear();
  ResetRail();  // the groups point into the scenery just deleted
  // The skies draw with scene textures: they go with them, so no sky can draw a released texture. The
  // level loader and the title scene install new ones with SetSkybox.
  innerSkybox.reset();
  outerSkybox.reset();
  sceneTextures.clear();
  return true;
}

bool Graphics::ReleaseModel(Model*& model) {
  for (std::vector<Model*>* list : {&entityModels, &blendedModels, &sceneryModels}) {
    auto it = std::find(list->begin(), list->end(), model);
    if (it == list->end()) continue;
    list->erase(it);
    // A scenery model may also be in the drawn set and in scenery groups, which do not own it.
    std::erase(visibleScenery, model);
    for (SceneryGroup& group : sceneryGroups) std::erase(group.models, model);
    DeleteModel(model);
    model = nullptr;
    return true;
  }
  return false;
}
