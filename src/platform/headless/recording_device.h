// The headless GPU device: keeps every state the game sets, holds buffer bytes in memory, "compiles" shaders
// by reading their uniform declarations, and logs draws, passes, locks and shader constants for tests.
//
// Reading the log (plat::headless::GpuLog, from RecordingDevice::Log() or HeadlessServices::DeviceLog()):
//   State()                      current DeviceState: Get(RenderState|SamplerState|StageState),
//   GetF(RenderState),
//                                Transform(kind), material, texture, vertexShader, pixelShader, target,
//                                fvf...
//   Draws() / PreviousDraws()    DrawRecords of this frame / of the last presented frame; markers are records
//                                of kind Marker between the draws. Each draw holds the DeviceState at draw
//                                time.
//   Events() / PreviousEvents()  the frame's calls in order, as text:
//                                  "BeginScene" "EndScene" "Present" "Clear 0xAARRGGBB" "DiscardBackBuffer"
//                                  "SetRenderTarget BackBuffer" | "SetRenderTarget RenderTexture<n>"
//                                  "SetVertexShader <name>|none" "SetPixelShader <name>|none"
//                                  "SetTexture <name>|none" (a render texture is "RenderTexture<n>"),
//                                  "SetSecondTexture <name>|none"
//                                  "SetScissorRect <x> <y> <width> <height>|none"
//                                  "Draw <call> <primitive> <count>"  e.g. "Draw DrawPrimitiveUP
//                                  TriangleStrip 2" "Marker <text>" "Constant <shader> <name>" "LockFailed
//                                  <buffer> <offset> <size>" "Error <text>" (misuse the device refused, or a
//                                  draw past its buffer)
//   ConstantSets() / PreviousConstantSets()  every accepted SetFloatArray/SetMatrix/SetVector of the frame.
//   Constant(shader, name)       latest values sent (empty when never set); ConstantNames(shader) the
//   uniforms. Locks(), FailedLocks()       this frame's buffer locks; failed locks over the whole run.
//   Resources(kind)              {created, live} per ResourceKind; TotalLive().
//   FramesPresented(), LightEnabled(i), Device() (null once the device is gone).
// Shaders are logged under the name given with Shader::SetName, or under their entry point when unnamed.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gpu.h"

namespace plat::headless {

class RecordingDevice;

// Every state the device keeps; each draw record holds a copy.
struct DeviceState {
  std::array<uint32_t, static_cast<size_t>(gpu::RenderState::Count)> renderStates{};  // floats as their bits
  std::array<uint32_t, static_cast<size_t>(gpu::SamplerState::Count)> samplerStates{};
  std::array<uint32_t, static_cast<size_t>(gpu::StageState::Count)> stageStates{};
  std::array<math::Matrix, 3> transforms{};  // World, View, Projection
  gpu::Material material;
  std::string texture;        // name of the bound texture ("RenderTexture<n>" for a render texture)
  bool textureBound = false;  // false: no texture (samples white)
  std::string secondTexture;  // name of the second texture, empty for none
  bool scissor = false;       // draws limited to scissorRect
  gpu::ScissorRect scissorRect;
  std::string vertexShader;  // empty: fixed function
  std::string pixelShader;
  std::string target = "BackBuffer";
  uint32_t fvf = 0;  // 0 while a declaration is bound
  bool declarationBound = false;
  std::string stream;  // "VertexBuffer<n>" bound to stream 0, or empty
  uint32_t streamOffset = 0, streamStride = 0;
  std::string indices;  // "IndexBuffer<n>" or empty
  bool inScene = false;

  uint32_t Get(gpu::RenderState s) const { return renderStates[static_cast<size_t>(s)]; }
  float GetF(gpu::RenderState s) const;
  uint32_t Get(gpu::SamplerState s) const { return samplerStates[static_cast<size_t>(s)]; }
  uint32_t Get(gpu::StageState s) const { return stageStates[static_cast<size_t>(s)]; }
  const math::Matrix& Transform(gpu::TransformKind k) const { return transforms[static_cast<size_t>(k)]; }
  bool ShadersBound() const { return !vertexShader.empty() || !pixelShader.empty(); }
};

struct DrawRecord {
  enum class Kind : uint8_t { Draw, Marker };
  Kind kind = Kind::Draw;
  std::string call;  // "DrawPrimitive", "DrawIndexedPrimitive", "DrawPrimitiveUP"; "Marker" for markers
  std::string marker;
  gpu::Primitive primitive = gpu::Primitive::TriangleList;
  uint32_t primitiveCount = 0;
  uint32_t startVertex = 0;           // DrawPrimitive: the first vertex of the stream drawn
  std::vector<uint8_t> userVertices;  // DrawPrimitiveUP: a copy of the vertices drawn
  DeviceState state;                  // at draw time (markers too)
};

struct ConstantRecord {
  std::string shader, name;
  std::string call;  // "SetFloatArray", "SetMatrix" (16 floats, row-major as given), "SetVector"
  std::vector<float> values;
};

struct LockRecord {
  std::string buffer;  // "VertexBuffer<n>" or "IndexBuffer<n>"
  uint32_t offset = 0, size = 0;
  bool ok = false;
  gpu::LockMode mode = gpu::LockMode::Normal;
};

enum class ResourceKind : uint8_t {
  Texture,
  RenderTexture,
  VertexBuffer,
  IndexBuffer,
  VertexDeclaration,
  Shader,
  Count
};
struct ResourceCount {
  int created = 0;
  int live = 0;
};

class GpuLog {
 public:
  const DeviceState& State() const { return state_; }
  const std::vector<DrawRecord>& Draws() const { return draws_; }
  const std::vector<DrawRecord>& PreviousDraws() const { return previousDraws_; }
  const std::vector<std::string>& Events() const { return events_; }
  const std::vector<std::string>& PreviousEvents() const { return previousEvents_; }
  const std::vector<ConstantRecord>& ConstantSets() const { return constantSets_; }
  const std::vector<ConstantRecord>& PreviousConstantSets() const { return previousConstantSets_; }
  std::vector<float> Constant(std::string_view shader, std::string_view name) const;
  std::vector<std::string> ConstantNames(std::string_view shader) const;  // declared uniforms, sorted
  const std::vector<LockRecord>& Locks() const { return locks_; }
  int FailedLocks() const { return failedLocks_; }
  ResourceCount Resources(ResourceKind kind) const { return resources_[static_cast<size_t>(kind)]; }
  int TotalLive() const;
  int FramesPresented() const { return framesPresented_; }
  bool LightEnabled(int index) const;
  // The device writing this log while it lives; null once it is destroyed.
  RecordingDevice* Device() const { return device_; }

 private:
  friend class RecordingDevice;
  friend struct LogAccess;  // the device's resources and constant tables

  void Event(std::string text) { events_.push_back(std::move(text)); }
  void Created(ResourceKind kind);
  void Destroyed(ResourceKind kind) { --resources_[static_cast<size_t>(kind)].live; }
  void EndFrame();

  DeviceState state_;
  std::vector<DrawRecord> draws_, previousDraws_;
  std::vector<std::string> events_, previousEvents_;
  std::vector<ConstantRecord> constantSets_, previousConstantSets_;
  std::map<std::string, std::map<std::string, std::vector<float>, std::less<>>, std::less<>> constants_;
  std::map<std::string, std::vector<std::string>, std::less<>> declared_;
  std::vector<LockRecord> locks_;
  int failedLocks_ = 0;
  std::array<ResourceCount, static_cast<size_t>(ResourceKind::Count)> resources_{};
  int framesPresented_ = 0;
  std::map<int, bool> lights_;
  RecordingDevice* device_ = nullptr;  // the live device writing this log, if any
};

class RecordingDevice final : public gpu::Device {
 public:
  explicit RecordingDevice(const gpu::PresentParams& params);
  ~RecordingDevice() override;
  RecordingDevice(const RecordingDevice&) = delete;
  RecordingDevice& operator=(const RecordingDevice&) = delete;

  GpuLog& Log() { return *log_; }
  // Shared with the device's resources and constant tables, so it outlives whichever is destroyed last.
  std::shared_ptr<GpuLog> SharedLog() const { return log_; }

  void BeginScene() override;
  void EndScene() override;
  bool Present() override;
  gpu::RenderTarget& BackBuffer() override;
  void DiscardBackBuffer() override;
  void SetRenderTarget(gpu::RenderTarget& target) override;
  void Clear(gpu::Argb colour, float depth) override;
  void SetScissorRect(const gpu::ScissorRect* rect) override;

  void SetRenderState(gpu::RenderState state, uint32_t value) override;
  void SetRenderStateF(gpu::RenderState state, float value) override;
  uint32_t GetRenderState(gpu::RenderState state) const override;
  void SetSamplerState(gpu::SamplerState state, uint32_t value) override;
  uint32_t GetSamplerState(gpu::SamplerState state) const override;
  void SetTextureStageState(gpu::StageState state, uint32_t value) override;
  void SetTransform(gpu::TransformKind kind, const math::Matrix& m) override;
  math::Matrix GetTransform(gpu::TransformKind kind) const override;
  void SetMaterial(const gpu::Material& material) override;
  void LightEnable(int index, bool on) override;
  void SetTexture(gpu::Texture* texture) override;
  void SetSecondTexture(gpu::Texture* texture) override;
  void SetVertexShader(gpu::Shader* shader) override;
  void SetPixelShader(gpu::Shader* shader) override;

  std::unique_ptr<gpu::Texture> CreateTexture(const std::vector<image::Image>& levels,
                                              std::string name) override;
  std::unique_ptr<gpu::RenderTexture> CreateRenderTexture(int width, int height) override;
  std::unique_ptr<gpu::VertexBuffer> CreateVertexBuffer(uint32_t bytes, uint32_t usageFlags,
                                                        uint32_t format) override;
  std::unique_ptr<gpu::IndexBuffer> CreateIndexBuffer(uint32_t bytes, uint32_t usageFlags) override;
  std::unique_ptr<gpu::VertexDeclaration> CreateVertexDeclaration(
      std::span<const gpu::VertexElement> elements) override;
  gpu::CompiledShader CompileShader(std::string_view source, std::string_view entry,
                                    std::string_view profile) override;

  void SetFVF(uint32_t format) override;
  void SetVertexDeclaration(gpu::VertexDeclaration* declaration) override;
  void SetStreamSource(gpu::VertexBuffer* buffer, uint32_t offsetBytes, uint32_t stride) override;
  void SetIndices(gpu::IndexBuffer* buffer) override;
  void DrawPrimitive(gpu::Primitive type, uint32_t startVertex, uint32_t primitiveCount) override;
  void DrawIndexedPrimitive(gpu::Primitive type, int32_t baseVertex, uint32_t minIndex, uint32_t numVertices,
                            uint32_t startIndex, uint32_t primitiveCount) override;
  void DrawPrimitiveUP(gpu::Primitive type, uint32_t primitiveCount, const void* vertices,
                       uint32_t stride) override;
  void Marker(std::string_view text) override;

 private:
  DrawRecord& RecordDraw(std::string_view call, gpu::Primitive type, uint32_t primitiveCount);

  std::shared_ptr<GpuLog> log_;
  std::unique_ptr<gpu::RenderTarget> backBuffer_;
  int renderTextures_ = 0, vertexBuffers_ = 0, indexBuffers_ = 0;  // for labels
  uint32_t streamBytes_ = 0;  // size of the vertex buffer bound to stream 0
};

}  // namespace plat::headless
