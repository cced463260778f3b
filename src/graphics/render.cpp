// One frame: the scene drawn pass by pass, straight into the back buffer in level mode, into the off-screen
// texture and then blended over the previous frames in title mode.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "graphics/beam_piles.h"
#include "graphics/graphics.h"
#include "graphics/mesh.h"
#include "graphics/model.h"
#include "graphics/particle_discs.h"
#include "graphics/particle_system.h"
#include "graphics/sprite.h"
#include "platform/image.h"

namespace gpu = plat::gpu;

namespace {

constexpr float kThird = 0.33333334f;
constexpr float kLockPointRadius = 10.0f;
constexpr int kDebugSphereSlices = 10;
constexpr int kDebugSphereStacks = 10;
constexpr float kWaypointBoxSize = 2.0f;

// Pre-transformed vertex of the composite quad: pixels, diffuse, one texture coordinate (28 bytes).
struct CompositeVertex {
  float x, y, z, rhw;
  gpu::Argb diffuse;
  float u, v;
};
static_assert(sizeof(CompositeVertex) == 28);
constexpr uint32_t kCompositeFvf = gpu::fvf::XYZRHW | gpu::fvf::Diffuse | gpu::fvf::Tex1;

gpu::Material FlatMaterial(float r, float g, float b) {
  gpu::Material m;
  m.diffuse = gpu::ColorF{r, g, b, 1.0f};
  m.ambient = gpu::ColorF{r, g, b, 1.0f};
  m.power = 1.0f;
  return m;
}

// The planes (left, right, bottom, top, near, far) bounding the view of a row-vector view-projection matrix
// with depth 0 to 1: (a, b, c, d) with a x + b y + c z + d >= 0 inside and (a, b, c) of unit length.
std::array<math::Vec4, 6> ViewPlanes(const math::Matrix& m) {
  auto column = [&m](int j) { return math::Vec4{m.m[0][j], m.m[1][j], m.m[2][j], m.m[3][j]}; };
  auto sum = [](math::Vec4 a, math::Vec4 b, float s) {
    return math::Vec4{a.x + s * b.x, a.y + s * b.y, a.z + s * b.z, a.w + s * b.w};
  };
  const math::Vec4 x = column(0), y = column(1), z = column(2), w = column(3);
  std::array<math::Vec4, 6> planes = {sum(w, x, 1.0f), sum(w, x, -1.0f), sum(w, y, 1.0f), sum(w, y, -1.0f), z,
                                      sum(w, z, -1.0f)};
  for (math::Vec4& p : planes) {
    const float length = math::Vec3Length(math::Vec3{p.x, p.y, p.z});
    if (length > 0.0f) p = math::Vec4{p.x / length, p.y / length, p.z / length, p.w / length};
  }
  return planes;
}

// False only when the part's mesh lies wholly outside the view, by its bounding sphere placed by the world
// matrix (scaled by the matrix's longest axis, with a margin for rounding).
bool MeshInView(const std::array<math::Vec4, 6>& planes, const Mesh& mesh, const math::Matrix& world) {
  const math::Vec3 centre = math::Vec3TransformCoord(
      math::Vec3{mesh.boundingCentre[0], mesh.boundingCentre[1], mesh.boundingCentre[2]}, world);
  float scale = 0.0f;
  for (int row = 0; row < 3; ++row) {
    scale = std::max(scale, math::Vec3Length(math::Vec3{world.m[row][0], world.m[row][1], world.m[row][2]}));
  }
  const float radius = mesh.boundingRadius * scale * 1.001f + 0.01f;
  for (const math::Vec4& p : planes) {
    if (p.x * centre.x + p.y * centre.y + p.z * centre.z + p.w < -radius) return false;
  }
  return true;  // also when a value is not a number
}

uint32_t Value(gpu::Blend b) {
  return static_cast<uint32_t>(b);
}
uint32_t Value(gpu::TexOp op) {
  return static_cast<uint32_t>(op);
}
uint32_t Value(gpu::TexArg arg) {
  return static_cast<uint32_t>(arg);
}

// Source-alpha blending over what the target holds.
void EnableAlphaBlend(gpu::Device& device) {
  device.SetRenderState(gpu::RenderState::AlphaBlendEnable, 1);
  device.SetRenderState(gpu::RenderState::SrcBlend, Value(gpu::Blend::SrcAlpha));
  device.SetRenderState(gpu::RenderState::DestBlend, Value(gpu::Blend::InvSrcAlpha));
}

// Stage-0 alpha: the texture's times the diffuse (vertex or material) alpha.
void ModulateTextureAlpha(gpu::Device& device) {
  device.SetTextureStageState(gpu::StageState::AlphaArg1, Value(gpu::TexArg::Texture));
  device.SetTextureStageState(gpu::StageState::AlphaArg2, Value(gpu::TexArg::Diffuse));
  device.SetTextureStageState(gpu::StageState::AlphaOp, Value(gpu::TexOp::Modulate));
}

}  // namespace

bool Graphics::Render() {
  if (device == nullptr || backBuffer == nullptr) return false;

  const math::Matrix view = camera.GetViewMatrix();
  device->SetTransform(gpu::TransformKind::View, view);
  const math::Matrix projection = device->GetTransform(gpu::TransformKind::Projection);
  viewProj = math::MatrixMultiply(view, projection);
  viewPlanes = ViewPlanes(viewProj);

  const bool skyFirst = straightforwardFrame;
  // Title mode blends its copy of the target over the earlier frames; a level frame's copy would change
  // nothing, so the usual level frame is drawn straight into the back buffer.
  const bool wantsTarget = titleMode || straightforwardFrame;
  // The off-screen target is given back while level frames run (2 MiB at 800x600). Should it not be made
  // again, the frame goes straight into the back buffer, without the title's trails.
  const bool throughTarget = HoldOffscreenTarget(wantsTarget);
  if (wantsTarget && !throughTarget)
    std::fprintf(stderr, "Graphics: no off-screen target; the frame is drawn straight\n");
  // Level mode draws the sky through the plain pair, title mode through the fixed-function pipeline.
  const bool plainSky = shadersOn && !titleMode;

  if (plainSky && skyFirst) BindPlainShaders();
  device->BeginScene();
  // The clear below starts the image afresh, so the device may draw the frame straight where it is shown.
  if (!throughTarget) device->DiscardBackBuffer();
  device->SetRenderTarget(throughTarget ? *offscreenSurface : *backBuffer);
  device->Clear(0x00000000, 1.0f);
  // Pixels that opaque screen pictures cover are not worth shading.
  const gpu::ScissorRect scene = SceneRect();
  const bool limited = !straightforwardFrame && (scene.width != width || scene.height != height);
  if (limited) device->SetScissorRect(&scene);
  if (drawSky && skyFirst) RenderSky();
  if (shadersOn) {
    BindLitShaders();
    SetLightConstants();
  }
  // What the opaque passes draw marks its pixels, which the sky then leaves alone.
  if (drawSky && !skyFirst) MarkStencil(gpu::Compare::Always, 1, gpu::StencilOp::Replace);
  RenderOpaqueModels();
  // Title mode draws no waypoints and no transparent pass, whatever the flags and lists hold.
  if (showWaypoints && !titleMode) RenderWaypoints();
  if (drawSky && !skyFirst) {
    if (plainSky) {
      BindPlainShaders();
    } else if (shadersOn) {
      UnbindShaders();
    }
    RenderSky(true);
    if (plainSky) BindLitShaders();
  }
  if (!titleMode) RenderTransparentModels();
  if (shadersOn || !titleMode) UnbindShaders();
  RenderParticles();
  if (limited) device->SetScissorRect(nullptr);
  RenderSprites();
  RenderTextLabels();
  if (throughTarget) {
    device->SetRenderTarget(*backBuffer);
    if (titleMode) {
      PresentTargetBlended();
    } else {
      PresentTarget();
    }
  }
  device->EndScene();
  device->Present();
  return !titleMode;
}

void Graphics::BindLitShaders() {
  device->SetVertexShader(litVertexShader.get());
  device->SetPixelShader(litPixelShader.get());
}

void Graphics::BindPlainShaders() {
  device->SetVertexShader(plainVertexShader.get());
  device->SetPixelShader(plainPixelShader.get());
}

void Graphics::UnbindShaders() {
  device->SetVertexShader(nullptr);
  device->SetPixelShader(nullptr);
}

void Graphics::SetLightConstants() {
  if (!shadersOn) return;
  const math::Vec3 eye = camera.GetEye();
  const float vecEye[4] = {eye.x, eye.y, eye.z, 1.0f};
  litVertexConstants->SetFloatArray("vecEye", vecEye, 4);

  math::Vec3 light;
  if (titleMode) {
    light = math::Vec3{0.0f, 5.0f, -1.0f};
  } else {
    // Behind the viewer, above and to the left: the light turns with the camera.
    light = -camera.GetLook() + 0.5f * camera.GetUp() + (-0.3f) * camera.GetRight();
  }
  light = math::Vec3Normalize(light);
  const float vecLightDir[4] = {light.x, light.y, light.z, 1.0f};
  litVertexConstants->SetFloatArray("vecLightDir", vecLightDir, 4);
}

void Graphics::MarkStencil(gpu::Compare test, uint32_t reference, gpu::StencilOp pass) {
  device->SetRenderState(gpu::RenderState::StencilEnable, 1);
  device->SetRenderState(gpu::RenderState::StencilFunc, static_cast<uint32_t>(test));
  device->SetRenderState(gpu::RenderState::StencilRef, reference);
  device->SetRenderState(gpu::RenderState::StencilPass, static_cast<uint32_t>(pass));
}

void Graphics::RenderSky(bool behindScene) {
  const math::Vec3 eye = camera.GetEye();
  if (behindScene) {
    // Only the pixels no opaque pass marked are shaded: the same picture as the sky drawn first and covered.
    MarkStencil(gpu::Compare::Equal, 0, gpu::StencilOp::Keep);
    // The faces are always magnified, where the first level alone gives the same picture for less.
    device->SetSamplerState(gpu::SamplerState::MipFilter, static_cast<uint32_t>(gpu::Filter::None));
  }
  // Behind a level frame's scene both skies go in one pass where they can.
  const bool together = behindScene && shadersOn && !titleMode && skyLayers != nullptr &&
                        innerSkybox != nullptr && outerSkybox != nullptr &&
                        skyLayers->Render(*device, *innerSkybox, *outerSkybox, viewProj, eye, colorAdd);
  if (!together) RenderSkyOneByOne(eye);
  if (behindScene) {
    device->SetRenderState(gpu::RenderState::StencilEnable, 0);
    device->SetSamplerState(gpu::SamplerState::MipFilter, static_cast<uint32_t>(gpu::Filter::Point));
  }
}

void Graphics::RenderSkyOneByOne(const math::Vec3& eye) {
  if (shadersOn) plainPixelConstants->SetFloatArray("ColorAdd", colorAdd, 3);
  // With the shaders off no constant is set at all.
  gpu::ConstantTable* constants = shadersOn ? plainVertexConstants.get() : nullptr;
  if (innerSkybox != nullptr) innerSkybox->Render(*device, viewProj, constants, eye);
  if (outerSkybox != nullptr) {
    // The outer sky covers the inner one by its texture's alpha alone; the stage states stay set.
    device->SetTextureStageState(gpu::StageState::AlphaArg1, Value(gpu::TexArg::Texture));
    device->SetTextureStageState(gpu::StageState::AlphaOp, Value(gpu::TexOp::SelectArg1));
    EnableAlphaBlend(*device);
    outerSkybox->Render(*device, viewProj, constants, eye);
    device->SetRenderState(gpu::RenderState::AlphaBlendEnable, 0);
  }
}

void Graphics::RenderOpaqueModels() {
  if (straightforwardFrame) {
    RenderModels(visibleScenery);
    RenderModels(entityModels);
    return;
  }
  // Nearest first, so that the depth test turns away what they hide before it is shaded. Opaque models look
  // the same drawn in any order, and a model listed twice the same drawn once.
  const math::Vec3 eye = camera.GetEye();
  opaqueOrder.assign(visibleScenery.begin(), visibleScenery.end());
  opaqueOrder.insert(opaqueOrder.end(), entityModels.begin(), entityModels.end());
  std::stable_sort(opaqueOrder.begin(), opaqueOrder.end(), [&eye](const Model* a, const Model* b) {
    return math::Vec3LengthSq(a->position - eye) < math::Vec3LengthSq(b->position - eye);
  });
  opaqueOrder.erase(std::unique(opaqueOrder.begin(), opaqueOrder.end()), opaqueOrder.end());
  RenderModels(opaqueOrder);
}

void Graphics::RenderModels(const std::vector<Model*>& list) {
  for (Model* model : list) {
    for (ObjectPart* part : model->parts) {
      if (part == nullptr) continue;
      const math::Matrix world = math::MatrixMultiply(part->local, part->modelWorld);
      // A part out of view is not drawn at all (the straightforward frame draws it to no effect).
      if (model->visible && part->mesh != nullptr && part->mesh->mesh != nullptr &&
          (straightforwardFrame || MeshInView(viewPlanes, *part->mesh, world))) {
        device->SetTransform(gpu::TransformKind::World, world);
        if (shadersOn) {
          const math::Matrix wvp = math::MatrixMultiply(world, viewProj);
          plainVertexConstants->SetMatrix("WorldViewProj", wvp);
          litVertexConstants->SetMatrix("matWorldViewProj", wvp);
          litVertexConstants->SetMatrix("matWorld", world);
          const float f = part->hitFlash;
          const float flash[3] = {f * kThird, -f * kThird, -f * kThird};
          plainPixelConstants->SetFloatArray("ColorAdd", flash, 3);
          litPixelConstants->SetFloatArray("ColorAdd", flash, 3);
        }
        Mesh& mesh = *part->mesh;
        for (size_t k = 0; k < mesh.materials.size(); ++k) {
          const gpu::Material& material = mesh.materials[k];
          device->SetMaterial(material);
          device->SetTexture(k < mesh.textures.size() ? mesh.textures[k] : nullptr);
          if (shadersOn) {
            const float diffuse[4] = {material.diffuse.r, material.diffuse.g, material.diffuse.b,
                                      material.diffuse.a};
            litPixelConstants->SetFloatArray("Material", diffuse, 4);
          }
          mesh.mesh->DrawSubset(static_cast<uint32_t>(k));
        }
      }
      // Hidden models still show their attachments.
      RenderPartAttachments(*part);
    }
  }
}

void Graphics::RenderPartAttachments(const ObjectPart& part) {
  const bool lockPoints = showLockPoints && !part.lockPoints.empty();
  const bool spheres = showSpheres && !part.spheres.empty();
  if (!lockPoints && !spheres) return;
  // The lit shaders would place these by the last part's matrices; unbound, the world transform does.
  if (shadersOn) UnbindShaders();
  if (lockPoints) {
    for (const LockPoint& point : part.lockPoints) {
      DrawDebugMesh(plat::mesh::MakeSphere(kLockPointRadius, kDebugSphereSlices, kDebugSphereStacks),
                    point.worldPosition);
    }
  }
  if (spheres) {
    for (const CollisionSphere& sphere : part.spheres) {
      DrawDebugMesh(plat::mesh::MakeSphere(sphere.radius, kDebugSphereSlices, kDebugSphereStacks),
                    sphere.worldCentre);
    }
  }
  if (shadersOn) BindLitShaders();
}

void Graphics::DrawDebugMesh(const plat::mesh::MeshData& shape, const math::Vec3& at) {
  device->SetTransform(gpu::TransformKind::World, math::MatrixTranslation(at.x, at.y, at.z));
  std::unique_ptr<plat::mesh::Mesh> mesh = plat::mesh::CreateMesh(*device, shape);
  if (mesh != nullptr) mesh->DrawSubset(0);
}

void Graphics::RenderWaypoints() {
  device->SetTexture(nullptr);
  if (shadersOn) UnbindShaders();

  device->SetMaterial(FlatMaterial(1.0f, 0.0f, 0.0f));
  const plat::mesh::MeshData boxShape =
      plat::mesh::MakeBox(kWaypointBoxSize, kWaypointBoxSize, kWaypointBoxSize);
  for (const Waypoint& waypoint : waypoints) DrawDebugMesh(boxShape, waypoint.GetPosition());

  const size_t n = waypoints.size();
  if (n >= 2) {
    device->SetMaterial(FlatMaterial(0.0f, 1.0f, 1.0f));
    // Vertex pairs (0, 1), (1, 2), ... (n - 2, n - 1): vertex k is waypoint ceil(k / 2).
    std::vector<math::Vec3> vertices(2 * (n - 1));
    for (size_t k = 0; k < vertices.size(); ++k) vertices[k] = waypoints[(k + 1) / 2].GetPosition();
    const auto bytes = static_cast<uint32_t>(vertices.size() * sizeof(math::Vec3));
    std::unique_ptr<gpu::VertexBuffer> buffer = device->CreateVertexBuffer(bytes, 0, gpu::fvf::XYZ);
    void* data = buffer != nullptr ? buffer->Lock(0, bytes, gpu::LockMode::Normal) : nullptr;
    if (data != nullptr) {
      std::memcpy(data, vertices.data(), bytes);
      buffer->Unlock();
      device->SetStreamSource(buffer.get(), 0, sizeof(math::Vec3));
      device->SetFVF(gpu::fvf::XYZ);
      device->SetTransform(gpu::TransformKind::World, math::MatrixIdentity());
      device->DrawPrimitive(gpu::Primitive::LineList, 0, static_cast<uint32_t>(n - 1));
      device->SetStreamSource(nullptr, 0, 0);
    }
  }

  if (shadersOn) BindLitShaders();
}

void Graphics::RenderTransparentModels() {
  ModulateTextureAlpha(*device);
  EnableAlphaBlend(*device);
  RenderModels(blendedModels);
  // Blending stays on; the particle pass switches it off.
  if (shadersOn) litPixelConstants->SetVector("Material", math::Vec4{1.0f, 1.0f, 1.0f, 1.0f});
}

void Graphics::BeginPointSprites() {
  device->SetRenderState(gpu::RenderState::Lighting, 0);
  device->SetRenderState(gpu::RenderState::PointSpriteEnable, 1);
  device->SetRenderState(gpu::RenderState::PointScaleEnable, 1);
  device->SetRenderStateF(gpu::RenderState::PointSizeMin, 0.0f);
  device->SetRenderStateF(gpu::RenderState::PointScaleA, 0.0f);
  device->SetRenderStateF(gpu::RenderState::PointScaleB, 0.0f);
  device->SetRenderStateF(gpu::RenderState::PointScaleC, 1.0f);
  ModulateTextureAlpha(*device);
  EnableAlphaBlend(*device);
  device->SetRenderState(gpu::RenderState::ZWriteEnable, 0);
}

void Graphics::RenderParticles() {
  device->SetTransform(gpu::TransformKind::World, math::MatrixIdentity());
  BeginPointSprites();
  auto draw = [this](ParticleSystem* system) {
    if (particleDiscs != nullptr) device->SetPixelShader(particleDiscs->For(system->texture));
    system->SetPointSize();
    system->Render();
    system->PostRender();
  };
  std::vector<ParticleSystem*> systems(freeParticleSystems.begin(), freeParticleSystems.end());
  for (const std::vector<Model*>* list : {&entityModels, &blendedModels}) {
    for (Model* model : *list) {
      if (!model->drawParticles) continue;
      for (ParticleSystem* system : model->particleSystems) {
        if (system != nullptr) systems.push_back(system);
      }
    }
  }
  if (beamPiles != nullptr) {
    const beams::View view{device->GetTransform(gpu::TransformKind::View), viewProj,
                           static_cast<float>(width), static_cast<float>(height)};
    beamPiles->Render(*device, systems, view, draw);
  } else {
    for (ParticleSystem* system : systems) draw(system);
  }
  device->SetPixelShader(nullptr);
  device->SetRenderState(gpu::RenderState::PointSpriteEnable, 0);
  device->SetRenderState(gpu::RenderState::PointScaleEnable, 0);
  device->SetRenderState(gpu::RenderState::AlphaBlendEnable, 0);
  device->SetRenderState(gpu::RenderState::ZWriteEnable, 1);
}

gpu::ScissorRect Graphics::SceneRect() const {
  std::vector<plat::sprite::Rect> covers;
  for (const Sprite* sprite : sprites) {
    if (!sprite->IsVisible() || sprite->texture == nullptr) continue;
    const plat::image::Area area = plat::image::OpaqueArea(sprite->texture);
    const plat::sprite::Rect opaque{area.left, area.top, area.right, area.bottom};
    const plat::sprite::Rect cover = plat::sprite::OpaqueCover(
        sprite->transform, sprite->UsesWholeTexture() ? nullptr : &sprite->sourceRect, opaque, sprite->colour,
        sprite->texture->Width(), sprite->texture->Height(), width, height);
    if (cover.right > cover.left) covers.push_back(cover);
  }
  // Shrinks the rectangle past each cover that spans it across and meets one of its edges, until none does.
  plat::sprite::Rect scene{0, 0, width, height};
  for (bool shrunk = true; shrunk;) {
    shrunk = false;
    for (const plat::sprite::Rect& c : covers) {
      const bool tall = c.top <= scene.top && c.bottom >= scene.bottom;
      const bool wide = c.left <= scene.left && c.right >= scene.right;
      plat::sprite::Rect next = scene;
      if (tall && c.left <= scene.left && c.right > scene.left) next.left = c.right;
      if (tall && c.right >= scene.right && c.left < scene.right) next.right = c.left;
      if (wide && c.top <= scene.top && c.bottom > scene.top) next.top = c.bottom;
      if (wide && c.bottom >= scene.bottom && c.top < scene.bottom) next.bottom = c.top;
      if (next.left != scene.left || next.right != scene.right || next.top != scene.top ||
          next.bottom != scene.bottom) {
        scene = next;
        shrunk = true;
      }
    }
  }
  return {scene.left, scene.top, std::max(0, scene.right - scene.left),
          std::max(0, scene.bottom - scene.top)};
}

void Graphics::RenderSprites() {
  if (spriteInterface == nullptr) return;
  spriteInterface->Begin();
  for (Sprite* sprite : sprites) {
    // A sprite without a texture has nothing to show, nor one faded out (blended at alpha 0 it leaves the
    // frame as it was: the display keeps many such, some of them full screen).
    if (!sprite->IsVisible() || sprite->texture == nullptr || (sprite->colour >> 24) == 0) continue;
    const plat::sprite::Rect* source = sprite->UsesWholeTexture() ? nullptr : &sprite->sourceRect;
    // Nor one wholly off the screen, as the display's and the menu's pictures are while put away; so a
    // picture that is never seen is never uploaded.
    if (!plat::sprite::QuadMeetsTarget(sprite->transform, sprite->texture->Width(), sprite->texture->Height(),
                                       source, width, height)) {
      continue;
    }
    std::string error;
    gpu::Texture* texture = plat::image::ForDrawing(sprite->texture, &error);
    if (texture == nullptr) {
      ReportLoadFailure(sprite->texture->Name(), kTextureFailed, "Sprite", error);
      continue;
    }
    // Only the part that is not wholly transparent is drawn, where that leaves the picture as it was: the
    // menu's pictures put away beside the screen still reach into it with their clear margins.
    plat::sprite::Rect part =
        source ? *source : plat::sprite::Rect{0, 0, texture->Width(), texture->Height()};
    math::Matrix place = sprite->transform;
    const plat::image::Area visible = plat::image::VisibleArea(sprite->texture);
    if (!straightforwardFrame &&
        !plat::sprite::CutToVisible(place, part, {visible.left, visible.top, visible.right, visible.bottom}))
      continue;
    spriteInterface->SetTransform(place);
    spriteInterface->Draw(*texture, &part, sprite->colour);
  }
  spriteInterface->End();
}

void Graphics::RenderTextLabels() {
  if (font == nullptr) return;
  for (TextLabel* label : textLabels) {
    if (label->IsVisible()) font->DrawText(label->text, label->x, label->y, label->colour);
  }
}

void Graphics::DrawComposite(gpu::Argb diffuse) {
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);
  const CompositeVertex quad[4] = {
      {w, 0.0f, 1.0f, 1.0f, diffuse, 1.0f, 0.0f},
      {w, h, 1.0f, 1.0f, diffuse, 1.0f, 1.0f},
      {0.0f, 0.0f, 1.0f, 1.0f, diffuse, 0.0f, 0.0f},
      {0.0f, h, 1.0f, 1.0f, diffuse, 0.0f, 1.0f},
  };
  device->SetRenderState(gpu::RenderState::ZEnable, 0);
  // The wireframe view is for the scene: the composite stays a solid picture.
  const uint32_t fill = device->GetRenderState(gpu::RenderState::FillMode);
  device->SetRenderState(gpu::RenderState::FillMode, static_cast<uint32_t>(gpu::Fill::Solid));
  device->SetTexture(renderTexture.get());
  device->SetFVF(kCompositeFvf);
  device->DrawPrimitiveUP(gpu::Primitive::TriangleStrip, 2, quad, sizeof(CompositeVertex));
  device->SetRenderState(gpu::RenderState::FillMode, fill);
}

void Graphics::PresentTarget() {
  DrawComposite(0xFFFFFFFF);
  device->SetRenderState(gpu::RenderState::ZEnable, 1);
}

void Graphics::PresentTargetBlended() {
  EnableAlphaBlend(*device);
  DrawComposite(0x32FFFFFF);
  device->SetRenderState(gpu::RenderState::AlphaBlendEnable, 0);
  device->SetRenderState(gpu::RenderState::ZEnable, 1);
}
