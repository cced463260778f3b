// The renderer and container of the whole scene: the device, the shader programs, the off-screen target,
// the sprite batch and font, the camera, the model lists and the texture and mesh caches. There is one.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/camera.h"
#include "graphics/level_event.h"
#include "graphics/scenery_group.h"
#include "graphics/skybox.h"
#include "graphics/waypoint.h"
#include "math/math3d.h"
#include "platform/font.h"
#include "platform/gpu.h"
#include "platform/mesh.h"
#include "platform/sprite_batch.h"

namespace plat {
class Services;
}
class BeamPiles;
struct Mesh;
class Model;
class ObjectPart;
class ParticleDiscs;
class ParticleSystem;
struct ParticleEffectDesc;
class Sprite;
class TextLabel;

class Graphics;
extern Graphics* g_graphics;

// The message shown when a picture cannot be loaded.
inline constexpr const char* kTextureFailed = "D3DXCreateTextureFromFile() - FAILED";
// A level file is read whole: at most this many bytes (the game's own take under 20 KiB).
inline constexpr uintmax_t kMaxLevelFileBytes = uintmax_t{4} << 20;

// One entry of a texture cache: the loaded texture (the cache holds the only reference) and the path
// exactly as the loader was given it.
struct TextureEntry {
  std::unique_ptr<plat::gpu::Texture> texture;
  std::string fileName;
};

class Graphics {
 public:
  // Throws "Two instances of Graphics Class found" when one already exists.
  Graphics();
  ~Graphics();
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;

  // Device, states, projection, shaders, sprite batch, font and off-screen target. False after showing a
  // message when the game cannot draw: no device, a vertex shader that does not compile, no off-screen
  // target.
  bool Init(plat::Services& services, int width, int height, bool windowed);
  // Per frame before Render: unloads models marked for it and updates or removes particle systems.
  bool Update(float dt);
  bool ReleaseScene();
  bool Shutdown();
  bool EnterTitleMode();

  // The frame (render.cpp). False without a device and in title mode.
  bool Render();
  // The part of the target the scene's passes draw: all of it but strips along its edges that opaque
  // screen pictures paint over later in the same frame (the top view's side bars).
  plat::gpu::ScissorRect SceneRect() const;
  void SetLightConstants();
  // Behind the scene: after the opaque passes, only where they drew nothing.
  void RenderSky(bool behindScene = false);
  void RenderSkyOneByOne(const math::Vec3& eye);
  void RenderModels(const std::vector<Model*>& list);
  void RenderWaypoints();
  void RenderTransparentModels();
  void BeginPointSprites();
  void RenderParticles();
  void RenderSprites();
  void RenderTextLabels();
  void PresentTarget();
  void PresentTargetBlended();

  // Models read from model files or bare .X meshes (model_reader.cpp).
  bool LoadModel(Model** out, const char* file, float x, float y, float z, bool blended, bool scenery);
  bool CreateObjectPart(ObjectPart** out, const char* meshPath);

  // Caches (texture_cache.cpp). Find: index of the entry whose path equals file exactly, or -1.
  // Load: appends without looking for an existing entry; index or -1 after reporting the failure.
  int FindMesh(const char* file) const;
  int FindSpriteTexture(const char* file) const;
  int FindTexture(const char* file) const;
  int LoadSpriteTexture(const char* file, const plat::gpu::Argb* colourKey);
  int LoadTexture(const char* file, const plat::gpu::Argb* colourKey);
  int LoadMesh(const char* file);
  // Empties the 3-D scene between levels; sprites, labels and the sprite textures stay.
  bool ClearScene();
  // Deletes one model of the three lists and nulls the caller's pointer; false when it is in none.
  bool ReleaseModel(Model*& model);

  // Particle effects (particle_spawn.cpp): the system or systems of the request's kind, attached to its owner
  // or kept in freeParticleSystems. False, with nothing made, for a kind the placement does not offer, a
  // request without a vector its kind reads, or a texture that can be neither found nor loaded.
  bool SpawnParticleSystem(const ParticleEffectDesc* desc);

  // Sprites and text labels (sprite.cpp). Positions are fractions of the screen.
  int GetWidth() const { return width; }
  int GetHeight() const { return height; }
  bool CreateSprite(Sprite** out, const char* file, float x, float y, float scaleX, float scaleY,
                    const plat::sprite::Rect* rect, float alpha, const plat::gpu::Argb* colourKey, int layer);
  bool CreateTextLabel(TextLabel** out, float x, float y, const char* text, plat::gpu::Argb colour);
  void SetSpritePosition(Sprite*& sprite, float x, float y);
  void SetTextPosition(TextLabel*& label, float x, float y);
  void SetSkyEnabled(bool on) { drawSky = on; }
  bool DeleteSprite(Sprite* sprite);
  bool DeleteTextLabel(TextLabel* label);
  bool ReleaseTexturesAndSprites();

  // The platform services given to Init (files and message boxes); null before.
  plat::Services* GetServices() const { return services; }

  // Rail track (rail.cpp): the path's frames, the place on it and the scenery groups it switches.
  // Fills direction, length, side and up of every waypoint but the last. A waypoint that makes no segment
  // with the one before it (on top of it, or too far to measure) is dropped first; the events and groups
  // keyed by the file's segment numbers are moved onto the kept segments, those on a dropped segment to
  // where the next kept one begins.
  void PrepareWaypoints();
  // Moves the place (segment index, progress) on by dtMs and speed (units per second) and yields the point
  // and the frame axes, which also go to the camera. Without a prepared path of two or more waypoints the
  // place stays as it is and the frame is fixed: the first waypoint (or the origin) with the world axes.
  void UpdatePath(int* waypointIndex, float* progress, float dtMs, float speed, math::Vec3* point,
                  math::Vec3* side, math::Vec3* up, math::Vec3* forward);
  // visibleScenery = the current group's models, then those of the next group not already listed.
  void RebuildVisibleSet();

  // Level file and level events (level_reader.cpp). LoadLevel reads "Assets\Levels\" + name: the camera's
  // start mode 5, 6 or 7 when read up to "End", -1 when the reading stopped before it, 0 when the file cannot
  // be opened.
  int LoadLevel(const char* name);
  bool AddEvent(int kind, int a, int b, int c, float d, float x, float y, float z);
  // Hands out one due event per call (a finished camera transition first); false when none is due.
  bool NextEvent(int waypointIndex, float progress, LevelEvent* out);
  // Removes the first camera event and gives its view's mode: 0 -> 7, 1 -> 6, 2 -> 5, others and none -> 6.
  int TakeCameraStartMode();

  std::vector<SceneryGroup> sceneryGroups;
  std::vector<LevelEvent> levelEvents;  // sorted by (c, d) once loaded
  int currentGroup = 0;
  int lastEvent = -1;  // index in levelEvents of the last event handed out
  bool inCorner = false;
  float cornerT = 0.0f;
  float cornerLength = 100.0f;
  math::Vec3 cornerStart;
  math::Vec3 cornerControl;
  math::Vec3 cornerEnd;
  int cornerSegment = 0;         // the segment the running corner ends in
  size_t preparedWaypoints = 0;  // size of the waypoint list when it was prepared; 0 when not prepared

  bool showWaypoints = false;
  std::vector<Model*> visibleScenery;  // not owned: models of sceneryModels
  std::vector<Model*> sceneryModels;
  std::vector<Model*> entityModels;
  std::vector<Model*> blendedModels;
  std::vector<Mesh*> meshes;
  std::vector<Waypoint> waypoints;
  std::vector<ParticleSystem*> freeParticleSystems;
  std::vector<TextureEntry> spriteTextures;
  std::vector<TextureEntry> sceneTextures;
  std::vector<Sprite*> sprites;  // largest layer first
  std::vector<TextLabel*> textLabels;
  Camera camera;
  float colorAdd[3] = {0.0f, 0.0f, 0.0f};
  int width = 1024;
  int height = 768;
  std::unique_ptr<plat::gpu::Device> device;
  std::unique_ptr<plat::gpu::Shader> plainPixelShader;
  std::unique_ptr<plat::gpu::Shader> plainVertexShader;
  std::unique_ptr<plat::gpu::ConstantTable> plainPixelConstants;
  std::unique_ptr<plat::gpu::ConstantTable> plainVertexConstants;
  std::unique_ptr<plat::gpu::Shader> litPixelShader;
  std::unique_ptr<plat::gpu::Shader> litVertexShader;
  std::unique_ptr<plat::gpu::ConstantTable> litPixelConstants;
  std::unique_ptr<plat::gpu::ConstantTable> litVertexConstants;
  plat::gpu::RenderTarget* backBuffer = nullptr;  // the device's, not owned
  // The off-screen target of the frames drawn through it (title mode, the straightforward frame), held only
  // while such frames are drawn: level frames go straight into the back buffer and need none.
  plat::gpu::RenderTarget* offscreenSurface = nullptr;  // level 0 of renderTexture
  std::unique_ptr<plat::gpu::RenderTexture> renderTexture;
  math::Matrix viewProj = math::MatrixIdentity();
  std::unique_ptr<plat::sprite::SpriteBatch> spriteInterface;
  std::unique_ptr<plat::text::Font> font;
  bool shadersOn = true;
  bool showSpheres = false;
  bool showLockPoints = false;
  bool drawSky = true;
  bool titleMode = false;
  // Draws the frame the straightforward way: the sky first with depth off, every part of the visible scenery
  // and then of the entity models in list order, every frame through the off-screen target and its
  // composite. The usual frame shades each pixel about once instead (nearest models first, none out of view,
  // the sky only where they left room, a level frame straight into the back buffer, screen pictures on whole
  // pixels without their clear margins) and looks the same; the pixel tests hold it against this one.
  bool straightforwardFrame = false;

  // Skies (skybox.cpp), drawn first in every frame while drawSky is on. SetSkybox replaces both by sky kind:
  // 0 the level sky (inner, and an outer one blended over it and turning), 2 the black sky, any other none.
  // False when a face texture can be neither found nor loaded.
  bool SetSkybox(int skyKind);
  std::unique_ptr<Skybox> innerSkybox;
  std::unique_ptr<Skybox> outerSkybox;
  std::unique_ptr<SkyLayers> skyLayers;  // with the shaders on: both skies in one pass behind the scene
  // With the shaders on: the particle pictures whose alpha the sprites work out by formula, and the beams
  // along one line drawn a pile at a time (by the spark's formula). Without them every sprite reads its
  // picture and every beam is drawn sprite by sprite, as the pixel tests draw the reference.
  std::unique_ptr<ParticleDiscs> particleDiscs;
  std::unique_ptr<BeamPiles> beamPiles;

 private:
  // Compiles one shader file; false after its messages when it does not compile or cannot be created.
  bool CompileShaderFile(const char* file, const char* entry, const char* profile,
                         std::unique_ptr<plat::gpu::Shader>& program,
                         std::unique_ptr<plat::gpu::ConstantTable>& constants, const char* createFailed);
  // onFirstUse: the file is checked now and uploaded when first drawn.
  int LoadTextureInto(std::vector<TextureEntry>& cache, const char* file, const plat::gpu::Argb* colourKey,
                      bool onFirstUse);
  // Shows a load failure's message box and its reason on stderr, once per path and message.
  void ReportLoadFailure(const std::string& path, const char* text, const char* caption,
                         const std::string& reason);
  // Deletes a model with its parts and attached systems, and the free systems that track its data.
  void DeleteModel(Model* model);
  void DeleteSceneModels();
  // Draws the lock points and collision spheres of a part with the shaders unbound, so the fixed-function
  // world transform places them.
  void RenderPartAttachments(const ObjectPart& part);
  // The visible scenery, then the entity models; in the usual frame the two lists merged, nearest first.
  void RenderOpaqueModels();
  void DrawDebugMesh(const plat::mesh::MeshData& shape, const math::Vec3& at);
  void UnbindShaders();
  void BindLitShaders();
  void BindPlainShaders();
  void MarkStencil(plat::gpu::Compare test, uint32_t reference, plat::gpu::StencilOp pass);
  void DrawComposite(plat::gpu::Argb diffuse);
  // Makes the off-screen target when needed and none is held, gives it back when not needed; true when one
  // is held.
  bool HoldOffscreenTarget(bool needed);
  // Empties the scenery groups and the events and puts the rail state back to its start (rail.cpp).
  void ResetRail();

  plat::Services* services = nullptr;
  std::vector<std::string> reportedFailures;
  std::vector<Model*> opaqueOrder;         // this frame's opaque models in drawing order
  std::array<math::Vec4, 6> viewPlanes{};  // this frame's view, from viewProj
};
