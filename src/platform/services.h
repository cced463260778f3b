// The bundle of platform services the entry hands to the game; the game never knows the backend.
#pragma once

#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/gpu.h"
#include "platform/keyboard.h"
#include "platform/window.h"

namespace plat {

class Services {
 public:
  virtual ~Services() = default;
  virtual Window& window() = 0;
  virtual Dialogs& dialogs() = 0;
  virtual Clock& clock() = 0;
  virtual Keyboards& keyboards() = 0;
  virtual FileSystem& files() = 0;
  virtual gpu::DeviceFactory& gpu() = 0;
  virtual Audio& audio() = 0;
};

}  // namespace plat
