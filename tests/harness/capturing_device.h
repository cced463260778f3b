// A device for tests that need more than the draw log: a RecordingDevice underneath (state, draw log,
// buffers) that also keeps every uploaded image and indexed-draw range, and can be told to refuse buffers or
// their locks.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/headless/recording_device.h"
#include "platform/image.h"

namespace pg = plat::gpu;

class CapturingDevice final : public pg::Device {
 public:
  struct Upload {
    std::string name;
    std::vector<plat::image::Image> levels;
  };
  struct IndexedDraw {
    int32_t baseVertex;
    uint32_t minIndex, numVertices, startIndex, primitiveCount;
  };
  // A buffer whose locks always fail.
  struct LocklessBuffer final : pg::VertexBuffer, pg::IndexBuffer {
    uint32_t SizeBytes() const override { return 0; }
    void* Lock(uint32_t, uint32_t, pg::LockMode) override { return nullptr; }
    void Unlock() override {}
  };

  plat::headless::RecordingDevice inner{pg::PresentParams{}};
  std::vector<Upload> uploads;
  std::vector<IndexedDraw> indexedDraws;
  pg::VertexBuffer* lastVertexBuffer = nullptr;
  pg::IndexBuffer* lastIndexBuffer = nullptr;
  bool refuseVertexBuffers = false, refuseIndexBuffers = false, refuseLocks = false;

  const plat::headless::GpuLog& Log() { return inner.Log(); }

  std::unique_ptr<pg::Texture> CreateTexture(const std::vector<plat::image::Image>& levels,
                                             std::string name) override {
    uploads.push_back({name, levels});
    return inner.CreateTexture(levels, std::move(name));
  }
  std::unique_ptr<pg::VertexBuffer> CreateVertexBuffer(uint32_t bytes, uint32_t usage,
                                                       uint32_t format) override {
    if (refuseVertexBuffers) return nullptr;
    if (refuseLocks) return std::make_unique<LocklessBuffer>();
    auto buffer = inner.CreateVertexBuffer(bytes, usage, format);
    lastVertexBuffer = buffer.get();
    return buffer;
  }
  std::unique_ptr<pg::IndexBuffer> CreateIndexBuffer(uint32_t bytes, uint32_t usage) override {
    if (refuseIndexBuffers) return nullptr;
    if (refuseLocks) return std::make_unique<LocklessBuffer>();
    auto buffer = inner.CreateIndexBuffer(bytes, usage);
    lastIndexBuffer = buffer.get();
    return buffer;
  }
  void DrawIndexedPrimitive(pg::Primitive type, int32_t baseVertex, uint32_t minIndex, uint32_t numVertices,
                            uint32_t startIndex, uint32_t count) override {
    indexedDraws.push_back({baseVertex, minIndex, numVertices, startIndex, count});
    inner.DrawIndexedPrimitive(type, baseVertex, minIndex, numVertices, startIndex, count);
  }

  void BeginScene() override { inner.BeginScene(); }
  void EndScene() override { inner.EndScene(); }
  bool Present() override { return inner.Present(); }
  pg::RenderTarget& BackBuffer() override { return inner.BackBuffer(); }
  void DiscardBackBuffer() override { inner.DiscardBackBuffer(); }
  void SetRenderTarget(pg::RenderTarget& t) override { inner.SetRenderTarget(t); }
  void Clear(pg::Argb c, float d) override { inner.Clear(c, d); }
  void SetScissorRect(const pg::ScissorRect* r) override { inner.SetScissorRect(r); }
  void SetRenderState(pg::RenderState s, uint32_t v) override { inner.SetRenderState(s, v); }
  void SetRenderStateF(pg::RenderState s, float v) override { inner.SetRenderStateF(s, v); }
  uint32_t GetRenderState(pg::RenderState s) const override { return inner.GetRenderState(s); }
  void SetSamplerState(pg::SamplerState s, uint32_t v) override { inner.SetSamplerState(s, v); }
  uint32_t GetSamplerState(pg::SamplerState s) const override { return inner.GetSamplerState(s); }
  void SetTextureStageState(pg::StageState s, uint32_t v) override { inner.SetTextureStageState(s, v); }
  void SetTransform(pg::TransformKind k, const math::Matrix& m) override { inner.SetTransform(k, m); }
  math::Matrix GetTransform(pg::TransformKind k) const override { return inner.GetTransform(k); }
  void SetMaterial(const pg::Material& m) override { inner.SetMaterial(m); }
  void LightEnable(int i, bool on) override { inner.LightEnable(i, on); }
  void SetTexture(pg::Texture* t) override { inner.SetTexture(t); }
  void SetSecondTexture(pg::Texture* t) override { inner.SetSecondTexture(t); }
  void SetVertexShader(pg::Shader* s) override { inner.SetVertexShader(s); }
  void SetPixelShader(pg::Shader* s) override { inner.SetPixelShader(s); }
  std::unique_ptr<pg::RenderTexture> CreateRenderTexture(int w, int h) override {
    return inner.CreateRenderTexture(w, h);
  }
  std::unique_ptr<pg::VertexDeclaration> CreateVertexDeclaration(
      std::span<const pg::VertexElement> e) override {
    return inner.CreateVertexDeclaration(e);
  }
  pg::CompiledShader CompileShader(std::string_view s, std::string_view e, std::string_view p) override {
    return inner.CompileShader(s, e, p);
  }
  void SetFVF(uint32_t f) override { inner.SetFVF(f); }
  void SetVertexDeclaration(pg::VertexDeclaration* d) override { inner.SetVertexDeclaration(d); }
  void SetStreamSource(pg::VertexBuffer* b, uint32_t o, uint32_t s) override {
    inner.SetStreamSource(b, o, s);
  }
  void SetIndices(pg::IndexBuffer* b) override { inner.SetIndices(b); }
  void DrawPrimitive(pg::Primitive t, uint32_t s, uint32_t n) override { inner.DrawPrimitive(t, s, n); }
  void DrawPrimitiveUP(pg::Primitive t, uint32_t n, const void* v, uint32_t s) override {
    inner.DrawPrimitiveUP(t, n, v, s);
  }
  void Marker(std::string_view text) override { inner.Marker(text); }
};
