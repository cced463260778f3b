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

// Keeps the GL libraries and driver loaded so far loaded for the life of the process (see gl_factory.cpp);
// called once a window for OpenGL and once a context exist.
void KeepGlDriversLoaded();

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

// The back buffer as 0xAARRGGBB words, top row first. False when the device is not an OpenGL one.
bool ReadBackBufferPixels(gpu::Device& device, std::vector<uint32_t>& argbTopRowFirst, int* width,
                          int* height);

// What the window shows, as 0xAARRGGBB words, top row first, over its drawable size. False when the device
// is not an OpenGL one.
bool ReadWindowPixels(gpu::Device& device, std::vector<uint32_t>& argbTopRowFirst, int* width, int* height);

// Waits until everything drawn so far is in its target. False when the device is not an OpenGL one.
bool FinishDrawing(gpu::Device& device);

// Point sprites blended by source alpha skip their fragments of alpha 0 (the clear corners of the round
// particle pictures), which would leave the target as it was; on by default, off to draw the plain way for
// comparison. False when the device is not an OpenGL one.
bool SetClearSpriteFragmentsSkipped(gpu::Device& device, bool skipped);

}  // namespace plat
