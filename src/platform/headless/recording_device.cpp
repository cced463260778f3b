// The headless GPU device and its log: state mirror with Direct3D-style defaults, in-memory buffers, shaders
// "compiled" by reading their uniform declarations, and per-frame records of draws, events and constants.
#include "platform/headless/recording_device.h"

#include <algorithm>
#include <bit>
#include <cstdio>

#include "platform/gpu_backend.h"
#include "platform/headless/glsl_scan.h"
#include "platform/image.h"

namespace plat::headless {

// Lets the device's resources and constant tables write the log's private records.
struct LogAccess {
  static void Event(GpuLog& log, std::string text) { log.Event(std::move(text)); }
  static void Created(GpuLog& log, ResourceKind kind) { log.Created(kind); }
  static void Destroyed(GpuLog& log, ResourceKind kind) { log.Destroyed(kind); }
  static void Lock(GpuLog& log, LockRecord record) {
    if (!record.ok) {
      ++log.failedLocks_;
      log.Event("LockFailed " + record.buffer + " " + std::to_string(record.offset) + " " +
                std::to_string(record.size));
    }
    log.locks_.push_back(std::move(record));
  }
  static void Declare(GpuLog& log, const std::string& shader, const std::vector<std::string>& names) {
    log.declared_[shader] = names;
  }
  static void Constant(GpuLog& log, const std::string& shader, std::string_view name, const char* call,
                       std::vector<float> values) {
    log.constants_[shader][std::string(name)] = values;
    log.Event("Constant " + shader + " " + std::string(name));
    log.constantSets_.push_back(ConstantRecord{shader, std::string(name), call, std::move(values)});
  }
};

namespace {

using gpu::RenderState;

constexpr uint32_t Bits(float f) {
  return std::bit_cast<uint32_t>(f);
}

// A freshly created device: the common starting states, identity transforms.
DeviceState DefaultState() {
  DeviceState s;
  const gpu::StartStates start = gpu::DefaultStartStates();
  s.renderStates = start.renderStates;
  s.samplerStates = start.samplerStates;
  s.stageStates = start.stageStates;
  for (auto& m : s.transforms) m = math::MatrixIdentity();
  return s;
}

const char* PrimitiveName(gpu::Primitive p) {
  switch (p) {
    case gpu::Primitive::PointList:
      return "PointList";
    case gpu::Primitive::LineList:
      return "LineList";
    case gpu::Primitive::TriangleList:
      return "TriangleList";
    case gpu::Primitive::TriangleStrip:
      return "TriangleStrip";
  }
  return "Unknown";
}

// A drawable surface, named for the log.
class RecordingSurface final : public gpu::RenderTarget {
 public:
  RecordingSurface(std::string label, int width, int height)
      : label_(std::move(label)), w_(width), h_(height) {}
  int Width() const override { return w_; }
  int Height() const override { return h_; }
  const std::string& Label() const { return label_; }

 private:
  std::string label_;
  int w_, h_;
};

class RecordingTexture final : public gpu::Texture {
 public:
  RecordingTexture(std::shared_ptr<GpuLog> log, std::string name, int width, int height, int levels)
      : log_(std::move(log)), name_(std::move(name)), w_(width), h_(height), levels_(levels) {
    LogAccess::Created(*log_, ResourceKind::Texture);
  }
  ~RecordingTexture() override { LogAccess::Destroyed(*log_, ResourceKind::Texture); }
  int Width() const override { return w_; }
  int Height() const override { return h_; }
  int Levels() const override { return levels_; }
  const std::string& Name() const override { return name_; }

 private:
  std::shared_ptr<GpuLog> log_;
  std::string name_;
  int w_, h_, levels_;
};

class RecordingRenderTexture final : public gpu::RenderTexture {
 public:
  RecordingRenderTexture(std::shared_ptr<GpuLog> log, std::string label, int width, int height)
      : log_(std::move(log)), surface_(std::move(label), width, height) {
    LogAccess::Created(*log_, ResourceKind::RenderTexture);
  }
  ~RecordingRenderTexture() override { LogAccess::Destroyed(*log_, ResourceKind::RenderTexture); }
  int Width() const override { return surface_.Width(); }
  int Height() const override { return surface_.Height(); }
  int Levels() const override { return 1; }
  const std::string& Name() const override { return noName_; }
  gpu::RenderTarget& Surface() override { return surface_; }
  const std::string& Label() const { return surface_.Label(); }

 private:
  std::shared_ptr<GpuLog> log_;
  RecordingSurface surface_;
  std::string noName_;
};

// Bytes of a vertex or index buffer, with range-checked locks.
class BufferBytes {
 public:
  BufferBytes(std::shared_ptr<GpuLog> log, std::string label, uint32_t bytes)
      : log_(std::move(log)), label_(std::move(label)), bytes_(bytes, 0) {}
  uint32_t Size() const { return static_cast<uint32_t>(bytes_.size()); }
  const std::string& Label() const { return label_; }
  GpuLog& Log() { return *log_; }

  void* Lock(uint32_t offset, uint32_t size, gpu::LockMode mode) {
    const uint64_t total = bytes_.size();
    const uint64_t end = size == 0 ? total : uint64_t{offset} + size;
    const bool ok = !locked_ && offset < total && end <= total;
    if (locked_) LogAccess::Event(*log_, "Error Lock " + label_ + ": already locked");
    LogAccess::Lock(*log_, LockRecord{label_, offset, size, ok, mode});
    if (!ok) return nullptr;
    locked_ = true;
    return bytes_.data() + offset;
  }
  void Unlock() {
    if (!locked_) LogAccess::Event(*log_, "Error Unlock " + label_ + ": not locked");
    locked_ = false;
  }

 private:
  std::shared_ptr<GpuLog> log_;
  std::string label_;
  std::vector<uint8_t> bytes_;
  bool locked_ = false;
};

// A vertex or an index buffer (`Interface` with its `kKind` in the log): the two differ only in the
// interface they serve.
template <class Interface, ResourceKind kKind>
class RecordingBuffer final : public Interface {
 public:
  RecordingBuffer(std::shared_ptr<GpuLog> log, std::string label, uint32_t bytes)
      : bytes_(std::move(log), std::move(label), bytes) {
    LogAccess::Created(bytes_.Log(), kKind);
  }
  ~RecordingBuffer() override { LogAccess::Destroyed(bytes_.Log(), kKind); }
  uint32_t SizeBytes() const override { return bytes_.Size(); }
  void* Lock(uint32_t offsetBytes, uint32_t sizeBytes, gpu::LockMode mode) override {
    return bytes_.Lock(offsetBytes, sizeBytes, mode);
  }
  void Unlock() override { bytes_.Unlock(); }
  const std::string& Label() const { return bytes_.Label(); }

 private:
  BufferBytes bytes_;
};

using RecordingVertexBuffer = RecordingBuffer<gpu::VertexBuffer, ResourceKind::VertexBuffer>;
using RecordingIndexBuffer = RecordingBuffer<gpu::IndexBuffer, ResourceKind::IndexBuffer>;

class RecordingDeclaration final : public gpu::VertexDeclaration {
 public:
  explicit RecordingDeclaration(std::shared_ptr<GpuLog> log) : log_(std::move(log)) {
    LogAccess::Created(*log_, ResourceKind::VertexDeclaration);
  }
  ~RecordingDeclaration() override { LogAccess::Destroyed(*log_, ResourceKind::VertexDeclaration); }

 private:
  std::shared_ptr<GpuLog> log_;
};

// Shared by a shader and its constant table, which the caller may destroy in either order.
struct ShaderInfo {
  gpu::ShaderStage stage;
  std::string entry, name;
  std::vector<std::string> uniforms;  // sorted
  const std::string& Key() const { return name.empty() ? entry : name; }
};

class RecordingShader final : public gpu::Shader {
 public:
  RecordingShader(std::shared_ptr<GpuLog> log, std::shared_ptr<ShaderInfo> info)
      : log_(std::move(log)), info_(std::move(info)) {
    LogAccess::Created(*log_, ResourceKind::Shader);
  }
  ~RecordingShader() override { LogAccess::Destroyed(*log_, ResourceKind::Shader); }
  gpu::ShaderStage Stage() const override { return info_->stage; }
  void SetName(std::string name) override {
    info_->name = std::move(name);
    LogAccess::Declare(*log_, info_->Key(), info_->uniforms);
  }
  std::string Name() const override { return info_->name; }
  const std::string& Key() const { return info_->Key(); }

 private:
  std::shared_ptr<GpuLog> log_;
  std::shared_ptr<ShaderInfo> info_;
};

class RecordingConstantTable final : public gpu::ConstantTable {
 public:
  RecordingConstantTable(std::shared_ptr<GpuLog> log, std::shared_ptr<ShaderInfo> info)
      : log_(std::move(log)), info_(std::move(info)) {}
  bool SetFloatArray(std::string_view name, const float* values, unsigned count) override {
    if (!Known(name) || (values == nullptr && count != 0)) return false;
    Record(name, "SetFloatArray", std::vector<float>(values, values + count));
    return true;
  }
  bool SetMatrix(std::string_view name, const math::Matrix& m) override {
    if (!Known(name)) return false;
    Record(name, "SetMatrix", std::vector<float>(&m.m[0][0], &m.m[0][0] + 16));
    return true;
  }
  bool SetVector(std::string_view name, const math::Vec4& v) override {
    if (!Known(name)) return false;
    Record(name, "SetVector", {v.x, v.y, v.z, v.w});
    return true;
  }

 private:
  bool Known(std::string_view name) const {
    return std::binary_search(info_->uniforms.begin(), info_->uniforms.end(), name);
  }
  void Record(std::string_view name, const char* call, std::vector<float> values) {
    LogAccess::Constant(*log_, info_->Key(), name, call, std::move(values));
  }

  std::shared_ptr<GpuLog> log_;
  std::shared_ptr<ShaderInfo> info_;
};

std::string Hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", v);
  return text;
}

}  // namespace

// --- DeviceState and GpuLog

float DeviceState::GetF(gpu::RenderState s) const {
  return std::bit_cast<float>(Get(s));
}

std::vector<float> GpuLog::Constant(std::string_view shader, std::string_view name) const {
  const auto table = constants_.find(shader);
  if (table == constants_.end()) return {};
  const auto value = table->second.find(name);
  return value == table->second.end() ? std::vector<float>{} : value->second;
}

std::vector<std::string> GpuLog::ConstantNames(std::string_view shader) const {
  const auto it = declared_.find(shader);
  return it == declared_.end() ? std::vector<std::string>{} : it->second;
}

int GpuLog::TotalLive() const {
  int live = 0;
  for (const auto& r : resources_) live += r.live;
  return live;
}

bool GpuLog::LightEnabled(int index) const {
  const auto it = lights_.find(index);
  return it != lights_.end() && it->second;
}

void GpuLog::Created(ResourceKind kind) {
  ++resources_[static_cast<size_t>(kind)].created;
  ++resources_[static_cast<size_t>(kind)].live;
}

void GpuLog::EndFrame() {
  previousDraws_ = std::move(draws_);
  previousEvents_ = std::move(events_);
  previousConstantSets_ = std::move(constantSets_);
  draws_.clear();
  events_.clear();
  constantSets_.clear();
  locks_.clear();
  ++framesPresented_;
}

// --- RecordingDevice

RecordingDevice::RecordingDevice(const gpu::PresentParams& params)
    : log_(std::make_shared<GpuLog>()),
      backBuffer_(std::make_unique<RecordingSurface>("BackBuffer", params.width, params.height)) {
  log_->state_ = DefaultState();
  log_->device_ = this;
}

RecordingDevice::~RecordingDevice() {
  log_->device_ = nullptr;
}

void RecordingDevice::BeginScene() {
  if (log_->state_.inScene) log_->Event("Error BeginScene inside a scene");
  log_->state_.inScene = true;
  log_->Event("BeginScene");
}

void RecordingDevice::EndScene() {
  if (!log_->state_.inScene) log_->Event("Error EndScene outside a scene");
  log_->state_.inScene = false;
  log_->Event("EndScene");
}

bool RecordingDevice::Present() {
  if (log_->state_.inScene) log_->Event("Error Present inside a scene");
  log_->Event("Present");
  log_->EndFrame();
  return true;
}

gpu::RenderTarget& RecordingDevice::BackBuffer() {
  return *backBuffer_;
}

// The recorded back buffer holds no pixels, so discarding it changes nothing here.
void RecordingDevice::DiscardBackBuffer() {
  log_->Event("DiscardBackBuffer");
}

void RecordingDevice::SetRenderTarget(gpu::RenderTarget& target) {
  const auto* surface = dynamic_cast<const RecordingSurface*>(&target);
  log_->state_.target = surface ? surface->Label() : "Unknown";
  log_->Event("SetRenderTarget " + log_->state_.target);
}

void RecordingDevice::Clear(gpu::Argb colour, float) {
  log_->Event("Clear " + Hex(colour));
}

void RecordingDevice::SetScissorRect(const gpu::ScissorRect* rect) {
  DeviceState& s = log_->state_;
  s.scissor = rect != nullptr;
  s.scissorRect = rect != nullptr ? *rect : gpu::ScissorRect{};
  if (rect == nullptr) {
    log_->Event("SetScissorRect none");
    return;
  }
  log_->Event("SetScissorRect " + std::to_string(rect->x) + " " + std::to_string(rect->y) + " " +
              std::to_string(rect->width) + " " + std::to_string(rect->height));
}

void RecordingDevice::SetRenderState(gpu::RenderState state, uint32_t value) {
  if (static_cast<size_t>(state) >= log_->state_.renderStates.size()) {
    log_->Event("Error SetRenderState: unknown state");
    return;
  }
  log_->state_.renderStates[static_cast<size_t>(state)] = value;
}

void RecordingDevice::SetRenderStateF(gpu::RenderState state, float value) {
  SetRenderState(state, Bits(value));
}

uint32_t RecordingDevice::GetRenderState(gpu::RenderState state) const {
  if (static_cast<size_t>(state) >= log_->state_.renderStates.size()) return 0;
  return log_->state_.Get(state);
}

void RecordingDevice::SetSamplerState(gpu::SamplerState state, uint32_t value) {
  if (static_cast<size_t>(state) >= log_->state_.samplerStates.size()) {
    log_->Event("Error SetSamplerState: unknown state");
    return;
  }
  log_->state_.samplerStates[static_cast<size_t>(state)] = value;
}

uint32_t RecordingDevice::GetSamplerState(gpu::SamplerState state) const {
  if (static_cast<size_t>(state) >= log_->state_.samplerStates.size()) return 0;
  return log_->state_.Get(state);
}

void RecordingDevice::SetTextureStageState(gpu::StageState state, uint32_t value) {
  if (static_cast<size_t>(state) >= log_->state_.stageStates.size()) {
    log_->Event("Error SetTextureStageState: unknown state");
    return;
  }
  log_->state_.stageStates[static_cast<size_t>(state)] = value;
}

void RecordingDevice::SetTransform(gpu::TransformKind kind, const math::Matrix& m) {
  if (static_cast<size_t>(kind) >= log_->state_.transforms.size()) {
    log_->Event("Error SetTransform: unknown transform");
    return;
  }
  log_->state_.transforms[static_cast<size_t>(kind)] = m;
}

math::Matrix RecordingDevice::GetTransform(gpu::TransformKind kind) const {
  if (static_cast<size_t>(kind) >= log_->state_.transforms.size()) return math::MatrixIdentity();
  return log_->state_.Transform(kind);
}

void RecordingDevice::SetMaterial(const gpu::Material& material) {
  log_->state_.material = material;
}

void RecordingDevice::LightEnable(int index, bool on) {
  if (index < 0) {
    log_->Event("Error LightEnable: negative index");
    return;
  }
  log_->lights_[index] = on;
}

namespace {
// A texture's name in the log ("RenderTexture<n>" for a render texture), empty for none.
std::string TextureLabel(const gpu::Texture* texture) {
  if (const auto* target = dynamic_cast<const RecordingRenderTexture*>(texture)) return target->Label();
  return texture ? texture->Name() : std::string();
}
std::string TextureEvent(const char* call, const gpu::Texture* texture, const std::string& label) {
  return std::string(call) + " " + (!texture ? std::string("none") : label.empty() ? "unnamed" : label);
}
}  // namespace

void RecordingDevice::SetTexture(gpu::Texture* texture) {
  DeviceState& s = log_->state_;
  s.textureBound = texture != nullptr;
  s.texture = TextureLabel(texture);
  log_->Event(TextureEvent("SetTexture", texture, s.texture));
}

void RecordingDevice::SetSecondTexture(gpu::Texture* texture) {
  DeviceState& s = log_->state_;
  s.secondTexture = TextureLabel(texture);
  log_->Event(TextureEvent("SetSecondTexture", texture, s.secondTexture));
}

namespace {
// The log name of a shader being bound, or empty with *error set when it is of the wrong stage.
std::string ShaderKey(gpu::Shader* shader, gpu::ShaderStage stage, std::string* error) {
  if (!shader) return {};
  if (shader->Stage() != stage) {
    *error = "wrong stage";
    return {};
  }
  if (const auto* ours = dynamic_cast<const RecordingShader*>(shader)) return ours->Key();
  const std::string name = shader->Name();
  return name.empty() ? "unnamed" : name;
}
}  // namespace

void RecordingDevice::SetVertexShader(gpu::Shader* shader) {
  std::string error;
  std::string key = ShaderKey(shader, gpu::ShaderStage::Vertex, &error);
  if (!error.empty()) {
    log_->Event("Error SetVertexShader: a pixel shader");
    return;
  }
  log_->state_.vertexShader = std::move(key);
  log_->Event("SetVertexShader " + (shader ? log_->state_.vertexShader : std::string("none")));
}

void RecordingDevice::SetPixelShader(gpu::Shader* shader) {
  std::string error;
  std::string key = ShaderKey(shader, gpu::ShaderStage::Pixel, &error);
  if (!error.empty()) {
    log_->Event("Error SetPixelShader: a vertex shader");
    return;
  }
  log_->state_.pixelShader = std::move(key);
  log_->Event("SetPixelShader " + (shader ? log_->state_.pixelShader : std::string("none")));
}

std::unique_ptr<gpu::Texture> RecordingDevice::CreateTexture(const std::vector<image::Image>& levels,
                                                             std::string name) {
  bool valid = !levels.empty();
  for (const image::Image& level : levels)
    valid = valid && level.width > 0 && level.height > 0 &&
            level.argb.size() == static_cast<size_t>(level.width) * static_cast<size_t>(level.height);
  if (!valid) {
    log_->Event("Error CreateTexture " + name + ": empty or inconsistent levels");
    return nullptr;
  }
  return std::make_unique<RecordingTexture>(log_, std::move(name), levels[0].width, levels[0].height,
                                            static_cast<int>(levels.size()));
}

std::unique_ptr<gpu::RenderTexture> RecordingDevice::CreateRenderTexture(int width, int height) {
  if (width <= 0 || height <= 0) {
    log_->Event("Error CreateRenderTexture: empty size");
    return nullptr;
  }
  return std::make_unique<RecordingRenderTexture>(log_, "RenderTexture" + std::to_string(++renderTextures_),
                                                  width, height);
}

std::unique_ptr<gpu::VertexBuffer> RecordingDevice::CreateVertexBuffer(uint32_t bytes, uint32_t, uint32_t) {
  if (bytes == 0) {
    log_->Event("Error CreateVertexBuffer: zero bytes");
    return nullptr;
  }
  return std::make_unique<RecordingVertexBuffer>(log_, "VertexBuffer" + std::to_string(++vertexBuffers_),
                                                 bytes);
}

std::unique_ptr<gpu::IndexBuffer> RecordingDevice::CreateIndexBuffer(uint32_t bytes, uint32_t) {
  if (bytes == 0) {
    log_->Event("Error CreateIndexBuffer: zero bytes");
    return nullptr;
  }
  return std::make_unique<RecordingIndexBuffer>(log_, "IndexBuffer" + std::to_string(++indexBuffers_), bytes);
}

std::unique_ptr<gpu::VertexDeclaration> RecordingDevice::CreateVertexDeclaration(
    std::span<const gpu::VertexElement> elements) {
  if (elements.empty()) {
    log_->Event("Error CreateVertexDeclaration: no elements");
    return nullptr;
  }
  return std::make_unique<RecordingDeclaration>(log_);
}

gpu::CompiledShader RecordingDevice::CompileShader(std::string_view source, std::string_view entry,
                                                   std::string_view profile) {
  gpu::CompiledShader result;
  gpu::ShaderStage stage;
  if (profile.starts_with("vs_")) {
    stage = gpu::ShaderStage::Vertex;
  } else if (profile.starts_with("ps_")) {
    stage = gpu::ShaderStage::Pixel;
  } else {
    result.messages = "error: unknown profile '" + std::string(profile) + "' (expected vs_* or ps_*)\n";
    return result;
  }
  if (source.empty()) {
    result.messages = "error: the shader source is empty\n";
    return result;
  }
  if (entry.empty() || !glsl::DefinesFunction(source, entry)) {
    result.messages = "error: entry point 'void " + std::string(entry) + "()' is not defined\n";
    return result;
  }
  auto info =
      std::make_shared<ShaderInfo>(ShaderInfo{stage, std::string(entry), {}, glsl::UniformNames(source)});
  LogAccess::Declare(*log_, info->Key(), info->uniforms);
  result.shader = std::make_unique<RecordingShader>(log_, info);
  result.constants = std::make_unique<RecordingConstantTable>(log_, info);
  return result;
}

void RecordingDevice::SetFVF(uint32_t format) {
  log_->state_.fvf = format;
  log_->state_.declarationBound = false;
}

void RecordingDevice::SetVertexDeclaration(gpu::VertexDeclaration* declaration) {
  log_->state_.declarationBound = declaration != nullptr;
  log_->state_.fvf = 0;
}

void RecordingDevice::SetStreamSource(gpu::VertexBuffer* buffer, uint32_t offsetBytes, uint32_t stride) {
  const auto* ours = dynamic_cast<const RecordingVertexBuffer*>(buffer);
  log_->state_.stream = ours ? ours->Label() : buffer ? "Unknown" : "";
  log_->state_.streamOffset = offsetBytes;
  log_->state_.streamStride = stride;
  streamBytes_ = buffer != nullptr ? buffer->SizeBytes() : 0;
}

void RecordingDevice::SetIndices(gpu::IndexBuffer* buffer) {
  const auto* ours = dynamic_cast<const RecordingIndexBuffer*>(buffer);
  log_->state_.indices = ours ? ours->Label() : buffer ? "Unknown" : "";
}

DrawRecord& RecordingDevice::RecordDraw(std::string_view call, gpu::Primitive type, uint32_t primitiveCount) {
  DrawRecord record;
  record.call = std::string(call);
  record.primitive = type;
  record.primitiveCount = primitiveCount;
  record.state = log_->state_;
  log_->Event("Draw " + record.call + " " + PrimitiveName(type) + " " + std::to_string(primitiveCount));
  log_->draws_.push_back(std::move(record));
  return log_->draws_.back();
}

void RecordingDevice::DrawPrimitive(gpu::Primitive type, uint32_t startVertex, uint32_t primitiveCount) {
  const DeviceState& s = log_->state_;
  const uint64_t end = uint64_t{s.streamOffset} +
                       (uint64_t{startVertex} + gpu::VertexCount(type, primitiveCount)) * s.streamStride;
  if (end > streamBytes_) log_->Event("Error DrawPrimitive: past the end of " + s.stream);
  RecordDraw("DrawPrimitive", type, primitiveCount).startVertex = startVertex;
}

void RecordingDevice::DrawIndexedPrimitive(gpu::Primitive type, int32_t, uint32_t, uint32_t, uint32_t,
                                           uint32_t primitiveCount) {
  RecordDraw("DrawIndexedPrimitive", type, primitiveCount);
}

void RecordingDevice::DrawPrimitiveUP(gpu::Primitive type, uint32_t primitiveCount, const void* vertices,
                                      uint32_t stride) {
  if (vertices == nullptr || stride == 0) {
    log_->Event("Error DrawPrimitiveUP: no vertices");
    return;
  }
  DrawRecord& record = RecordDraw("DrawPrimitiveUP", type, primitiveCount);
  const auto* bytes = static_cast<const uint8_t*>(vertices);
  record.userVertices.assign(bytes, bytes + gpu::VertexCount(type, primitiveCount) * stride);
}

void RecordingDevice::Marker(std::string_view text) {
  DrawRecord record;
  record.kind = DrawRecord::Kind::Marker;
  record.call = "Marker";
  record.marker = std::string(text);
  record.state = log_->state_;
  log_->draws_.push_back(std::move(record));
  log_->Event("Marker " + std::string(text));
}

}  // namespace plat::headless
