// The headless backend: a manual clock, scripted keys and window events, logged message boxes, a
// recording GPU device and recording audio.
// Tests drive whole engine frames with it, fast and deterministic.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/headless/recording_audio.h"
#include "platform/headless/recording_device.h"
#include "platform/services.h"

namespace plat {

class HeadlessServices final : public Services, Window, Dialogs, Clock, Keyboards {
 public:
  // Files resolve below root (the working directory by default).
  explicit HeadlessServices(std::filesystem::path root = std::filesystem::current_path());
  ~HeadlessServices() override;

  Window& window() override { return *this; }
  Dialogs& dialogs() override { return *this; }
  Clock& clock() override { return *this; }
  Keyboards& keyboards() override { return *this; }
  FileSystem& files() override { return files_; }
  gpu::DeviceFactory& gpu() override;
  Audio& audio() override { return audio_; }

  // Script controls.
  void SetTick(uint32_t ms) { tick_ = ms; }
  void AdvanceTicks(uint32_t ms) { tick_ += ms; }
  void SetUnixTime(int64_t seconds) { unixTime_ = seconds; }
  // The key is held (or not) from the next keyboard read on, after the changes queued before it.
  void SetKey(int key, bool down);
  void ReleaseAllKeys() { keys_->held.fill(0); }
  // A key going down or up between two frames, as a native key event: every change queued before a
  // keyboard read reaches it in order, and the key is then held as its last change leaves it.
  void QueueKey(int key, bool down);
  void PushEvent(Event e) { events_.push_back(e); }
  void SetKeyboardAvailable(bool available) { keyboardAvailable_ = available; }
  void SetControllers(std::vector<std::string> names) { controllers_ = std::move(names); }
  // The capabilities the GPU factory reports (e.g. pixel shader 1.1 for the no-shader path); whether it has a
  // device.
  void SetCaps(gpu::Caps caps);
  void SetGpuAvailable(bool available);
  // The next `attempts` device creations fail with this error code (1: the first attempt only; 2: the retry
  // too).
  void FailNextDeviceCreation(int errorCode, int attempts = 1);

  // The latest recording device while it lives (null before the first and after its destruction), and its
  // log, which stays readable after the device is gone (null before any device).
  headless::RecordingDevice* Device() const;
  const headless::GpuLog* DeviceLog() const;
  // The parameters of every device creation asked for, failed ones included.
  const std::vector<gpu::PresentParams>& DeviceRequests() const;

  // What the game did.
  headless::RecordingAudio& Sounds() { return audio_; }
  const std::vector<std::string>& MessageBoxes() const { return boxes_; }
  int KeyboardsOpened() const { return keyboardsOpened_; }
  int OpenKeyboardCount() const { return *openKeyboards_; }
  size_t PendingEvents() const { return events_.size(); }

  // Window
  bool PollEvent(Event& out) override;
  void PostQuit(int exitCode) override { events_.push_back(Event{EventKind::Quit, exitCode}); }
  // Dialogs
  void ShowMessage(std::string_view text, std::string_view caption) override;
  // Clock
  uint32_t TickCountMs() override { return tick_; }
  int64_t UnixTimeSeconds() override { return unixTime_; }
  // Keyboards
  bool Available() const override { return keyboardAvailable_; }
  std::vector<std::string> ControllerNames(size_t max) override;
  std::unique_ptr<KeyboardDevice> OpenKeyboard() override;

 private:
  FileSystem files_;
  class RecordingFactory;
  std::unique_ptr<RecordingFactory> gpu_;
  uint32_t tick_ = 0;
  int64_t unixTime_ = 0;
  // The keys the script holds and the changes queued for the next read. Shared with the keyboards it opens,
  // so a device outliving the services never reads freed memory.
  struct ScriptedKeys {
    KeyState held{};
    std::vector<std::pair<int, bool>> queued;
  };
  std::shared_ptr<ScriptedKeys> keys_ = std::make_shared<ScriptedKeys>();
  class ScriptedKeyboard;
  std::deque<Event> events_;
  std::vector<std::string> boxes_;
  std::vector<std::string> controllers_;
  bool keyboardAvailable_ = true;
  int keyboardsOpened_ = 0;
  std::shared_ptr<int> openKeyboards_ = std::make_shared<int>(0);
  headless::RecordingAudio audio_{files_, *this};
};

}  // namespace plat
