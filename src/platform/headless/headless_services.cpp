// Headless backend implementation.
#include "platform/headless/headless_services.h"

#include "platform/key_event_queue.h"

namespace plat {

// Makes recording devices and remembers the latest one's log for the tests.
class HeadlessServices::RecordingFactory final : public gpu::DeviceFactory {
 public:
  bool Available() override { return available; }
  gpu::Caps GetCaps() override { return caps; }
  std::unique_ptr<gpu::Device> CreateDevice(const gpu::PresentParams& params, int* errorCode,
                                            std::string* errorText) override {
    requests.push_back(params);
    std::string error;
    int code = 0;
    if (failuresLeft > 0) {
      --failuresLeft;
      code = failureCode;
      error = "device creation failed (error " + std::to_string(code) + ")";
    } else if (!available) {
      code = -1;
      error = "no GPU device available";
    } else if (params.width <= 0 || params.height <= 0) {
      code = -1;
      error =
          "invalid back buffer size " + std::to_string(params.width) + "x" + std::to_string(params.height);
    }
    if (!error.empty()) {
      if (errorCode) *errorCode = code;
      if (errorText) *errorText = error;
      return nullptr;
    }
    auto device = std::make_unique<headless::RecordingDevice>(params);
    latestLog = device->SharedLog();
    return device;
  }

  bool available = true;
  gpu::Caps caps;
  int failuresLeft = 0;
  int failureCode = 0;
  std::vector<gpu::PresentParams> requests;
  std::shared_ptr<headless::GpuLog> latestLog;
};

// Reads the scripted keys through the same queue as the native keyboard's events: the changes queued since
// the previous read come first, in order, then each key the script holds otherwise changes once.
class HeadlessServices::ScriptedKeyboard final : public KeyboardDevice {
 public:
  ScriptedKeyboard(std::shared_ptr<ScriptedKeys> keys, std::shared_ptr<int> openCount)
      : keys_(std::move(keys)), openCount_(std::move(openCount)) {
    ++*openCount_;
  }
  ~ScriptedKeyboard() override { --*openCount_; }
  bool Acquire() override { return true; }
  bool GetState(KeyState& out) override {
    for (const auto& [key, down] : keys_->queued) events_.Push(key, down);
    keys_->queued.clear();
    for (int key = 0; key < 256; ++key) {
      const bool down = keys_->held[static_cast<size_t>(key)] != 0;
      if (events_.Latest(key) != down) events_.Push(key, down);
    }
    events_.Read(out);
    return true;
  }
  const std::vector<int>& Presses() const override { return events_.Presses(); }

 private:
  std::shared_ptr<ScriptedKeys> keys_;
  std::shared_ptr<int> openCount_;
  KeyEventQueue events_;
};

HeadlessServices::HeadlessServices(std::filesystem::path root)
    : files_(std::move(root)), gpu_(std::make_unique<RecordingFactory>()) {}

HeadlessServices::~HeadlessServices() = default;

void HeadlessServices::SetKey(int key, bool down) {
  if (key < 0 || key > 255) return;
  keys_->held[static_cast<size_t>(key)] = down ? 0x80 : 0;
}

void HeadlessServices::QueueKey(int key, bool down) {
  if (key < 0 || key > 255) return;
  SetKey(key, down);
  keys_->queued.emplace_back(key, down);
}

bool HeadlessServices::PollEvent(Event& out) {
  if (events_.empty()) return false;
  out = events_.front();
  events_.pop_front();
  return true;
}

void HeadlessServices::ShowMessage(std::string_view text, std::string_view caption) {
  boxes_.push_back(std::string(caption) + ": " + std::string(text));
}

gpu::DeviceFactory& HeadlessServices::gpu() {
  return *gpu_;
}

void HeadlessServices::SetCaps(gpu::Caps caps) {
  gpu_->caps = caps;
}

void HeadlessServices::SetGpuAvailable(bool available) {
  gpu_->available = available;
}

void HeadlessServices::FailNextDeviceCreation(int errorCode, int attempts) {
  gpu_->failureCode = errorCode;
  gpu_->failuresLeft = attempts;
}

headless::RecordingDevice* HeadlessServices::Device() const {
  return gpu_->latestLog ? gpu_->latestLog->Device() : nullptr;
}

const headless::GpuLog* HeadlessServices::DeviceLog() const {
  return gpu_->latestLog.get();
}

const std::vector<gpu::PresentParams>& HeadlessServices::DeviceRequests() const {
  return gpu_->requests;
}

std::vector<std::string> HeadlessServices::ControllerNames(size_t max) {
  if (controllers_.size() <= max) return controllers_;
  return std::vector<std::string>(controllers_.begin(), controllers_.begin() + static_cast<long>(max));
}

std::unique_ptr<KeyboardDevice> HeadlessServices::OpenKeyboard() {
  if (!keyboardAvailable_) return nullptr;
  ++keyboardsOpened_;
  return std::make_unique<ScriptedKeyboard>(keys_, openKeyboards_);
}

}  // namespace plat
