// Full screen on an X server with an 800x600 screen (an Xvfb started here, when one is installed): the window
// takes the display mode's size, so the image fills the screen from its top row.
#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/native/native_services.h"

// Last: X11's headers define macros that clash with names in the others.
#include <SDL_syswm.h>
#include <X11/Xutil.h>

// SDL's X11 video loads D-Bus, which keeps a buffer for the whole process; the leak checker is told so.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\n";
}

namespace {

using namespace plat;

// An Xvfb on a display number of its own, ended with the test; no display when it does not come up.
class Xvfb {
 public:
  Xvfb() {
    const std::string number = std::to_string(200 + getpid() % 700);
    const std::string socket = "/tmp/.X11-unix/X" + number;
    if (access(socket.c_str(), F_OK) == 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      const std::string name = ":" + number;
      execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int wait = 0; pid_ > 0 && wait < 100 && waitpid(pid_, nullptr, WNOHANG) == 0; ++wait) {
      if (access(socket.c_str(), F_OK) == 0) {
        display_ = ":" + number;
        return;
      }
      usleep(50000);
    }
  }
  ~Xvfb() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  const std::string& Display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

TEST(FullScreen, InAnImageSizedModeTheImageFillsTheScreenFromItsTopRow) {
  Xvfb server;
  if (server.Display().empty()) GTEST_SKIP() << "no Xvfb to run an X server";
  setenv("DISPLAY", server.Display().c_str(), 1);
  setenv("SDL_VIDEODRIVER", "x11", 1);
  std::string error;
  auto services = CreateNativeServices(NativeConfig{}, &error);
  ASSERT_NE(services, nullptr) << error;
  int code = 0;
  auto device = services->gpu().CreateDevice(gpu::PresentParams{}, &code, &error);
  ASSERT_NE(device, nullptr) << error;

  SDL_Window* window = static_cast<NativeServices&>(*services).SdlWindow();
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  ASSERT_TRUE(SDL_GetWindowWMInfo(window, &info));
  ::Display* display = info.info.x11.display;
  XWindowAttributes attributes{};
  ASSERT_NE(XGetWindowAttributes(display, info.info.x11.window, &attributes), 0);
  EXPECT_EQ(attributes.width, 800);
  EXPECT_EQ(attributes.height, 600);

  // Level frames, red with a green band along their top. The window's new size reaches the driver with
  // the first frame shown at it.
  for (int frame = 0; frame < 2; ++frame) {
    device->BeginScene();
    device->DiscardBackBuffer();
    device->SetRenderTarget(device->BackBuffer());
    device->Clear(0xFF00FF00, 1.0f);
    const gpu::ScissorRect below{0, 10, 800, 590};
    device->SetScissorRect(&below);
    device->Clear(0xFFFF0000, 1.0f);
    device->SetScissorRect(nullptr);
    device->EndScene();
    ASSERT_TRUE(device->Present());
  }
  XSync(display, False);
  XImage* screen = XGetImage(display, DefaultRootWindow(display), 0, 0, 800, 600, AllPlanes, ZPixmap);
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(XGetPixel(screen, 400, 2) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(XGetPixel(screen, 400, 20) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(XGetPixel(screen, 400, 599) & 0xFFFFFF, 0xFF0000u);
  XDestroyImage(screen);
}

}  // namespace
