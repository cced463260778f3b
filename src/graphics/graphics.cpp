// The graphics object: construction, device and shader set-up, the per-frame update, title mode and the
// release at shut-down.
#include "graphics/graphics.h"

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "graphics/beam_piles.h"
#include "graphics/mesh.h"
#include "graphics/model.h"
#include "graphics/particle_discs.h"
#include "graphics/particle_system.h"
#include "graphics/sprite.h"
#include "platform/services.h"

Graphics* g_graphics = nullptr;

namespace gpu = plat::gpu;

namespace {

constexpr float kFieldOfView = 0.7853982f;
constexpr float kNearPlane = 1.0f;
constexpr float kFarPlane = 1500.0f;
constexpr gpu::Argb kAmbient = 0xFF7F7F7F;
// A shader file is read whole: at most this many bytes (the game's own take under 2 KiB).
constexpr uintmax_t kMaxShaderFileBytes = uintmax_t{1} << 20;

// Walks a particle-system list: finished systems are deleted and removed, the others move on by dt.
void UpdateParticleSystems(std::vector<ParticleSystem*>& systems, float dt) {
  for (size_t i = 0; i < systems.size();) {
    if (systems[i] == nullptr || systems[i]->IsFinished()) {
      delete systems[i];
      systems.erase(systems.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    systems[i]->Update(dt);
    ++i;
  }
}

}  // namespace

Graphics::Graphics() {
  if (g_graphics != nullptr) throw std::runtime_error("Two instances of Graphics Class found");
  g_graphics = this;
}

Graphics::~Graphics() {
  Shutdown();
  if (g_graphics == this) g_graphics = nullptr;
}

bool Graphics::CompileShaderFile(const char* file, const char* entry, const char* profile,
                                 std::unique_ptr<gpu::Shader>& program,
                                 std::unique_ptr<gpu::ConstantTable>& constants, const char* createFailed) {
  const std::string path = std::string("Assets\\Shaders\\") + file;
  std::vector<uint8_t> bytes;
  std::string why;
  if (!services->files().ReadAll(path, bytes, kMaxShaderFileBytes, &why)) {
    // A missing file fails like a file that does not compile: the message names it.
    services->dialogs().ShowMessage(path + ": the file cannot be opened: " + why, "");
    services->dialogs().ShowMessage("D3DXCompileShaderFromFile() - FAILED", "");
    return false;
  }
  const std::string_view source(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  gpu::CompiledShader compiled = device->CompileShader(source, entry, profile);
  if (!compiled.messages.empty()) services->dialogs().ShowMessage(path + ":\n" + compiled.messages, "");
  if (compiled.shader == nullptr) {
    services->dialogs().ShowMessage("D3DXCompileShaderFromFile() - FAILED", "");
    return false;
  }
  if (compiled.constants == nullptr) {
    services->dialogs().ShowMessage(createFailed, "");
    return false;
  }
  program = std::move(compiled.shader);
  program->SetName(file);
  constants = std::move(compiled.constants);
  return true;
}

bool Graphics::Init(plat::Services& s, int w, int h, bool windowed) {
  services = &s;
  width = w;
  height = h;
  plat::Dialogs& dialogs = s.dialogs();

  gpu::DeviceFactory& factory = s.gpu();
  if (!factory.Available()) {
    dialogs.ShowMessage("Direct3DCreate9() - FAILED", "");
    return false;
  }
  const gpu::Caps caps = factory.GetCaps();
  if (caps.pixelShaderMajor < 2) shadersOn = false;

  gpu::PresentParams params;
  params.width = width;
  params.height = height;
  params.windowed = windowed;
  params.depth = gpu::DepthFormat::D24S8;
  int errorCode = 0;
  std::string errorText;
  device = factory.CreateDevice(params, &errorCode, &errorText);
  if (device == nullptr) {
    params.depth = gpu::DepthFormat::D16;
    device = factory.CreateDevice(params, &errorCode, &errorText);
  }
  if (device == nullptr) {
    char text[64];
    std::snprintf(text, sizeof text, "CreateDevice(): Error: %d", errorCode);
    std::fprintf(stderr, "Graphics: %s\n", errorText.c_str());
    dialogs.ShowMessage(text, "");
    return false;
  }

  device->SetSamplerState(gpu::SamplerState::MagFilter, static_cast<uint32_t>(gpu::Filter::Linear));
  device->SetSamplerState(gpu::SamplerState::MinFilter, static_cast<uint32_t>(gpu::Filter::Linear));
  device->SetSamplerState(gpu::SamplerState::MipFilter, static_cast<uint32_t>(gpu::Filter::Point));
  device->SetRenderState(gpu::RenderState::NormalizeNormals, 1);
  device->SetRenderState(gpu::RenderState::Ambient, kAmbient);
  device->SetRenderState(gpu::RenderState::CullMode, static_cast<uint32_t>(gpu::Cull::CCW));
  device->SetRenderState(gpu::RenderState::SlopeScaleDepthBias, 1);
  device->SetRenderState(gpu::RenderState::DepthBias, 0);
  device->SetRenderState(gpu::RenderState::SpecularEnable, 1);

  const float aspect = static_cast<float>(width) / static_cast<float>(height);
  device->SetTransform(gpu::TransformKind::Projection,
                       math::MatrixPerspectiveFovLH(kFieldOfView, aspect, kNearPlane, kFarPlane));

  if (shadersOn) {
    // A pixel shader that fails turns the shaders off (the frame falls back to the fixed-function
    // programs); a vertex shader that fails ends the set-up. After the second pixel shader there is no
    // test: both vertex shaders are compiled whatever it gave.
    if (!CompileShaderFile("lighting.psh", "PS", "ps_2_0", litPixelShader, litPixelConstants,
                           "CreatePixelShader - FAILED")) {
      shadersOn = false;
    }
    if (shadersOn) {
      if (!CompileShaderFile("pixel.psh", "ps_main", "ps_1_1", plainPixelShader, plainPixelConstants,
                             "CreatePixelShader - FAILED")) {
        shadersOn = false;
      }
      if (!CompileShaderFile("vertex.vsh", "vs_main", "vs_1_1", plainVertexShader, plainVertexConstants,
                             "CreateVertexShader - FAILED")) {
        return false;
      }
      if (!CompileShaderFile("lighting.vsh", "VS", "vs_1_1", litVertexShader, litVertexConstants,
                             "CreateVertexShader - FAILED")) {
        return false;
      }
    }
  }
  if (shadersOn) skyLayers = SkyLayers::Create(*device);
  if (shadersOn) particleDiscs = ParticleDiscs::Create(*device, services->files());
  if (particleDiscs != nullptr && particleDiscs->DrawsSpark()) beamPiles = BeamPiles::Create(*device);

  spriteInterface = plat::sprite::CreateSpriteBatch(*device);
  if (spriteInterface == nullptr) std::fprintf(stderr, "Graphics: no sprite batch; sprites are not drawn\n");
  font = plat::text::CreateFont(*device, plat::text::FontDesc{20, 700, false, "Arial"});
  if (font == nullptr) std::fprintf(stderr, "Graphics: no font for \"Arial\"; text is not drawn\n");

  device->Clear(0xFF000000, 1.0f);

  backBuffer = &device->BackBuffer();
  if (!HoldOffscreenTarget(true)) {
    dialogs.ShowMessage("CreateTexture() - FAILED", "");
    return false;
  }

  showLockPoints = false;
  showSpheres = false;
  drawSky = true;
  return true;
}

bool Graphics::Update(float dt) {
  for (std::vector<Model*>* list : {&entityModels, &blendedModels}) {
    for (size_t i = 0; i < list->size();) {
      Model* model = (*list)[i];
      if (model->unload) {
        // The next model moves into this slot and is visited next.
        list->erase(list->begin() + static_cast<std::ptrdiff_t>(i));
        DeleteModel(model);
        continue;
      }
      UpdateParticleSystems(model->particleSystems, dt);
      ++i;
    }
  }
  UpdateParticleSystems(freeParticleSystems, dt);
  return true;
}

void Graphics::DeleteModel(Model* model) {
  for (size_t i = 0; i < freeParticleSystems.size();) {
    if (freeParticleSystems[i] == nullptr || freeParticleSystems[i]->trackedOwner != model) {
      ++i;
      continue;
    }
    delete freeParticleSystems[i];
    freeParticleSystems.erase(freeParticleSystems.begin() + static_cast<std::ptrdiff_t>(i));
  }
  for (ObjectPart*& part : model->parts) {
    delete part;
    part = nullptr;
  }
  for (ParticleSystem*& system : model->particleSystems) {
    delete system;
    system = nullptr;
  }
  model->parts.clear();
  model->particleSystems.clear();
  delete model;
}

void Graphics::DeleteSceneModels() {
  for (std::vector<Model*>* list : {&entityModels, &blendedModels, &sceneryModels}) {
    for (Model* model : *list) DeleteModel(model);
    list->clear();
  }
  visibleScenery.clear();
}

bool Graphics::ReleaseScene() {
  DeleteSceneModels();
  for (Mesh* mesh : meshes) delete mesh;
  meshes.clear();
  for (ParticleSystem* system : freeParticleSystems) delete system;
  freeParticleSystems.clear();
  innerSkybox.reset();
  outerSkybox.reset();
  waypoints.clear();
  ResetRail();
  ReleaseTexturesAndSprites();
  for (TextLabel* label : textLabels) delete label;
  textLabels.clear();
  spriteTextures.clear();
  sceneTextures.clear();
  return true;
}

bool Graphics::Shutdown() {
  ReleaseScene();
  ReleaseSkyVertexDeclaration();
  plainPixelShader.reset();
  plainPixelConstants.reset();
  plainVertexShader.reset();
  plainVertexConstants.reset();
  litPixelShader.reset();
  litPixelConstants.reset();
  litVertexShader.reset();
  litVertexConstants.reset();
  skyLayers.reset();
  beamPiles.reset();
  particleDiscs.reset();
  // Everything made on the device goes before it: the off-screen target, the sprite batch and the font.
  offscreenSurface = nullptr;
  renderTexture.reset();
  backBuffer = nullptr;
  spriteInterface.reset();
  font.reset();
  device.reset();
  return true;
}

bool Graphics::HoldOffscreenTarget(bool needed) {
  if (!needed) {
    offscreenSurface = nullptr;
    renderTexture.reset();
    return false;
  }
  if (renderTexture == nullptr) {
    renderTexture = device->CreateRenderTexture(backBuffer->Width(), backBuffer->Height());
    if (renderTexture == nullptr) return false;
    offscreenSurface = &renderTexture->Surface();
  }
  return true;
}

bool Graphics::EnterTitleMode() {
  titleMode = true;
  if (device != nullptr && backBuffer != nullptr) {
    device->SetRenderTarget(*backBuffer);
    device->Clear(0x00000000, 1.0f);
  }
  camera.SetEye(math::Vec3{0.0f, 0.0f, 0.0f});
  camera.SetAxes(math::Vec3{0.0f, 0.0f, 1.0f}, math::Vec3{0.0f, 1.0f, 0.0f}, math::Vec3{1.0f, 0.0f, 0.0f});
  if (shadersOn && litVertexConstants != nullptr) {
    const math::Vec3 eye = camera.GetEye();
    const float vecEye[4] = {eye.x, eye.y, eye.z, 1.0f};
    const float vecLightDir[4] = {0.0f, -0.2f, 1.0f, 1.0f};
    litVertexConstants->SetFloatArray("vecEye", vecEye, 4);
    litVertexConstants->SetFloatArray("vecLightDir", vecLightDir, 4);
  }
  return true;
}
