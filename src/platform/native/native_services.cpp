// The SDL2 services: SDL set-up and tear-down, the game window and its events, message boxes, the clock,
// the keyboard snapshot, controller names, the OpenGL device factory and the OpenAL audio.
#include "platform/native/native_services.h"

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string_view>
#include <system_error>

#include "platform/key_event_queue.h"
#include "platform/native/gl_device.h"
#include "platform/native/openal_audio.h"
#include "platform/native/scancode_table.h"

namespace plat {
namespace {

constexpr const char* kTitle = "Ridov Korvessa Ravizod";
constexpr int kWidth = 1024;
constexpr int kHeight = 768;
// The game's image, which full screen shows in a display mode of its size.
constexpr int kImageWidth = 800;
constexpr int kImageHeight = 600;

// SDL is global state, so only one set of services may own it at a time.
bool g_servicesAlive = false;

class NativeWindow final : public Window {
 public:
  explicit NativeWindow(SDL_Window* window) : windowId_(SDL_GetWindowID(window)) {}

  bool PollEvent(Event& out) override {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      if (e.type == SDL_QUIT) {
        out = Event{EventKind::Quit, 0};
        return true;
      }
      if (e.type != SDL_WINDOWEVENT || e.window.windowID != windowId_) continue;
      // Only changes are reported, and the window starts focused, so its first focus is never an event.
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST && focused_) {
        focused_ = false;
        out = Event{EventKind::FocusLost, 0};
        return true;
      }
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED && !focused_) {
        focused_ = true;
        out = Event{EventKind::FocusGained, 0};
        return true;
      }
    }
    // A posted quit comes once nothing else is pending, as a posted quit message does.
    if (quitPending_) {
      quitPending_ = false;
      out = Event{EventKind::Quit, quitCode_};
      return true;
    }
    return false;
  }

  void PostQuit(int exitCode) override {
    quitPending_ = true;
    quitCode_ = exitCode;
  }

 private:
  Uint32 windowId_;
  bool focused_ = true;
  bool quitPending_ = false;
  int quitCode_ = 0;
};

class NativeDialogs final : public Dialogs {
 public:
  void ShowMessage(std::string_view text, std::string_view caption) override {
    std::cerr << caption << ": " << text << std::endl;
    if (!CanShowBoxes()) return;
    std::string captionZ(caption), textZ(text);
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, captionZ.c_str(), textZ.c_str(), nullptr) != 0)
      std::cerr << "message box failed: " << SDL_GetError() << std::endl;
  }

 private:
  // A box would wait for a click nobody can give without a display, so tests and CI only get stderr.
  static bool CanShowBoxes() {
    if (std::getenv("KV_NO_DIALOGS") != nullptr) return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) return false;
    std::string_view name(driver);
    return name != "offscreen" && name != "dummy";
  }
};

class NativeClock final : public Clock {
 public:
  uint32_t TickCountMs() override {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(static_cast<uint64_t>(ms.count()));
  }
  int64_t UnixTimeSeconds() override { return static_cast<int64_t>(std::time(nullptr)); }
};

// Key events reach the keyboard through an event watch, which SDL calls as it queues each event (on the
// thread that pumps them, the game's), so none is lost to the window's event loop or to a slow frame.
class NativeKeyboard final : public KeyboardDevice {
 public:
  NativeKeyboard() {
    // Keys already down (held while the focus came back) read as pressed in the first read.
    int count = 0;
    const Uint8* sdlState = SDL_GetKeyboardState(&count);
    for (int scancode = 0; scancode < count; ++scancode) {
      if (sdlState[scancode] != 0) events_.Push(ScancodeToKey(scancode), true);
    }
    SDL_AddEventWatch(&NativeKeyboard::Watch, this);
  }
  ~NativeKeyboard() override { SDL_DelEventWatch(&NativeKeyboard::Watch, this); }
  NativeKeyboard(const NativeKeyboard&) = delete;
  NativeKeyboard& operator=(const NativeKeyboard&) = delete;

  bool Acquire() override { return true; }

  // Key events come to the focused window only, and SDL lets every held key go up when the focus leaves, so
  // without the focus every key reads up.
  bool GetState(KeyState& out) override {
    SDL_PumpEvents();
    events_.Read(out);
    return true;
  }

  const std::vector<int>& Presses() const override { return events_.Presses(); }

 private:
  static int SDLCALL Watch(void* self, SDL_Event* e) {
    if (e->type == SDL_KEYDOWN || e->type == SDL_KEYUP) {
      static_cast<NativeKeyboard*>(self)->events_.Push(ScancodeToKey(e->key.keysym.scancode),
                                                       e->type == SDL_KEYDOWN);
    }
    return 0;
  }

  KeyEventQueue events_;
};

class NativeKeyboards final : public Keyboards {
 public:
  bool Available() const override { return true; }

  std::vector<std::string> ControllerNames(size_t max) override {
    std::vector<std::string> names;
    if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0) return names;
    int count = SDL_NumJoysticks();
    for (int i = 0; i < count && names.size() < max; ++i) {
      const char* name = SDL_JoystickNameForIndex(i);
      names.emplace_back(name != nullptr ? name : "");
    }
    return names;
  }

  std::unique_ptr<KeyboardDevice> OpenKeyboard() override { return std::make_unique<NativeKeyboard>(); }
};

std::filesystem::path WorkingDirectory() {
  std::error_code ec;
  std::filesystem::path cwd = std::filesystem::current_path(ec);
  return ec ? std::filesystem::path(".") : cwd;
}

std::filesystem::path ExecutableFolder() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : exe.parent_path();
}

// SDL falls back to its offscreen or dummy driver when no display answers; the game would then run unseen.
// Those drivers count only when asked for by name (tests, benchmarks).
bool DriverWasAskedFor(std::string_view driver) {
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  return asked != nullptr && SDL_strcasecmp(asked, std::string(driver).c_str()) == 0;
}

class SdlServices final : public NativeServices {
 public:
  SdlServices(SDL_Window* window, std::filesystem::path gameFolder)
      : sdlWindow_(window),
        window_(window),
        files_(std::move(gameFolder)),
        gpu_(window),
        audio_(CreateOpenAlAudio(files_)) {
    g_servicesAlive = true;
  }
  ~SdlServices() override {
    gpu_.Shutdown();  // a device still alive loses its context before the window goes
    SDL_DestroyWindow(sdlWindow_);
    SDL_Quit();
    g_servicesAlive = false;
  }
  SdlServices(const SdlServices&) = delete;
  SdlServices& operator=(const SdlServices&) = delete;

  Window& window() override { return window_; }
  Dialogs& dialogs() override { return dialogs_; }
  Clock& clock() override { return clock_; }
  Keyboards& keyboards() override { return keyboards_; }
  FileSystem& files() override { return files_; }
  gpu::DeviceFactory& gpu() override { return gpu_; }
  Audio& audio() override { return *audio_; }
  SDL_Window* SdlWindow() const override { return sdlWindow_; }

 private:
  SDL_Window* sdlWindow_;
  NativeWindow window_;
  NativeDialogs dialogs_;
  NativeClock clock_;
  NativeKeyboards keyboards_;
  FileSystem files_;
  GlDeviceFactory gpu_;
  std::unique_ptr<Audio> audio_;
};

std::unique_ptr<Services> Fail(std::string* error, const std::string& message) {
  if (error != nullptr) *error = message;
  return nullptr;
}

}  // namespace

std::unique_ptr<Services> CreateNativeServices(const NativeConfig& config, std::string* error) {
  if (g_servicesAlive) return Fail(error, "native services already exist");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
    return Fail(error, std::string("no display found (SDL_Init failed: ") + SDL_GetError() + ")");
  const std::string_view driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
  if ((driver == "offscreen" || driver == "dummy") && !DriverWasAskedFor(driver)) {
    SDL_Quit();
    return Fail(error, "no display found: set DISPLAY or WAYLAND_DISPLAY, or run the game under Xvfb");
  }
  std::string noAssets;
  const std::filesystem::path gameFolder = FindGameFolder(WorkingDirectory(), ExecutableFolder(), &noAssets);
  if (gameFolder.empty()) {
    if (std::getenv("KV_NO_DIALOGS") == nullptr)
      SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, kTitle, noAssets.c_str(), nullptr);
    SDL_Quit();
    return Fail(error, noAssets);
  }
  // Controllers are only listed by name, so the game runs on without them.
  if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
    std::cerr << "no game controller support: " << SDL_GetError() << std::endl;

  // A level frame is drawn straight into a window of the image's size, with depth and stencil like the
  // back buffer's.
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
  if (config.fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  // Without a display the window is only a drawing surface, which keeps the size it is made with: it is
  // made at the image's, the size full screen gives it.
  const bool offscreen = driver == "offscreen";
  SDL_Window* window = SDL_CreateWindow(kTitle, 0, 0, offscreen ? kImageWidth : kWidth,
                                        offscreen ? kImageHeight : kHeight, flags);
  if (window == nullptr) {
    std::string message = std::string("SDL_CreateWindow failed: ") + SDL_GetError();
    SDL_Quit();
    return Fail(error, message);
  }
  KeepGlDriversLoaded();
  try {
    return std::make_unique<SdlServices>(window, gameFolder);
  } catch (const std::exception& e) {
    SDL_DestroyWindow(window);
    SDL_Quit();
    return Fail(error, std::string("native services: ") + e.what());
  }
}

}  // namespace plat
