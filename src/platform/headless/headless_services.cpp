// Headless backend implementation.
#include "platform/headless/headless_services.h"

namespace plat {

namespace {

class ScriptedKeyboard final : public KeyboardDevice {
 public:
  ScriptedKeyboard(std::shared_ptr<const KeyState> keys, std::shared_ptr<int> openCount)
      : keys_(std::move(keys)), openCount_(std::move(openCount)) {
    ++*openCount_;
  }
  ~ScriptedKeyboard() override { --*openCount_; }
  bool Acquire() override { return true; }
  bool GetState(KeyState& out) override {
    out = *keys_;
    return true;
  }

 private:
  std::shared_ptr<const KeyState> keys_;
  std::shared_ptr<int> openCount_;
};

}  // namespace

HeadlessServices::HeadlessServices(std::filesystem::path root) : files_(std::move(root)) {}

HeadlessServices::~HeadlessServices() = default;

void HeadlessServices::SetKey(int key, bool down) {
  if (key < 0 || key > 255) return;
  (*keys_)[static_cast<size_t>(key)] = down ? 0x80 : 0;
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
