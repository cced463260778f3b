// Makes the OpenGL device: an OpenGL 3.3 core context with clip control in the game's SDL window, full
// screen in a mode of the back buffer's size where the display has one; and the native-only read-backs.
#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <string_view>

#include "platform/native/gl_device_impl.h"
#include "platform/sanitizer.h"

#if KV_ADDRESS_SANITIZER
// The leak checker keeps a range for each dynamic TLS block a thread touches (Mesa's LLVM makes one) and
// sizes it by guessing the C library: a block starting 16 bytes past a page boundary it takes for an old
// glibc's and reads its bounds from the 16 bytes before it. glibc now takes these blocks from malloc, so
// those bytes are the allocator's; when LLVM's block lands there, now and then, the check at exit scans a
// range of nonsense and crashes. Without the hook the blocks are still searched: the checker counts what the
// dynamic linker allocates, these blocks among it, as reachable.
extern "C" const char* __asan_default_options() {
  return "intercept_tls_get_addr=0";
}
#endif

namespace plat {
namespace {

// A current 3.3 core context with clip control, or null with the reason.
SDL_GLContext MakeContext(SDL_Window* window, int* code, std::string* reason) {
  if ((SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL) == 0) {
    *code = 1;
    *reason = "the window was not created for OpenGL";
    return nullptr;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (context == nullptr) {
    *code = 1;
    *reason = std::string("no OpenGL 3.3 core context: ") + SDL_GetError();
    return nullptr;
  }
  KeepGlDriversLoaded();
  if (epoxy_gl_version() < 33 ||
      (epoxy_gl_version() < 45 && !epoxy_has_gl_extension("GL_ARB_clip_control"))) {
    *code = 2;
    *reason = "the OpenGL context lacks version 3.3 or clip control";
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(context);
    return nullptr;
  }
  return context;
}

bool OffscreenDriver() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver != nullptr && std::string_view(driver) == "offscreen";
}

// Full screen in a display mode of the back buffer's size, so the image is copied into the window as it is;
// where the display has no such mode, a desktop-sized window shows it scaled. Without a display (the
// offscreen driver) the window takes the back buffer's size, as the mode would.
void GoFullScreen(SDL_Window* window, int width, int height) {
  if (OffscreenDriver()) {
    SDL_SetWindowSize(window, width, height);
    return;
  }
  SDL_DisplayMode wanted{}, mode{};
  wanted.w = width;
  wanted.h = height;
  const int display = SDL_GetWindowDisplayIndex(window);
  if (display >= 0 && SDL_GetClosestDisplayMode(display, &wanted, &mode) != nullptr && mode.w == width &&
      mode.h == height && SDL_SetWindowDisplayMode(window, &mode) == 0) {
    // The window takes the mode's size itself: without a window manager nothing else would resize it, and
    // it would go on drawing at its old size, its image's top rows off the screen.
    int oldW = 0, oldH = 0;
    SDL_GetWindowSize(window, &oldW, &oldH);
    SDL_SetWindowSize(window, width, height);
    if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0) return;
    SDL_SetWindowSize(window, oldW, oldH);
  }
  SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
}

}  // namespace

// GL entry libraries and Mesa's driver keep process-wide state they never free; unloaded at SDL_Quit or when
// the last context goes, that state would be lost (and loaded anew for the next window or device), so
// whatever of them is loaded stays for the process.
void KeepGlDriversLoaded() {
  for (const char* name : {"libEGL.so.1", "libGL.so.1", "libOpenGL.so.0"}) {
    if (void* handle = dlopen(name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE)) dlclose(handle);
  }
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void*) -> int {
        const char* path = info->dlpi_name;
        if (path == nullptr ||
            (std::strstr(path, "_dri.so") == nullptr && std::strstr(path, "libgallium") == nullptr))
          return 0;
        if (void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE)) dlclose(handle);
        return 0;
      },
      nullptr);
}

bool GlDeviceFactory::Available() {
  if (live_ != nullptr) return true;
  if (available_ < 0) {
    int code = 0;
    std::string reason;
    SDL_GLContext context = MakeContext(window_, &code, &reason);
    available_ = context != nullptr ? 1 : 0;
    if (context != nullptr) {
      SDL_GL_MakeCurrent(window_, nullptr);
      SDL_GL_DeleteContext(context);
    }
  }
  return available_ == 1;
}

gpu::Caps GlDeviceFactory::GetCaps() {
  gpu::Caps caps;
  caps.hardwareTransform = true;
  caps.pixelShaderMajor = 2;
  caps.pixelShaderMinor = 0;
  return caps;
}

std::unique_ptr<gpu::Device> GlDeviceFactory::CreateDevice(const gpu::PresentParams& params, int* errorCode,
                                                           std::string* errorText) {
  int code = 0;
  std::string reason;
  auto fail = [&](int c, const std::string& text) -> std::unique_ptr<gpu::Device> {
    if (errorCode != nullptr) *errorCode = c;
    if (errorText != nullptr) *errorText = text;
    return nullptr;
  };
  if (live_ != nullptr) return fail(4, "an OpenGL device already exists");
  if (params.width <= 0 || params.height <= 0) return fail(3, "the back buffer size is not positive");
  SDL_GLContext context = MakeContext(window_, &code, &reason);
  if (context == nullptr) return fail(code, reason);
  available_ = 1;
  SDL_GL_SetSwapInterval(0);  // no vertical sync
  if (!params.windowed) GoFullScreen(window_, params.width, params.height);
  auto device = std::make_unique<gl::GlDevice>(this, window_, context, params.width, params.height);
  if (!device->Init(&reason)) return fail(3, reason);
  live_ = device.get();
  return device;
}

void GlDeviceFactory::Shutdown() {
  if (live_ == nullptr) return;
  live_->LoseContext();
  live_->factory_ = nullptr;
  live_ = nullptr;
}

bool ReadBackBufferPixels(gpu::Device& device, std::vector<uint32_t>& argbTopRowFirst, int* width,
                          int* height) {
  auto* gl = dynamic_cast<gl::GlDevice*>(&device);
  return gl != nullptr && gl->ReadBack(argbTopRowFirst, width, height);
}

bool ReadWindowPixels(gpu::Device& device, std::vector<uint32_t>& argbTopRowFirst, int* width, int* height) {
  auto* gl = dynamic_cast<gl::GlDevice*>(&device);
  return gl != nullptr && gl->ReadWindow(argbTopRowFirst, width, height);
}

bool FinishDrawing(gpu::Device& device) {
  if (dynamic_cast<gl::GlDevice*>(&device) == nullptr) return false;
  glFinish();
  return true;
}

bool SetClearSpriteFragmentsSkipped(gpu::Device& device, bool skipped) {
  auto* gl = dynamic_cast<gl::GlDevice*>(&device);
  if (gl != nullptr) gl->SkipClearSpriteFragments(skipped);
  return gl != nullptr;
}

}  // namespace plat
