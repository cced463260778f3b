// The SDL2 services on SDL's offscreen driver: the window, its events, quit, dialogs, clock and keyboard.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "harness/native_required.h"
#include "platform/native/native_services.h"

namespace {

using plat::Event;
using plat::EventKind;

class NativeServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    std::string error;
    services_ = plat::CreateNativeServices(plat::NativeConfig{}, &error);
    if (!services_) KV_NATIVE_UNAVAILABLE("no offscreen SDL window: " << error);
    native_ = dynamic_cast<plat::NativeServices*>(services_.get());
    ASSERT_NE(native_, nullptr);
  }

  void PushWindowEvent(Uint8 kind) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(native_->SdlWindow());
    e.window.event = kind;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }

  std::unique_ptr<plat::Services> services_;
  plat::NativeServices* native_ = nullptr;
};

TEST_F(NativeServicesTest, OpensOneFixedSizeOpenGlWindow) {
  SDL_Window* window = native_->SdlWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_STREQ(SDL_GetWindowTitle(window), "Ridov Korvessa Ravizod");
  int w = 0, h = 0;
  SDL_GetWindowSize(window, &w, &h);
  // Without a display the window is a drawing surface of the image's size.
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
  Uint32 flags = SDL_GetWindowFlags(window);
  EXPECT_NE(flags & SDL_WINDOW_OPENGL, 0u);
  EXPECT_EQ(flags & SDL_WINDOW_RESIZABLE, 0u);
  EXPECT_EQ(flags & SDL_WINDOW_BORDERLESS, 0u);

  std::string error;
  EXPECT_EQ(plat::CreateNativeServices(plat::NativeConfig{}, &error), nullptr);
  EXPECT_EQ(error, "native services already exist");
}

TEST_F(NativeServicesTest, PollsQuitAndFocusChangesOnly) {
  Event event;
  EXPECT_FALSE(services_->window().PollEvent(event));  // the initial focus is not an event

  services_->window().PostQuit(3);
  ASSERT_TRUE(services_->window().PollEvent(event));
  EXPECT_EQ(event.kind, EventKind::Quit);
  EXPECT_EQ(event.exitCode, 3);
  EXPECT_FALSE(services_->window().PollEvent(event));

  // Already focused: a gain is swallowed; a second loss is swallowed; events come one per poll.
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  PushWindowEvent(SDL_WINDOWEVENT_MOVED);
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  ASSERT_TRUE(services_->window().PollEvent(event));
  EXPECT_EQ(event.kind, EventKind::FocusLost);
  ASSERT_TRUE(services_->window().PollEvent(event));
  EXPECT_EQ(event.kind, EventKind::FocusGained);
  EXPECT_FALSE(services_->window().PollEvent(event));

  // A posted quit waits behind pending events; closing the window gives Quit(0).
  services_->window().PostQuit(7);
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  ASSERT_EQ(SDL_PushEvent(&quit), 1);
  ASSERT_TRUE(services_->window().PollEvent(event));
  EXPECT_EQ(event.kind, EventKind::FocusLost);
  ASSERT_TRUE(services_->window().PollEvent(event));
  EXPECT_EQ(event.kind, EventKind::Quit);
  EXPECT_EQ(event.exitCode, 0);
  ASSERT_TRUE(services_->window().PollEvent(event));
  EXPECT_EQ(event.kind, EventKind::Quit);
  EXPECT_EQ(event.exitCode, 7);
  EXPECT_FALSE(services_->window().PollEvent(event));
}

TEST_F(NativeServicesTest, ClockAdvancesMonotonically) {
  plat::Clock& clock = services_->clock();
  uint32_t first = clock.TickCountMs();
  uint32_t previous = first;
  for (int i = 0; i < 5; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    uint32_t now = clock.TickCountMs();
    EXPECT_LT(static_cast<uint32_t>(now - previous), 1000u);  // never backwards (which would wrap huge)
    previous = now;
  }
  EXPECT_GE(static_cast<uint32_t>(previous - first), 50u);
  EXPECT_LE(std::abs(clock.UnixTimeSeconds() - static_cast<int64_t>(std::time(nullptr))), 1);
}

TEST_F(NativeServicesTest, KeyboardReadsAllKeysUpThenEachKeyEventAndControllersAreCapped) {
  plat::Keyboards& keyboards = services_->keyboards();
  EXPECT_TRUE(keyboards.Available());
  EXPECT_TRUE(keyboards.ControllerNames(0).empty());
  EXPECT_LE(keyboards.ControllerNames(5).size(), 5u);

  auto device = keyboards.OpenKeyboard();
  ASSERT_NE(device, nullptr);
  EXPECT_TRUE(device->Acquire());
  plat::KeyState state;
  state.fill(0xFF);
  device->GetState(state);
  for (size_t i = 0; i < state.size(); ++i) EXPECT_EQ(state[i], 0) << "key " << i;

  // Key events between two reads: A tapped, then B down. A reads down, then up as B goes down.
  for (const auto& [type, scancode] :
       {std::pair{SDL_KEYDOWN, SDL_SCANCODE_A}, {SDL_KEYUP, SDL_SCANCODE_A}, {SDL_KEYDOWN, SDL_SCANCODE_B}}) {
    SDL_Event e{};
    e.type = type;
    e.key.keysym.scancode = scancode;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }
  const std::vector<int> presses[] = {{plat::key::A}, {plat::key::B}};
  for (const std::vector<int>& pressed : presses) {
    ASSERT_TRUE(device->GetState(state));
    EXPECT_EQ(device->Presses(), pressed);
    EXPECT_EQ(state[plat::key::A], pressed[0] == plat::key::A ? 0x80 : 0);
    EXPECT_EQ(state[plat::key::B], pressed[0] == plat::key::B ? 0x80 : 0);
  }
}

TEST_F(NativeServicesTest, DialogsEchoToStderrAndFilesAreRootedAtTheWorkingDirectory) {
  testing::internal::CaptureStderr();
  services_->dialogs().ShowMessage("Could not open level", "Error");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Could not open level\n");
  EXPECT_EQ(services_->files().Root(), std::filesystem::current_path());
}

// With no display SDL would fall back to its offscreen driver and the game would run unseen; only a driver
// asked for by name may run without one.
TEST(NativeStartTest, NoDisplayIsSaidUnlessTheOffscreenDriverIsAskedFor) {
  const std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
  const std::string wayland = std::getenv("WAYLAND_DISPLAY") ? std::getenv("WAYLAND_DISPLAY") : "";
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("SDL_VIDEODRIVER");
  std::string error;
  EXPECT_EQ(plat::CreateNativeServices(plat::NativeConfig{}, &error), nullptr);
  EXPECT_EQ(error.rfind("no display found", 0), 0u) << error;

  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  error.clear();
  EXPECT_NE(plat::CreateNativeServices(plat::NativeConfig{}, &error), nullptr) << error;
  if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
  if (!wayland.empty()) setenv("WAYLAND_DISPLAY", wayland.c_str(), 1);
}

}  // namespace
