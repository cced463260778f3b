// The OpenGL implementation of the GPU device on the game's SDL window (native backend only), and a
// back-buffer read-back for tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gpu.h"

struct SDL_Window;

namespace plat {

namespace gl {
class GlDevice;
}

// Makes the one device: an OpenGL 3.3 core context with clip control in the window, which must have been
// created for OpenGL. The device must go before the window does; Shutdown() covers the other order.
class GlDeviceFactory final : public gpu::DeviceFactory {
 public:
  explicit GlDeviceFactory(SDL_Window* window) : window_(window) {}
  ~GlDeviceFactory() override { Shutdown(); }
  GlDeviceFactory(const GlDeviceFactory&) = delete;
  GlDeviceFactory& operator=(const GlDeviceFactory&) = delete;

  bool Available() override;
  gpu::Caps GetCaps() override;
  // errorCode: 1 no context, 2 the context lacks a needed feature, 3 the back buffer cannot be made,
  // 4 a device already exists.
  std::unique_ptr<gpu::Device> CreateDevice(const gpu::PresentParams& params, int* errorCode,
                                            std::string* errorText) override;
  // Releases a device still alive (its GL objects and context) while the window exists; the device object
  // then does nothing when destroyed.
  void Shutdown();

 private:
  friend class gl::GlDevice;
  SDL_Window* window_;
  int available_ = -1;  // unknown until first asked
  gl::GlDevice* live_ = nullptr;
};

// The GL entry libraries and the driver keep process-wide allocations they never free. Unloaded when their
// last user goes (the window's display at SDL_Quit, the last context), they would lose them (the leak checker
// then reports them) and be loaded anew for the next window; so whichever of them are loaded stay for the
// process.
void KeepGlLibrariesLoaded();

// The back buffer as 0xAARRGGBB words, top row first. False when the device is not an OpenGL one.
bool ReadBackBufferPixels(gpu::Device& device, std::vector<uint32_t>& argbTopRowFirst, int* width, int* height);

}  // namespace plat
